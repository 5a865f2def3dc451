// SPDX-License-Identifier: MIT
// A growable pool of players for one sound file, so that one effect can sound several times at
// once. A player is one mixer channel playing the pool's decoded chunk. The file is decoded once:
// on the loader thread from a prepare, or at the first play if nothing prepared it. A streamed
// pool (the background track) has the one music player instead and decodes while it plays.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

struct Mix_Chunk;
typedef struct _Mix_Music Mix_Music;

namespace loader {
struct Job;
}

namespace sound {

class SoundEffect {
  public:
    // The pool starts empty: no player and nothing decoded until the first play or prepare.
    SoundEffect(const std::string& path, bool loops, bool streamed = false);
    ~SoundEffect();
    SoundEffect(const SoundEffect&) = delete;
    SoundEffect& operator=(const SoundEffect&) = delete;

    // Starts decoding on the loader thread, if nothing has started it yet.
    void decodeSoon();
    // Takes the loader's result if it is there, without waiting.
    void collect();
    // Pauses every player; each keeps its position and resumes there at its next play.
    void stop();
    // The mixer says a player came to its end (delivered on the main thread).
    void audioPlayerDidFinishPlaying(int player);
    void play();
    void prepare();
    // Halts and gives back every player, then frees the decoded sound.
    void releaseInternalPlayers();
    // The first player that is not sounding (a paused one counts as idle), else a new one.
    int getIdlePlayer();
    int spawnOneMorePlayer();

    // Players in creation order: mixer channels, -1 for a silent slot (the file did not decode
    // or there is no mixer).
    const std::vector<int>& players() const { return m_players; }
    bool isPlaying(int player) const;
    bool loops() const { return m_loops; }
    bool streamed() const { return m_streamed; }
    // Plays through the music player from now on; only before the pool has a player.
    void setStreamed();
    const std::string& path() const { return m_path; }
    // Waits for a decode under way.
    std::size_t decodedBytes();
    int finishedCount() const { return m_finished; }

  private:
    // The decoded sound, waiting for the loader if it is still at it; null if it did not decode
    // (said once on the console).
    Mix_Chunk* chunk();

    bool m_loops;
    bool m_streamed;
    std::string m_path;
    std::vector<int> m_players;
    Mix_Chunk* m_chunk = nullptr;
    Mix_Music* m_music = nullptr;
    std::shared_ptr<loader::Job> m_job;
    bool m_decode_tried = false;
    int m_finished = 0;
};

} // namespace sound
