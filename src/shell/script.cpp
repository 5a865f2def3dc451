// SPDX-License-Identifier: MIT
#include "shell/script.h"

#include "shell/input.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <sys/stat.h>

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
// press "LABEL"
std::string readLabel(Cursor& c, Command& cmd) {
    const std::string& line = c.s;
    c.skipSpace();
    if (c.i >= line.size() || line[c.i] != '"') return "expected a quoted label after 'press'";
    size_t close = line.find('"', c.i + 1);
    if (close == std::string::npos) return "unterminated label";
    cmd.text = line.substr(c.i + 1, close - c.i - 1);
    c.i = close + 1;
    return "";
}

// key NAME [down|up]
std::string readKey(Cursor& c, Command& cmd) {
    cmd.text = c.word();
    if (cmd.text.empty()) return "expected a key name after 'key'";
    std::transform(cmd.text.begin(), cmd.text.end(), cmd.text.begin(),
                   [](unsigned char ch) { return static_cast<char>(tolower(ch)); });
    if (!input::knownKey(cmd.text))
        return "unknown key '" + cmd.text + "' (known: " + input::KEY_NAMES + ")";
    if (!c.atEnd()) {
        const std::string phase = c.word();
        if (phase != "down" && phase != "up") return "expected 'down' or 'up' after the key";
        cmd.x = phase == "down" ? 1 : 2;
    }
    return "";
}

// pad P attach|detach, pad P BUTTON down|up, pad P AXIS VALUE
std::string readPad(Cursor& c, Command& cmd) {
    long pad = 0;
    if (!toLong(c.word(), pad) || pad < 1 || pad > 4) return "expected a pad number 1 to 4";
    cmd.x = static_cast<float>(pad);
    cmd.text = c.word();
    bool axis = false;
    if (!input::knownPadControl(cmd.text, axis)) return "unknown pad control '" + cmd.text + "'";
    if (axis) {
        if (!toFloat(c.word(), cmd.y) || cmd.y < -1 || cmd.y > 1)
            return "expected a value from -1 to 1 after '" + cmd.text + "'";
    } else if (cmd.text != "attach" && cmd.text != "detach") {
        const std::string phase = c.word();
        if (phase != "down" && phase != "up") return "expected 'down' or 'up' after the button";
        cmd.y = phase == "down" ? 1 : 0;
    }
    return "";
}

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
        if (std::string why = readLabel(c, cmd); !why.empty()) return why;
    } else if (verb == "key") {
        cmd.kind = Command::Key;
        if (std::string why = readKey(c, cmd); !why.empty()) return why;
    } else if (verb == "pad") {
        cmd.kind = Command::Pad;
        if (std::string why = readPad(c, cmd); !why.empty()) return why;
    } else if (verb == "focus") {
        cmd.kind = Command::Focus;
        const std::string state = c.word();
        if (state != "lost" && state != "gained") return "expected 'lost' or 'gained'";
        cmd.x = state == "gained" ? 1 : 0;
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
        if (line.size() > MAX_SCRIPT_LINE) {
            error = name + ":" + std::to_string(number) + ": line longer than " +
                    std::to_string(MAX_SCRIPT_LINE) + " characters";
            return false;
        }
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
    FILE* f = fopen(path.c_str(), "rb");
    struct stat st {};
    if (f && fstat(fileno(f), &st) == 0 && S_ISDIR(st.st_mode)) {
        fclose(f);
        f = nullptr;
        errno = EISDIR;
    }
    if (!f) {
        error = "cannot read script " + path + ": " + strerror(errno);
        return false;
    }
    // Read no more than the limit allows, whatever the file is (a device never ends).
    std::string text(MAX_SCRIPT_BYTES + 1, '\0');
    const size_t got = fread(text.data(), 1, text.size(), f);
    const bool failed = ferror(f) != 0;
    const int err = errno;
    fclose(f);
    if (failed) {
        error = "cannot read script " + path + ": " + strerror(err);
        return false;
    }
    if (got > MAX_SCRIPT_BYTES) {
        error = "script " + path + " is larger than " + std::to_string(MAX_SCRIPT_BYTES) + " bytes";
        return false;
    }
    text.resize(got);
    return parseScript(text, path, out, error);
}

} // namespace shell
