// SPDX-License-Identifier: MIT
#include "shell/script.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace shell {
namespace {

struct Cursor {
    const std::string& s;
    size_t i = 0;
    void skipSpace() {
        while (i < s.size() && (s[i] == ' ' || s[i] == '\t' || s[i] == '\r'))
            ++i;
    }
    bool atEnd() {
        skipSpace();
        return i >= s.size() || s[i] == '#';
    }
    std::string word() {
        skipSpace();
        size_t b = i;
        while (i < s.size() && !isspace(static_cast<unsigned char>(s[i])) && s[i] != '#')
            ++i;
        return s.substr(b, i - b);
    }
};

bool toLong(const std::string& w, long& out) {
    if (w.empty()) return false;
    char* end = nullptr;
    errno = 0;
    long v = strtol(w.c_str(), &end, 10);
    if (errno != 0 || *end) return false;
    out = v;
    return true;
}

bool toFloat(const std::string& w, float& out) {
    if (w.empty()) return false;
    char* end = nullptr;
    errno = 0;
    float v = strtof(w.c_str(), &end);
    if (errno != 0 || *end || !std::isfinite(v)) return false;
    out = v;
    return true;
}

// One line; an empty reason means a blank or comment line when cmd.line stays 0.
std::string parseLine(const std::string& line, Command& cmd, bool& isCommand) {
    isCommand = false;
    Cursor c{line};
    if (c.atEnd()) return "";
    long step = 0;
    if (!toLong(c.word(), step) || step < 1) return "expected a step number (1 or more) first";
    cmd.step = step;
    const std::string verb = c.word();
    if (verb == "down" || verb == "move" || verb == "up" || verb == "cancel") {
        cmd.kind = verb == "down"   ? Command::Down
                   : verb == "move" ? Command::Move
                   : verb == "up"   ? Command::Up
                                    : Command::Cancel;
        if (!toFloat(c.word(), cmd.x) || !toFloat(c.word(), cmd.y))
            return "expected two numbers X Y after '" + verb + "'";
    } else if (verb == "press") {
        cmd.kind = Command::Press;
        c.skipSpace();
        if (c.i >= line.size() || line[c.i] != '"') return "expected a quoted label after 'press'";
        size_t close = line.find('"', c.i + 1);
        if (close == std::string::npos) return "unterminated label";
        cmd.text = line.substr(c.i + 1, close - c.i - 1);
        c.i = close + 1;
    } else if (verb == "key") {
        cmd.kind = Command::Key;
        cmd.text = c.word();
        if (cmd.text.empty()) return "expected a key name after 'key'";
        std::transform(cmd.text.begin(), cmd.text.end(), cmd.text.begin(),
                       [](unsigned char ch) { return static_cast<char>(tolower(ch)); });
        if (cmd.text != "escape" && cmd.text != "f11")
            return "unknown key '" + cmd.text + "' (known: escape, f11)";
    } else if (verb == "quit") {
        cmd.kind = Command::Quit;
    } else if (verb.empty()) {
        return "expected a command after the step number";
    } else {
        return "unknown command '" + verb + "'";
    }
    if (!c.atEnd()) return "unexpected text after the command";
    isCommand = true;
    return "";
}

} // namespace

bool parseScript(const std::string& text, const std::string& name, std::vector<Command>& out,
                 std::string& error) {
    out.clear();
    std::istringstream in(text);
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        Command cmd;
        bool isCommand = false;
        std::string why = parseLine(line, cmd, isCommand);
        if (!why.empty()) {
            error = name + ":" + std::to_string(number) + ": " + why + ": " + line;
            return false;
        }
        if (!isCommand) continue;
        cmd.line = number;
        out.push_back(std::move(cmd));
    }
    std::stable_sort(out.begin(), out.end(),
                     [](const Command& a, const Command& b) { return a.step < b.step; });
    return true;
}

bool loadScript(const std::string& path, std::vector<Command>& out, std::string& error) {
    std::ifstream f(path, std::ios::binary);
    if (!f) {
        error = "cannot read script " + path;
        return false;
    }
    std::stringstream buf;
    buf << f.rdbuf();
    return parseScript(buf.str(), path, out, error);
}

} // namespace shell
