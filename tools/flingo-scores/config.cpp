// SPDX-License-Identifier: MIT
#include "config.h"

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace config {
namespace {

bool number(const std::string& text, long long lo, long long hi, long long& out) {
    errno = 0;
    char* end = nullptr;
    out = std::strtoll(text.c_str(), &end, 10);
    return !text.empty() && !*end && !errno && out >= lo && out <= hi;
}

std::string trim(const std::string& s) {
    const size_t a = s.find_first_not_of(" \t\r");
    if (a == std::string::npos) return "";
    return s.substr(a, s.find_last_not_of(" \t\r") - a + 1);
}

// One setting by name; the flags and the file share it.
bool set(Config& c, const std::string& key, const std::string& value, bool& boardsReplaced,
         std::string& error) {
    struct Bound {
        const char* key;
        long long lo, hi;
        void (*store)(Config&, long long);
    };
    static const Bound numbers[] = {
        {"port", 0, 65535, [](Config& c, long long v) { c.http.port = int(v); }},
        {"threads", 1, 256, [](Config& c, long long v) { c.http.threads = unsigned(v); }},
        {"max-connections", 1, 100000,
         [](Config& c, long long v) { c.http.maxConnections = unsigned(v); }},
        {"per-address", 1, 100000, [](Config& c, long long v) { c.http.perAddress = unsigned(v); }},
        {"idle-seconds", 1, 3600, [](Config& c, long long v) { c.http.idleSeconds = unsigned(v); }},
        {"deadline-ms", 100, 3600000,
         [](Config& c, long long v) { c.http.deadlineMs = unsigned(v); }},
        {"submits-per-minute", 0, 1000000,
         [](Config& c, long long v) { c.submitsPerMinute = int(v); }},
    };
    for (const auto& b : numbers) {
        if (key != b.key) continue;
        long long v = 0;
        if (!number(value, b.lo, b.hi, v)) {
            error = key + " wants a whole number from " + std::to_string(b.lo) + " to " +
                    std::to_string(b.hi) + ", not \"" + value + "\"";
            return false;
        }
        b.store(c, v);
        return true;
    }
    if (key == "host") {
        c.http.host = value;
    } else if (key == "db") {
        c.db = value;
    } else if (key == "log") {
        if (value != "on" && value != "off") {
            error = "log wants on or off";
            return false;
        }
        c.http.log = value == "on";
    } else if (key == "board") {
        std::istringstream in(value);
        std::string id, token, title;
        long long gid = 0;
        in >> id >> token;
        std::getline(in, title);
        if (!number(id, INT32_MIN, INT32_MAX, gid) || token.empty() || trim(title).empty()) {
            error = "board wants \"ID TOKEN Title\", not \"" + value + "\"";
            return false;
        }
        if (!boardsReplaced) c.boards.clear();
        boardsReplaced = true;
        c.boards.push_back({int32_t(gid), token, trim(title)});
    } else {
        error = "unknown setting \"" + key + "\"";
        return false;
    }
    if (value.empty() && key != "host") {
        error = key + " wants a value";
        return false;
    }
    return true;
}

} // namespace

const char* const USAGE =
    "usage: flingo-scores [--config FILE] [--host ADDR] [--port N (0: any free port)]\n"
    "                     [--db FILE | --db postgresql://...] [--threads N] [--max-connections N]\n"
    "                     [--per-address N] [--idle-seconds N] [--deadline-ms N]\n"
    "                     [--submits-per-minute N (0: no limit)] [--log on|off]\n"
    "                     [--board 'ID TOKEN Title' ...]\n";

bool readFile(const std::string& path, Config& out, std::string& error) {
    std::ifstream in(path);
    if (!in) {
        error = "cannot read " + path;
        return false;
    }
    bool boardsReplaced = false;
    std::string line;
    for (int n = 1; std::getline(in, line); ++n) {
        line = trim(line.substr(0, line.find('#')));
        if (line.empty()) continue;
        const size_t eq = line.find('=');
        if (eq == std::string::npos ||
            !set(out, trim(line.substr(0, eq)), trim(line.substr(eq + 1)), boardsReplaced, error)) {
            error = path + ":" + std::to_string(n) + ": " +
                    (eq == std::string::npos ? "expected key = value" : error);
            return false;
        }
    }
    return true;
}

bool parse(int argc, const char* const* argv, Config& out, std::string& error) {
    // The file first, wherever --config stands, so that flags override it.
    for (int i = 1; i + 1 < argc; ++i)
        if (std::string(argv[i]) == "--config" && !readFile(argv[i + 1], out, error)) return false;
    bool boardsReplaced = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind("--", 0) != 0 || i + 1 >= argc) {
            error = arg.rfind("--", 0) == 0 ? arg + " wants a value" : "unexpected " + arg;
            return false;
        }
        const std::string value = argv[++i];
        if (arg != "--config" && !set(out, arg.substr(2), value, boardsReplaced, error))
            return false;
    }
    if (out.boards.empty()) {
        error = "no boards";
        return false;
    }
    return true;
}

} // namespace config
