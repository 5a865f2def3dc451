// SPDX-License-Identifier: MIT
// Input scripts for unattended runs: one command a line, each tied to the step before whose tick
// it is delivered.
#pragma once

#include <string>
#include <vector>

namespace shell {

struct Command {
    enum Kind { Down, Move, Up, Cancel, Press, Key, Quit };
    long step = 0;
    Kind kind = Quit;
    float x = 0, y = 0; // touches: screen points, origin top-left, y down
    std::string text;   // press: the label; key: the key name (lower case)
    int line = 0;       // where it came from, for messages
};

// Parses a script. Commands come out ordered by step, file order kept within a step. On a bad
// line: false, and error names the line ("FILE:LINE: what is wrong: the line").
bool parseScript(const std::string& text, const std::string& name, std::vector<Command>& out,
                 std::string& error);
bool loadScript(const std::string& path, std::vector<Command>& out, std::string& error);

} // namespace shell
