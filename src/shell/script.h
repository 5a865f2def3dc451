// SPDX-License-Identifier: MIT
// Input scripts for unattended runs: one command a line, each tied to the step before whose tick
// it is delivered.
#pragma once

#include <cstddef>
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

// A script longer than this, or with a longer line, is a mistake (a device, a wrong file).
constexpr size_t MAX_SCRIPT_BYTES = 1 << 20;
constexpr size_t MAX_SCRIPT_LINE = 1000;

// Parses a script. Commands come out ordered by step, file order kept within a step. On a bad
// line: false, and error names the line ("FILE:LINE: what is wrong: the line").
bool parseScript(const std::string& text, const std::string& name, std::vector<Command>& out,
                 std::string& error);
// Reads and parses a script file; false with the reason for a file that cannot be read, a
// folder, or one larger than MAX_SCRIPT_BYTES.
bool loadScript(const std::string& path, std::vector<Command>& out, std::string& error);

} // namespace shell
