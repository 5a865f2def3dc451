// SPDX-License-Identifier: MIT
// Running a built program of the game in a test, and reading what it left behind: its trace,
// its screenshots, its files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace testrun {

struct Result {
    int status = -1; // exit status; 128 + signal when killed
    std::string stderr_text;
    std::string stdout_text;
};

// Runs argv[0] with the arguments, waits for it (killing it after timeout seconds).
Result run(const std::vector<std::string>& argv, int timeout = 120, const std::string& cwd = "");
// Starts it without waiting, in the folder cwd (empty: this process's); its pid.
int start(const std::vector<std::string>& argv, const std::string& stderr_path,
          const std::string& stdout_path = "/dev/null", const std::string& cwd = "");
int wait(int pid, int timeout = 120);

struct TraceLine {
    long frame = -1;
    std::string event;   // empty for a console line
    std::string payload; // the payload's JSON text as written
    std::string log;     // a console line's text, unescaped
};
std::vector<TraceLine> readTrace(const std::string& path);
// The lines of one event, in order.
std::vector<TraceLine> events(const std::vector<TraceLine>& trace, const std::string& name);
// Index of the first line of the event (or -1), searching from 'from'.
int find(const std::vector<TraceLine>& trace, const std::string& name, size_t from = 0);
bool hasLog(const std::vector<TraceLine>& trace, const std::string& part);

// Waits until a running program's trace mentions the given step (false after timeout seconds).
bool waitForStep(const std::string& trace, long step, int timeout);

// A run with a script (at <dir>/s.txt) and a trace (<dir>/t.jsonl) in a folder of its own.
struct ScriptedRun {
    std::string dir;
    Result result;
    std::vector<TraceLine> trace;
    std::string path(const std::string& name) const { return dir + "/" + name; }
};
// Runs argv with the script, the trace and the extra arguments, where '@' stands for the
// run's folder: dir, or a fresh one when empty.
ScriptedRun runScripted(std::vector<std::string> argv, const std::string& script,
                        const std::vector<std::string>& extra, const std::string& dir = "");

// A fresh empty folder under the system's temporary folder.
std::string tempDir();
void writeFile(const std::string& path, const std::string& text);
std::string readFile(const std::string& path);

// A whole-colour RGB PNG, for start-up images.
void writeSolidPng(const std::string& path, int w, int h, uint8_t r, uint8_t g, uint8_t b);
// A screenshot's pixel as 0xRRGGBB (-1 when the file cannot be read or the point is outside).
long pixel(const std::string& png, int x, int y);
// Whether two colours differ by at most tol in every channel.
bool near(long a, long b, int tol);

} // namespace testrun
