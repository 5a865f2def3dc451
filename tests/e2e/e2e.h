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

namespace e2e {

inline const std::string resources = std::string(FLINGO_BUILD_DIR) + "/resources";

// A run of the game with a script (<dir>/s.txt) and a trace (<dir>/t.jsonl) in a folder of its own.
struct GameRun {
    std::string dir;
    testrun::Result result;
    testrun::Trace trace;
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
    r.trace = testrun::readTrace(r.path("t.jsonl"));
    EXPECT_EQ(r.result.status, 0) << r.result.stderr_text;
    return r;
}

// Script lines tapping a point given in game space (y up), at step n (down) and n + 1 (up).
inline std::string tap(int n, float x, float y) {
    const std::string p = std::to_string(x) + " " + std::to_string(480 - y) + "\n";
    return std::to_string(n) + " down " + p + std::to_string(n + 1) + " up " + p;
}

using Story = std::vector<std::string>;
using testrun::TraceLine;

// Events of every frame and every sound played, left out of the stories the tests compare, and
// those a test leaves out too.
inline bool noise(const std::string& e, const std::set<std::string>& also = {}) {
    static const std::set<std::string> every = {"onFrame",   "render",       "sizeGl",
                                                "onPtrMove", "preloadSound", "prepareSound"};
    return e.empty() || every.count(e) || also.count(e) ||
           e.find("laySound") != std::string::npos || e.find("Fireworks") != std::string::npos;
}

// The trace lines that pass keep, as "step event payload" or "step console line".
inline Story story(const testrun::Trace& trace, const std::function<bool(const TraceLine&)>& keep) {
    Story out;
    for (const TraceLine& t : trace)
        if (keep(t))
            out.push_back(std::to_string(t.frame) + " " +
                          (t.event.empty() ? t.log : t.event + " " + t.payload));
    return out;
}

// Red pixels (a red label, an active button) in the box [x0, x1) x [y0, y1) of a screenshot.
inline int redPixels(const std::string& shot, int x0, int y0, int x1, int y1) {
    const testrun::Png png = testrun::readPng(shot);
    int n = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            n += testrun::near(png.at(x, y), 0xff0000, 90);
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

// A data folder with the given best scores (signed, unsent), the tutorial already seen.
inline std::string dataWithBests(const std::vector<int>& bests) {
    const std::string dir = testrun::tempDir();
    useDataFolder(dir);
    for (size_t i = 0; i < bests.size(); ++i)
        fg::scores::saveBest(bests[i], static_cast<int>(i));
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
