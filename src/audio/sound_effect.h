// SPDX-License-Identifier: MIT
// A growable pool of players for one sound file, so that one effect can sound several times at
// once. A player is one mixer channel playing the pool's decoded chunk; the pool decodes the file
// once, when its first player is made.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

struct Mix_Chunk;

namespace sound {

class SoundEffect {
  public:
    // The pool starts empty: no player and nothing decoded until the first play or prepare.
    SoundEffect(const std::string& path, bool loops);
    ~SoundEffect();
    SoundEffect(const SoundEffect&) = delete;
    SoundEffect& operator=(const SoundEffect&) = delete;

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
    const std::string& path() const { return m_path; }
    std::size_t decodedBytes() const;
    int finishedCount() const { return m_finished; }

  private:
    bool m_loops;
    std::string m_path;
    std::vector<int> m_players;
    Mix_Chunk* m_chunk = nullptr;
    bool m_decode_tried = false;
    int m_finished = 0;
};

} // namespace sound
