// SPDX-License-Identifier: MIT
// The server's settings: defaults, then a config file (--config FILE), then the flags. The file
// holds `key = value` lines with the flags' names (# starts a comment); `board = ID TOKEN Title`
// lines, when present, replace the built-in boards.
#pragma once

#include "server.h"
#include "service.h"

#include <string>
#include <vector>

namespace config {

struct Config {
    httpd::Options http;
    std::string db = "flingo-scores.db"; // a SQLite file or a postgresql:// URL
    int submitsPerMinute = 10;           // per client address; 0: no limit
    std::vector<service::BoardInfo> boards = service::defaultBoards();
};

// False with a message on any unknown flag or key, missing or malformed value.
bool parse(int argc, const char* const* argv, Config& out, std::string& error);
bool readFile(const std::string& path, Config& out, std::string& error);

extern const char* const USAGE;

} // namespace config
