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

namespace e2e {

inline const std::string resources = std::string(FLINGO_BUILD_DIR) + "/resources";

using GameRun = testrun::ScriptedRun;

// Runs the game headless with seed 7; '@' in an argument stands for the run's folder.
inline GameRun runGame(const std::string& data, const std::string& script,
                       const std::vector<std::string>& extra,
                       const std::vector<std::string>& env = {}) {
    return testrun::runScripted({FLINGO_EXE, "--headless", "--seed", "7", "--data-dir", data},
                                script, extra, env);
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

// The device id the game keeps in the data folder.
inline std::string deviceIn(const std::string& dir) {
    std::string id = testrun::readFile(dir + "/device_id");
    return id.erase(id.find_last_not_of(" \n") + 1);
}

} // namespace e2e
