// SPDX-License-Identifier: MIT
#include "save/scores.h"

#include "core/events.h"
#include "core/evt.h"
#include "core/file.h"
#include "core/platform.h"
#include "save/obfuscator.h"
#include "save/savedata.h"

#include <cstdio>

namespace fg::scores {
namespace {

constexpr int LEVELS = 5;

savedata::Obfuscator* g_score_obfuscator = nullptr;
bool g_release_subscribed = false;

void release(void*, void*) {
    delete g_score_obfuscator;
    g_score_obfuscator = nullptr;
}

struct Key {
    char text[32];
    Key(const char* format, int level) { snprintf(text, sizeof text, format, level); }
};

} // namespace

void init(const savedata::KeyDigest& keyDigest) {
    if (!g_score_obfuscator) {
        file::FileMgr::init();
        g_score_obfuscator = new savedata::Obfuscator("obf.dat", Vector2<int>{256, 64}, &keyDigest);
        // One subscription for the whole run, however often the records are re-created.
        if (!g_release_subscribed) {
            evt::subscribe(events::onShutdown, evt::Callback(&release, nullptr));
            g_release_subscribed = true;
        }
    }
    // Without a key the old scores could not be protected; deleting them would lose them.
    if (!g_score_obfuscator->usable()) return;
    // A record counts once it holds a value: reading a best score leaves an empty group behind,
    // and a start without the key file must not stop the old scores from moving at a later one.
    for (int i = 0; i < LEVELS; ++i)
        if (savedata::keyExists("value", Key("level_%i_best", i).text)) return;
    for (int i = 0; i < LEVELS; ++i) {
        Key old("level_%i", i);
        if (!savedata::keyExists(old.text, "best")) continue;
        saveBest(savedata::read(0, old.text, "best"), i);
        savedata::deleteKey(old.text, "best");
    }
    savedata::save();
}

int readBest(int level) {
    if (!g_score_obfuscator) return 0;
    auto [value, valid] = g_score_obfuscator->read(0, Key("level_%i_best", level).text);
    return valid ? value : 0;
}

void saveBest(int score, int level) {
    if (!g_score_obfuscator) {
        platform::log("Best score %d of level %d not stored: score records not ready.", score,
                      level);
        return;
    }
    g_score_obfuscator->write(score, Key("level_%i_best", level).text);
    savedata::save();
}

int readSubmitted(int level) {
    return savedata::read(0, Key("level_%i", level).text, "submitted");
}

void saveSubmitted(int score, int level) {
    savedata::write(score, Key("level_%i", level).text, "submitted");
    savedata::save();
}

} // namespace fg::scores
