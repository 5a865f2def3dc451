// SPDX-License-Identifier: MIT
#include "audio/sound_effect.h"

#include "audio/loader.h"
#include "audio/mixer.h"
#include "core/platform.h"

namespace sound {

SoundEffect::SoundEffect(const std::string& path, bool loops, bool streamed)
    : m_loops(loops), m_streamed(streamed), m_path(path) {}

SoundEffect::~SoundEffect() {
    releaseInternalPlayers();
}

void SoundEffect::decodeSoon() {
    if (m_decode_tried || m_streamed || !mixer::isOpen()) return;
    m_decode_tried = true;
    m_job = loader::decode(m_path);
}

Mix_Chunk* SoundEffect::chunk() {
    if (!m_decode_tried) {
        m_decode_tried = true;
        m_chunk = mixer::loadChunk(m_path);
        if (!m_chunk && mixer::isOpen()) mixer::reportUndecodable(m_path, mixer::error());
    }
    if (m_job) {
        std::string why;
        m_chunk = loader::take(*m_job, why);
        m_job.reset();
        if (!m_chunk) mixer::reportUndecodable(m_path, why.c_str());
    }
    return m_chunk;
}

void SoundEffect::setStreamed() {
    if (m_players.empty() && !m_decode_tried) m_streamed = true;
}

void SoundEffect::collect() {
    if (m_job && loader::ready(*m_job)) chunk();
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
    if (p == mixer::MUSIC_PLAYER)
        mixer::playMusic(m_music, m_loops);
    else
        mixer::play(p, chunk(), m_loops);
}

void SoundEffect::prepare() {
    decodeSoon();
    getIdlePlayer();
}

void SoundEffect::releaseInternalPlayers() {
    for (int p : m_players)
        mixer::releaseChannel(p);
    m_players.clear();
    // Only now, with every channel halted, may the shared chunk go (once the loader is done
    // with it).
    if (m_job) {
        std::string why;
        m_chunk = loader::take(*m_job, why);
        m_job.reset();
    }
    mixer::freeChunk(m_chunk);
    m_chunk = nullptr;
    mixer::freeMusic(m_music);
    m_music = nullptr;
    m_decode_tried = false;
}

int SoundEffect::getIdlePlayer() {
    for (int p : m_players)
        if (!isPlaying(p)) return p;
    return spawnOneMorePlayer();
}

int SoundEffect::spawnOneMorePlayer() {
    if (m_streamed) {
        // One track at a time streams through the one music player.
        if (!m_players.empty()) return m_players.front();
        if (!m_music) m_music = mixer::loadMusic(m_path);
        if (!m_music && mixer::isOpen()) mixer::reportUndecodable(m_path, mixer::error());
        const int p = m_music ? mixer::acquireMusic(this) : -1;
        m_players.push_back(p);
        return p;
    }
    // A sound still on its way from the loader gets its channel now; one not asked for ahead is
    // decoded here, and one that does not decode gets a silent slot.
    const int p = (m_job || chunk()) ? mixer::acquireChannel(this) : -1;
    m_players.push_back(p);
    return p;
}

bool SoundEffect::isPlaying(int player) const {
    return mixer::isPlaying(player);
}

std::size_t SoundEffect::decodedBytes() {
    return m_decode_tried && !m_streamed ? mixer::chunkBytes(chunk()) : 0;
}

} // namespace sound
