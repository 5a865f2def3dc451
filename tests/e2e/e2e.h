// SPDX-License-Identifier: MIT
// What the whole-game runs share: the game run headless with a script, and data folders made
// and read through the game's own save code.
#pragma once

#include "core/evt.h"
#include "core/platform.h"
#include "game/level_defs.h"
#include "save/savedata.h"
#include "save/scores.h"
#include "support/run.h"

#include <functional>
#include <gtest/gtest.h>
#include <set>
#include <sstream>

namespace e2e {

// A line of the game's trace: a bus event (empty for a console line) with its payload's JSON text
// as written, or a console line's text, unescaped.
struct TraceLine {
    long frame = -1;
    std::string event, payload, log;
};
using Trace = std::vector<TraceLine>;

// The game's trace: {"frame":N,"event":"NAME","payload":JSON} or {"frame":N,"log":"TEXT"}.
inline Trace readTrace(const std::string& path) {
    Trace out;
    std::istringstream in(testrun::readFile(path));
    for (std::string line; std::getline(in, line);) {
        TraceLine t{std::atol(line.c_str() + 9), {}, {}, {}};
        const size_t event = line.find(",\"event\":\""), payload = line.find("\",\"payload\":");
        const size_t log = line.find(",\"log\":\"");
        if (event != std::string::npos && payload != std::string::npos) {
            t.event = line.substr(event + 10, payload - event - 10);
            t.payload = line.substr(payload + 12, line.size() - payload - 13);
        }
        for (size_t i = log + 8; log != std::string::npos && i + 2 < line.size(); ++i) {
            if (line[i] != '\\') {
                t.log += line[i];
            } else if (line[++i] == 'u') {
                t.log += static_cast<char>(std::stoi(line.substr(i + 1, 4), nullptr, 16));
                i += 4;
            } else {
                t.log += line[i] == 'n' ? '\n' : line[i];
            }
        }
        out.push_back(t);
    }
    return out;
}

// The step of the first console line containing part at or after step from (-1: none).
inline long logFrame(const Trace& trace, const std::string& part, long from = 0) {
    for (const TraceLine& t : trace)
        if (t.event.empty() && t.frame >= from && t.log.find(part) != std::string::npos)
            return t.frame;
    return -1;
}

// Lines of the event strictly between two steps.
inline long countBetween(const Trace& trace, const std::string& event, long from, long to) {
    long n = 0;
    for (const TraceLine& t : trace)
        n += t.event == event && t.frame > from && t.frame < to;
    return n;
}

inline const std::string resources = std::string(FLINGO_BUILD_DIR) + "/resources";

// A run of the game with a script (<dir>/s.txt) and a trace (<dir>/t.jsonl) in a folder of its own.
struct GameRun {
    std::string dir;
    testrun::Result result;
    Trace trace;
    std::string path(const std::string& name) const { return dir + "/" + name; }
};

// Runs the game (the built one unless told) headless with seed 7 and the given data folder, from
// the root folder, expecting a clean exit. The env entries go to env before the game: NAME=VALUE
// settings, env's own options, or a command to run the game under. '@' in an argument or an entry
// stands for the run's folder.
inline GameRun runGame(const std::string& data, const std::string& script,
                       const std::vector<std::string>& extra,
                       const std::vector<std::string>& env = {},
                       const std::string& exe = FLINGO_EXE) {
    GameRun r{testrun::tempDir(), {}, {}};
    testrun::writeFile(r.path("s.txt"), script);
    std::vector<std::string> argv = {"/usr/bin/env"};
    argv.insert(argv.end(), env.begin(), env.end());
    argv.insert(argv.end(), {exe, "--headless", "--seed", "7", "--data-dir", data, "--script",
                             r.path("s.txt"), "--trace", r.path("t.jsonl")});
    argv.insert(argv.end(), extra.begin(), extra.end());
    for (std::string& a : argv)
        if (size_t at = a.find('@'); at != std::string::npos) a.replace(at, 1, r.dir + "/");
    r.result = testrun::run(argv, 300, "/");
    r.trace = readTrace(r.path("t.jsonl"));
    EXPECT_EQ(r.result.status, 0) << r.result.stderr_text;
    return r;
}

// Script lines tapping a point given in game space (y up), at step n (down) and n + 1 (up).
inline std::string tap(int n, float x, float y) {
    const std::string p = std::to_string(x) + " " + std::to_string(480 - y) + "\n";
    return std::to_string(n) + " down " + p + std::to_string(n + 1) + " up " + p;
}

using Story = std::vector<std::string>;

// Events of every frame and every sound played, left out of the stories the tests compare, and
// those a test leaves out too.
inline bool noise(const std::string& e, const std::set<std::string>& also = {}) {
    static const std::set<std::string> every = {"onFrame",   "render",       "sizeGl",
                                                "onPtrMove", "preloadSound", "prepareSound"};
    return e.empty() || every.count(e) || also.count(e) ||
           e.find("laySound") != std::string::npos || e.find("Fireworks") != std::string::npos;
}

// The trace lines that pass keep, as "step event payload" or "step console line".
inline Story story(const Trace& trace, const std::function<bool(const TraceLine&)>& keep) {
    Story out;
    for (const TraceLine& t : trace)
        if (keep(t))
            out.push_back(std::to_string(t.frame) + " " +
                          (t.event.empty() ? t.log : t.event + " " + t.payload));
    return out;
}

// Whether two colours differ by at most tol in every channel.
inline bool near(long a, long b, int tol) {
    if (a < 0 || b < 0) return false;
    for (int shift = 0; shift < 24; shift += 8)
        if (std::abs(((a >> shift) & 255) - ((b >> shift) & 255)) > tol) return false;
    return true;
}

// Red pixels (a red label, an active button) in the box [x0, x1) x [y0, y1) of a screenshot.
inline int redPixels(const std::string& shot, int x0, int y0, int x1, int y1) {
    const testrun::Png png = testrun::readPng(shot);
    int n = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            n += near(png.at(x, y), 0xff0000, 90);
    return n;
}

// The level catalogue, filled on first use.
inline const fg::LevelInfo& level(int i) {
    static const bool filled = (fg::initializeData(), true);
    return fg::level_info[filled ? i : 0];
}

// Opens the data folder's save file in this process; close with evt::publish("onShutdown").
inline void useDataFolder(const std::string& dir) {
    platform::setBasePath((resources + "/").c_str());
    platform::setDataPath((dir + "/").c_str());
    savedata::load();
    fg::scores::init();
}

// A data folder with a best score for the first level (signed, unsent), the tutorial already seen.
inline std::string dataWithBest(int best) {
    const std::string dir = testrun::tempDir();
    useDataFolder(dir);
    fg::scores::saveBest(best, 0);
    savedata::write(true, "tutorial_shown");
    savedata::save();
    evt::publish("onShutdown");
    return dir;
}

// The best score (or the one sent to the score server) the data folder holds for a level.
inline int stored(const std::string& dir, int level, bool submitted = false) {
    useDataFolder(dir);
    const int s = submitted ? fg::scores::readSubmitted(level) : fg::scores::readBest(level);
    evt::publish("onShutdown");
    return s;
}

// The device id the game keeps in the data folder.
inline std::string deviceIn(const std::string& dir) {
    std::string id = testrun::readFile(dir + "/device_id");
    return id.erase(id.find_last_not_of(" \n") + 1);
}

} // namespace e2e
