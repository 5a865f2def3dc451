// SPDX-License-Identifier: MIT
#include "audio/sound.h"

#include "audio/loader.h"
#include "audio/mixer.h"
#include "audio/sound_effect.h"
#include "core/events.h"
#include "core/evt.h"
#include "core/file.h"

#include <string_view>

namespace sound {

SoundMgr* sound_mgr = nullptr;
bool sound_enabled = true;
bool iPod_music_is_playing = false;
std::string g_curr_background_music;
std::map<std::string, SoundEffect*> g_sounds;

namespace {

// Name as asked -> pool, one map per loop mode. Resolving a name probes the file system and
// builds path strings; an effect played on every throw must not allocate, so a name resolved
// once goes straight to its pool. The result of a lookup depends on the search folders, so a
// change in their number starts the cache afresh.
std::map<std::string, SoundEffect*, std::less<>> g_by_name[2];
std::size_t g_cache_folders = 0;

SoundEffect* cached(std::string_view name, bool loops) {
    if (file::file_mgr->paths().size() != g_cache_folders) {
        g_by_name[0].clear();
        g_by_name[1].clear();
        g_cache_folders = file::file_mgr->paths().size();
    }
    auto& names = g_by_name[loops ? 1 : 0];
    auto it = names.find(name);
    return it == names.end() ? nullptr : it->second;
}

void forget(SoundEffect* pool) {
    for (auto& names : g_by_name)
        std::erase_if(names, [&](auto& e) { return e.second == pool; });
}

std::string keyOf(const std::string& path, bool loops) {
    return path + (loops ? "_LOOPS" : "_DOESNT_LOOP");
}

// Effects the loader has finished with are taken over here, so that one that did not decode is
// named soon after it was asked for, played or not.
void collectDecoded() {
    for (auto& [key, pool] : g_sounds)
        pool->collect();
}

SoundEffect* find(const char* name, bool loops) {
    if (!name || !sound_mgr) return nullptr;
    mixer::deliverFinished();
    collectDecoded();
    if (SoundEffect* pool = cached(name, loops)) return pool;
    return getSoundEffect(name, loops);
}

} // namespace

void SoundMgr::init() {
    if (sound_mgr) return;
    file::FileMgr::init();
    sound_mgr = new SoundMgr;
    evt::subscribe(events::playSound, evt::Callback(&playSoundCallback, nullptr));
    evt::subscribe(events::prepareSound, evt::Callback(&prepareSoundCallback, nullptr));
    evt::subscribe(events::releaseSound, evt::Callback(&releaseSoundCallback, nullptr));
    evt::subscribe(events::playSoundLoop, evt::Callback(&playSoundLoopCallback, nullptr));
    evt::subscribe(events::prepareSoundLoop, evt::Callback(&prepareSoundLoopCallback, nullptr));
    evt::subscribe(events::releaseSoundLoop, evt::Callback(&releaseSoundLoopCallback, nullptr));
    evt::subscribe(events::enableSound, evt::Callback(&enableSoundCallback, nullptr));
    evt::subscribe(events::disableSound, evt::Callback(&disableSoundCallback, nullptr));
    evt::subscribe(events::playBackgroundMusic,
                   evt::Callback(&playBackgroundMusicCallback, nullptr));
    evt::subscribe(events::releaseBackgroundMusic,
                   evt::Callback(&releaseBackgroundMusicCallback, nullptr));
    // "vibrate" stays unsubscribed: vibrationSupported() is false here.
    // Nothing else plays into our mix on a desktop, so the user's music never takes priority.
    iPod_music_is_playing = false;
    mixer::open();
}

bool SoundMgr::vibrationSupported() {
    return false;
}

SoundEffect* getSoundEffect(const std::string& name, bool loops) {
    if (!sound_mgr) return nullptr;
    mixer::deliverFinished();
    if (SoundEffect* pool = cached(name, loops)) return pool;
    const std::string path = file::file_mgr->getAbsolutePath(name);
    if (path.empty()) return nullptr;
    SoundEffect*& pool = g_sounds[keyOf(path, loops)];
    // An entry once made is kept, even when its file does not decode.
    if (!pool) pool = new SoundEffect(path, loops);
    g_by_name[loops ? 1 : 0].emplace(name, pool);
    return pool;
}

void releaseSoundEffect(const std::string& name, bool loops) {
    if (!sound_mgr) return;
    mixer::deliverFinished();
    const std::string path = file::file_mgr->getAbsolutePath(name);
    std::string key;
    if (!path.empty()) {
        key = keyOf(path, loops);
    } else if (SoundEffect* pool = cached(name, loops)) {
        key = keyOf(pool->path(), loops); // the file went away since; the pool has not
    } else {
        return;
    }
    auto it = g_sounds.find(key);
    if (it == g_sounds.end()) return;
    SoundEffect* pool = it->second;
    g_sounds.erase(it);
    forget(pool);
    pool->releaseInternalPlayers();
    delete pool;
}

void playSound(const char* name) {
    if (!sound_enabled) return;
    if (SoundEffect* pool = find(name, false)) pool->play();
}

void prepareSound(const char* name) {
    if (SoundEffect* pool = find(name, false)) pool->prepare();
}

void releaseSound(const char* name) {
    if (name) releaseSoundEffect(name, false);
}

void playSoundLoop(const char* name) {
    if (!sound_enabled) return;
    if (SoundEffect* pool = find(name, true)) pool->play();
}

void prepareSoundLoop(const char* name) {
    if (SoundEffect* pool = find(name, true)) pool->prepare();
}

void releaseSoundLoop(const char* name) {
    if (name) releaseSoundEffect(name, true);
}

void playBackgroundMusic(const char* name) {
    // The switch of the sound setting is applied by whoever publishes this, not here.
    if (iPod_music_is_playing || !name) return;
    if (g_curr_background_music == name) return;
    if (!g_curr_background_music.empty()) {
        releaseSoundLoop(g_curr_background_music.c_str());
        g_curr_background_music.clear();
    }
    g_curr_background_music = name;
    // Streamed rather than decoded whole: a track is long and only one plays at a time.
    if (SoundEffect* pool = find(name, true)) {
        pool->setStreamed();
        pool->play();
    }
}

void releaseBackgroundMusic() {
    if (!g_curr_background_music.empty()) releaseSoundLoop(g_curr_background_music.c_str());
    g_curr_background_music.clear();
}

void playSoundCallback(void*, void* payload) {
    playSound(static_cast<const char*>(payload));
}
void prepareSoundCallback(void*, void* payload) {
    prepareSound(static_cast<const char*>(payload));
}
void releaseSoundCallback(void*, void* payload) {
    releaseSound(static_cast<const char*>(payload));
}
void playSoundLoopCallback(void*, void* payload) {
    playSoundLoop(static_cast<const char*>(payload));
}
void prepareSoundLoopCallback(void*, void* payload) {
    prepareSoundLoop(static_cast<const char*>(payload));
}
void releaseSoundLoopCallback(void*, void* payload) {
    releaseSoundLoop(static_cast<const char*>(payload));
}
void enableSoundCallback(void*, void*) {
    sound_enabled = true;
}
void disableSoundCallback(void*, void*) {
    sound_enabled = false;
}
void playBackgroundMusicCallback(void*, void* payload) {
    playBackgroundMusic(static_cast<const char*>(payload));
}
void releaseBackgroundMusicCallback(void*, void*) {
    releaseBackgroundMusic();
}

void closeAudio() {
    for (auto& [key, pool] : g_sounds)
        delete pool;
    g_sounds.clear();
    loader::stop();
    g_by_name[0].clear();
    g_by_name[1].clear();
    g_curr_background_music.clear();
    mixer::close();
}

std::size_t decodedBytes() {
    std::size_t total = 0;
    for (auto& [key, pool] : g_sounds)
        total += pool->decodedBytes();
    return total;
}

} // namespace sound
