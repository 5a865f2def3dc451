// SPDX-License-Identifier: MIT
#include "audio/mixer.h"

#include "audio/mapped_wav.h"
#include "audio/sound_effect.h"
#include "core/platform.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <atomic>
#include <cstdint>
#include <set>
#include <vector>

namespace mixer {
namespace {

constexpr int FREQUENCY = 44100;
constexpr int BUFFER_FRAMES = 512;
constexpr int FIRST_CHANNELS = 16;

bool g_open = false;
bool g_forced_dummy = false;
std::vector<sound::SoundEffect*> g_owners; // by channel; null = free
sound::SoundEffect* g_music_owner = nullptr;
bool g_music_paused = false; // by us: the mixer's own flag does not tell "paused" from "none"

// Finished notifications travel from the mixer to the main thread through this ring. The mixer
// raises them with its audio lock held (from the mixing callback for a natural end, inside
// Mix_HaltChannel and friends otherwise), so there is only ever one writer at a time; the main
// thread is the one reader. A full ring drops the notification: it only re-primes an idle player,
// which the mixer does not need.
constexpr uint32_t RING_SIZE = 256;
int g_ring[RING_SIZE];
std::atomic<uint32_t> g_head{0};
std::atomic<uint32_t> g_tail{0};

void SDLCALL onChannelFinished(int channel) {
    // Audio thread (or inside a halt): no Mix_* calls, no allocation, no locks of our own.
    const uint32_t head = g_head.load(std::memory_order_relaxed);
    if (head - g_tail.load(std::memory_order_acquire) >= RING_SIZE) return;
    g_ring[head % RING_SIZE] = channel;
    g_head.store(head + 1, std::memory_order_release);
}

bool tryOpen(std::string& reason) {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        reason = SDL_GetError();
        return false;
    }
    Mix_Init(MIX_INIT_MP3); // WAV needs nothing; a missing MP3 decoder shows when a track loads
    if (Mix_OpenAudio(FREQUENCY, AUDIO_S16SYS, 2, BUFFER_FRAMES) != 0) {
        reason = Mix_GetError();
        Mix_Quit();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    Mix_AllocateChannels(FIRST_CHANNELS);
    g_owners.assign(FIRST_CHANNELS, nullptr);
    g_head.store(0);
    g_tail.store(0);
    Mix_ChannelFinished(&onChannelFinished);
    g_open = true;
    return true;
}

bool owned(int channel) {
    if (channel == MUSIC_PLAYER) return g_music_owner != nullptr;
    return channel >= 0 && channel < static_cast<int>(g_owners.size()) && g_owners[channel];
}

} // namespace

bool open() {
    if (g_open) return true;
    std::string reason;
    if (tryOpen(reason)) return true;
    platform::log("No usable audio device (%s): the game runs without sound", reason.c_str());
    // Keep the rest of the game unaware: the dummy driver swallows the samples in real time.
    SDL_SetHintWithPriority(SDL_HINT_AUDIODRIVER, "dummy", SDL_HINT_OVERRIDE);
    g_forced_dummy = true;
    std::string again;
    return tryOpen(again);
}

void close() {
    if (!g_open) return;
    // Detach first: halting and closing raise the notification synchronously.
    Mix_ChannelFinished(nullptr);
    Mix_HaltChannel(-1);
    Mix_HaltMusic();
    g_music_owner = nullptr;
    g_music_paused = false;
    Mix_CloseAudio();
    Mix_Quit();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    g_owners.clear();
    g_head.store(0);
    g_tail.store(0);
    g_open = false;
    if (g_forced_dummy) {
        SDL_ResetHint(SDL_HINT_AUDIODRIVER);
        g_forced_dummy = false;
    }
}

bool isOpen() {
    return g_open;
}

const char* driverName() {
    const char* name = g_open ? SDL_GetCurrentAudioDriver() : nullptr;
    return name ? name : "";
}

Mix_Chunk* loadChunk(const std::string& path) {
    if (!g_open) return nullptr;
    if (Mix_Chunk* chunk = mapped_wav::load(path)) return chunk;
    return Mix_LoadWAV(path.c_str());
}

void reportUndecodable(const std::string& path, const char* why) {
    // Named once a run: a pool that is released and prepared again tries the file again, and a
    // track can be asked for both as an effect and as the background.
    static std::set<std::string> reported;
    if (reported.insert(path).second)
        platform::log("sound: cannot decode %s: %s", path.c_str(), why);
}

const char* error() {
    return Mix_GetError();
}

void freeChunk(Mix_Chunk* chunk) {
    if (mapped_wav::isMapped(chunk))
        mapped_wav::release(chunk);
    else if (chunk)
        Mix_FreeChunk(chunk);
}

std::size_t chunkBytes(const Mix_Chunk* chunk) {
    return chunk ? chunk->alen : 0;
}

Mix_Music* loadMusic(const std::string& path) {
    if (!g_open) return nullptr;
    return Mix_LoadMUS(path.c_str());
}

void freeMusic(Mix_Music* music) {
    if (music) Mix_FreeMusic(music);
}

int acquireMusic(sound::SoundEffect* owner) {
    if (!g_open) return -1;
    Mix_HaltMusic();
    g_music_owner = owner;
    g_music_paused = false;
    return MUSIC_PLAYER;
}

bool playMusic(Mix_Music* music, bool loops) {
    if (!g_music_owner || !music) return false;
    g_music_paused = false;
    if (Mix_PlayMusic(music, loops ? -1 : 0) != 0) return false;
    Mix_ResumeMusic();
    return true;
}

int acquireChannel(sound::SoundEffect* owner) {
    if (!g_open) return -1;
    for (size_t i = 0; i < g_owners.size(); ++i) {
        if (!g_owners[i]) {
            g_owners[i] = owner;
            return static_cast<int>(i);
        }
    }
    const int had = static_cast<int>(g_owners.size());
    const int now = Mix_AllocateChannels(had * 2);
    if (now <= had) return -1;
    g_owners.resize(now, nullptr);
    g_owners[had] = owner;
    return had;
}

void releaseChannel(int channel) {
    if (!owned(channel)) return;
    if (channel == MUSIC_PLAYER) {
        g_music_owner = nullptr;
        g_music_paused = false;
        Mix_HaltMusic();
        return;
    }
    g_owners[channel] = nullptr;
    Mix_HaltChannel(channel);
    // Deliver now, while the channel has no owner, so that its notification cannot reach the
    // next pool that takes the channel.
    deliverFinished();
}

int channelCount() {
    return g_open ? static_cast<int>(g_owners.size()) : 0;
}

bool play(int channel, Mix_Chunk* chunk, bool loops) {
    if (!owned(channel) || !chunk) return false;
    // Mix_PlayChannel fails quietly for a channel number it does not have: check what it gives.
    if (Mix_PlayChannel(channel, chunk, loops ? -1 : 0) != channel) return false;
    if (Mix_Paused(channel)) Mix_Resume(channel); // a channel halted while paused stays marked
    return true;
}

void pause(int channel) {
    if (channel == MUSIC_PLAYER) {
        if (isPlaying(channel)) {
            Mix_PauseMusic();
            g_music_paused = true;
        }
    } else if (owned(channel) && Mix_Playing(channel)) {
        Mix_Pause(channel);
    }
}

bool resume(int channel) {
    if (!isPaused(channel)) return false;
    if (channel == MUSIC_PLAYER) {
        g_music_paused = false;
        Mix_ResumeMusic();
    } else {
        Mix_Resume(channel);
    }
    return true;
}

bool isPlaying(int channel) {
    if (channel == MUSIC_PLAYER) return owned(channel) && !g_music_paused && Mix_PlayingMusic();
    return owned(channel) && Mix_Playing(channel) && !Mix_Paused(channel);
}

bool isPaused(int channel) {
    if (channel == MUSIC_PLAYER) return owned(channel) && g_music_paused;
    return owned(channel) && Mix_Playing(channel) && Mix_Paused(channel);
}

void deliverFinished() {
    uint32_t tail = g_tail.load(std::memory_order_relaxed);
    const uint32_t head = g_head.load(std::memory_order_acquire);
    while (tail != head) {
        const int channel = g_ring[tail % RING_SIZE];
        ++tail;
        g_tail.store(tail, std::memory_order_release);
        if (owned(channel)) g_owners[channel]->audioPlayerDidFinishPlaying(channel);
    }
}

} // namespace mixer
