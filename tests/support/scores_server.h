// SPDX-License-Identifier: MIT
// The score server executable as a process of its own on 127.0.0.1, at a free port it reports.
#pragma once
#include "support/run.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace testscores {

class Process {
  public:
    // `extra`: more flags for the server (limits, deadlines); `log`: a file for its stderr.
    Process(const char* exe, const std::string& db, std::vector<std::string> extra = {},
            const std::string& log = "") {
        const std::string said = testrun::tempDir() + "/address";
        extra.insert(extra.begin(), {exe, "--port", "0", "--db", db});
        pid = testrun::start(extra, log, said);
        // Its first line, once it listens, ends with the port (naps of 10 ms, 5 minutes at most).
        for (int naps = 0; pid > 0 && port == 0 && naps < 30000; ++naps) {
            const std::string line = testrun::readFile(said);
            if (line.find('\n') != std::string::npos)
                port = std::atoi(line.substr(line.rfind(':') + 1).c_str());
            else
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    // Stops the server; true when it exited cleanly.
    bool stop() {
        if (pid <= 0) return false;
        kill(pid, SIGTERM);
        const bool clean = testrun::wait(pid, 120) == 0;
        pid = -1;
        return clean;
    }
    ~Process() { stop(); }

    pid_t pid = -1;
    int port = 0;
};

} // namespace testscores
