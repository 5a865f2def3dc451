// SPDX-License-Identifier: MIT
// Input scripts for unattended runs: one command a line, each tied to the step before whose tick
// it is delivered.
#pragma once

#include <string>
#include <vector>

namespace shell {

struct Command {
    enum Kind { Down, Move, Up, Cancel, Press, Key, Pad, Focus, Quit };
    long step = 0;
    Kind kind = Quit;
    // Touches: screen points, origin top-left, y down. Key: x 0 a tap, 1 down, 2 up. Pad: x the
    // pad (1 to 4), y the value. Focus: x 1 gained, 0 lost.
    float x = 0, y = 0;
    std::string text; // press: the label; key: the key name (lower case); pad: the control
    int line = 0;     // where it came from, for messages
};

// Parses a script. Commands come out ordered by step, file order kept within a step. On a bad
// line: false, and error names the line ("FILE:LINE: what is wrong: the line").
bool parseScript(const std::string& text, const std::string& name, std::vector<Command>& out,
                 std::string& error);
bool loadScript(const std::string& path, std::vector<Command>& out, std::string& error);

} // namespace shell
