// SPDX-License-Identifier: MIT
// The command line of the game: what a run should do, parsed once in main.
#pragma once

#include <string>
#include <vector>

namespace shell {

struct Screenshot {
    long step = 0;
    std::string path;
};

struct Options {
    std::string data_dir;
    std::string resource_dir;
    bool headless = false;
    long frames = 0; // stop after this step; 0 = run until closed
    std::string script;
    std::vector<Screenshot> screenshots;
    std::string trace;
    bool has_seed = false;
    int seed = 0;
    std::string score_server;
    std::string location;
    std::string analytics_log;
    bool no_ads = false;
    double scale = 0; // pixels per point; 0 = the largest that fits the desktop (headless: 1)
    bool fullscreen = false;
    bool help = false;
    bool version = false;
};

// Parses argv. False with a message in error for an unknown option or a bad value.
bool parseOptions(int argc, const char* const* argv, Options& out, std::string& error);

// The usage text printed by --help.
const char* usage();

// The options of the running game (set once by main before launch).
const Options& options();
void setOptions(const Options& o);

} // namespace shell
