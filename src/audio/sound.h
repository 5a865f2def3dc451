// SPDX-License-Identifier: MIT
// The sound manager: serves the sound events of the bus from one player pool per file and loop
// mode, and keeps the one background track.
#pragma once

#include <cstddef>
#include <map>
#include <string>

namespace sound {

class SoundEffect;

class SoundMgr {
  public:
    // Once per process: the file manager, the manager's bus subscriptions and the audio device.
    static void init();
    // Vibration is not available on a desktop.
    static bool vibrationSupported();
};

extern SoundMgr* sound_mgr;
// Effects play only while this is set (enableSound / disableSound).
extern bool sound_enabled;
// Whether the user's own music was playing at start-up; no desktop counterpart, so false.
extern bool iPod_music_is_playing;
extern std::string g_curr_background_music;
// Pools by resolved path + "_LOOPS" or "_DOESNT_LOOP".
extern std::map<std::string, SoundEffect*> g_sounds;

// Finds or creates the pool of a file; null when the file manager cannot resolve the name.
SoundEffect* getSoundEffect(const std::string& name, bool loops);
// Stops, releases and forgets the pool, if there is one.
void releaseSoundEffect(const std::string& name, bool loops);

void playSound(const char* name);
void prepareSound(const char* name);
void releaseSound(const char* name);
void playSoundLoop(const char* name);
void prepareSoundLoop(const char* name);
void releaseSoundLoop(const char* name);
void playBackgroundMusic(const char* name);
void releaseBackgroundMusic();

// Bus handlers (user data unused; payload = file name where there is one).
void playSoundCallback(void* user, void* payload);
void prepareSoundCallback(void* user, void* payload);
void releaseSoundCallback(void* user, void* payload);
void playSoundLoopCallback(void* user, void* payload);
void prepareSoundLoopCallback(void* user, void* payload);
void releaseSoundLoopCallback(void* user, void* payload);
void enableSoundCallback(void* user, void* payload);
void disableSoundCallback(void* user, void* payload);
void playBackgroundMusicCallback(void* user, void* payload);
void releaseBackgroundMusicCallback(void* user, void* payload);

// At exit: releases every pool and the background track, then closes the audio device. Sound
// events after it are harmless and silent.
void closeAudio();
// Bytes of decoded sound held by all pools.
std::size_t decodedBytes();

} // namespace sound
