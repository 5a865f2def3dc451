// SPDX-License-Identifier: MIT
#include "audio/sound_effect.h"

#include "audio/mixer.h"

namespace sound {

SoundEffect::SoundEffect(const std::string& path, bool loops) : m_loops(loops), m_path(path) {}

SoundEffect::~SoundEffect() {
    releaseInternalPlayers();
}

void SoundEffect::stop() {
    for (int p : m_players)
        mixer::pause(p);
}

void SoundEffect::audioPlayerDidFinishPlaying(int) {
    // The decoded chunk stays with the pool, so the player is ready to start again at once.
    ++m_finished;
}

void SoundEffect::play() {
    const int p = getIdlePlayer();
    if (mixer::resume(p)) return;
    mixer::play(p, m_chunk, m_loops);
}

void SoundEffect::prepare() {
    getIdlePlayer();
}

void SoundEffect::releaseInternalPlayers() {
    for (int p : m_players)
        mixer::releaseChannel(p);
    m_players.clear();
    // Only now, with every channel halted, may the shared chunk go.
    mixer::freeChunk(m_chunk);
    m_chunk = nullptr;
    m_decode_tried = false;
}

int SoundEffect::getIdlePlayer() {
    for (int p : m_players)
        if (!isPlaying(p)) return p;
    return spawnOneMorePlayer();
}

int SoundEffect::spawnOneMorePlayer() {
    if (!m_decode_tried) {
        m_decode_tried = true;
        m_chunk = mixer::loadChunk(m_path);
    }
    const int p = m_chunk ? mixer::acquireChannel(this) : -1;
    m_players.push_back(p);
    return p;
}

bool SoundEffect::isPlaying(int player) const {
    return mixer::isPlaying(player);
}

std::size_t SoundEffect::decodedBytes() const {
    return mixer::chunkBytes(m_chunk);
}

} // namespace sound
