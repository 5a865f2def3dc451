// SPDX-License-Identifier: MIT
// The score server executable as a process of its own on 127.0.0.1, at a free port it reports.
#pragma once
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace testscores {

class Process {
  public:
    // `extra`: more flags for the server (limits, deadlines); `log`: a file for its stderr.
    Process(const char* exe, const std::string& db, std::vector<std::string> extra = {},
            const std::string& log = "") {
        int out[2];
        if (pipe(out) != 0) return;
        pid = fork();
        if (pid == 0) {
            dup2(out[1], 1);
            if (!log.empty() && !freopen(log.c_str(), "w", stderr)) _exit(126);
            close(out[0]);
            std::vector<const char*> argv = {exe, "--port", "0", "--db", db.c_str()};
            for (const auto& e : extra)
                argv.push_back(e.c_str());
            argv.push_back(nullptr);
            execv(exe, const_cast<char* const*>(argv.data()));
            _exit(127);
        }
        close(out[1]);
        FILE* f = fdopen(out[0], "r");
        char line[256] = {};
        if (fgets(line, sizeof line, f)) {
            const std::string s = line;
            port = std::atoi(s.substr(s.rfind(':') + 1).c_str());
        }
        fclose(f);
    }
    // Stops the server; true when it exited cleanly.
    bool stop() {
        if (pid <= 0) return false;
        kill(pid, SIGTERM);
        int status = 0;
        waitpid(pid, &status, 0);
        pid = -1;
        return WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }
    ~Process() { stop(); }
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    pid_t pid = -1;
    int port = 0;
};

} // namespace testscores
