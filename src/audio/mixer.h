// SPDX-License-Identifier: MIT
// The SDL2_mixer back end behind the sound players: the audio device, the mixer channels that
// serve as players, decoded chunks, and the hand-over of the mixer's finished notifications to
// the main thread.
#pragma once

#include <cstddef>
#include <string>

struct Mix_Chunk;
typedef struct _Mix_Music Mix_Music;

namespace sound {
class SoundEffect;
}

namespace mixer {

// Opens the audio device and the mixer (44.1 kHz, 16-bit stereo, 512-frame buffer). Without a
// usable device it says so once on the console and opens the "dummy" driver instead, so that
// the game runs silent; if even that fails the mixer stays closed and every player is silent.
// True when a mixer is open. Later calls return at once.
bool open();
// Halts every channel, detaches the finished notification and closes the mixer and the device.
// The channels' owners must have given them back first.
void close();
bool isOpen();
// The driver in use ("disk", "dummy", "pulseaudio", ...), or "" when closed.
const char* driverName();

// The samples of a WAV or MP3 file in the device's format: a WAV already in that format is mapped
// from the file as it is, anything else is decoded whole. Null when it cannot be decoded (the
// file is named on the console once, with the decoder's reason) or the mixer is closed.
Mix_Chunk* loadChunk(const std::string& path);
// Main thread only: one line naming a sound file that cannot be decoded, the first time.
void reportUndecodable(const std::string& path, const char* why);
void freeChunk(Mix_Chunk* chunk);
// Why the last load on this thread failed.
const char* error();
std::size_t chunkBytes(const Mix_Chunk* chunk);

// A background track, read and decoded bit by bit while it plays instead of whole up front.
// Null when the file cannot be opened as music or the mixer is closed.
Mix_Music* loadMusic(const std::string& path);
void freeMusic(Mix_Music* music);

// The player that streams music: there is one, and one track at a time plays through it. The
// player operations below take it like a channel.
constexpr int MUSIC_PLAYER = -2;
// The music player, now owned by `owner` (whoever had it loses it, and its track is halted).
// -1 when the mixer is closed.
int acquireMusic(sound::SoundEffect* owner);
// Starts `music` on the music player (endless when `loops`); false if it is not owned.
bool playMusic(Mix_Music* music, bool loops);

// A free mixer channel, now owned by `owner`; the mixer gets more channels when all are taken.
// -1 when the mixer is closed.
int acquireChannel(sound::SoundEffect* owner);
// Halts the channel and gives it back. Its pending finished notifications are dropped.
void releaseChannel(int channel);
// Number of channels the mixer has allocated.
int channelCount();

// Player operations on an owned channel or the music player; all are harmless on -1.
bool play(int channel, Mix_Chunk* chunk, bool loops);
void pause(int channel);
// Resumes a paused channel; false if it was not paused mid-play.
bool resume(int channel);
// Sounding now: a paused channel still counts as playing inside the mixer, not here.
bool isPlaying(int channel);
bool isPaused(int channel);

// Delivers the finished notifications that the mixer raised since the last call (on its audio
// thread or inside halt calls) to the channels' owners, on the calling (main) thread.
void deliverFinished();

} // namespace mixer
