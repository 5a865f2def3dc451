// SPDX-License-Identifier: MIT
#include "audio/app_sound.h"

#include "audio/sound.h"
#include "core/events.h"
#include "core/evt.h"
#include "core/file.h"
#include "core/platform.h"

#include <unistd.h>

namespace sound {
namespace {

struct Handler {
    events::Event event;
    void (AppSound::*method)(void*);
};
constexpr Handler HANDLERS[] = {
    {events::setSound, &AppSound::setSound},
    {events::pauseSound, &AppSound::pauseSound},
    {events::resumeSound, &AppSound::resumeSound},
    {events::setBackgroundSound, &AppSound::setBackgroundSound},
    {events::flingoPlaySound, &AppSound::flingoPlaySound},
    {events::preloadSound, &AppSound::preloadSound},
};

// The resource folder's "sounds", spelled as the file manager will spell its files, so that the
// effects prepared here are the very pools the game's plays find later.
std::string soundsFolder() {
    std::string dir = std::string(platform::getBasePath()) + "sounds";
    if (dir[0] != '/') {
        char cwd[10000];
        if (getcwd(cwd, sizeof cwd)) dir = std::string(cwd) + "/" + dir;
    }
    return dir;
}

} // namespace

AppSound::~AppSound() {
    if (!m_subscribed) return;
    for (const Handler& h : HANDLERS)
        evt::unsubscribe(h.event, evt::Callback(this, h.method));
}

void AppSound::setupAudio() {
    SoundMgr::init();
    const std::string dir = soundsFolder();
    // No effect is decoded here: the screens ask for theirs (preloadSound) as they open.
    file::file_mgr->addPath(dir);
    if (!m_subscribed)
        for (const Handler& h : HANDLERS)
            evt::subscribe(h.event, evt::Callback(this, h.method));
    m_subscribed = true;
}

void AppSound::releaseBackgroundMusic() {
    evt::publish(events::releaseBackgroundMusic);
}

void AppSound::setSound(void* payload) {
    m_sound_on = evt::payloadBool(payload);
    if (m_sound_on && m_has_background)
        evt::publish(events::playBackgroundMusic, m_background_sound.c_str());
    else
        evt::publish(events::releaseBackgroundMusic);
}

void AppSound::pauseSound(void*) {
    evt::publish(events::releaseBackgroundMusic);
}

void AppSound::resumeSound(void*) {
    if (m_sound_on && m_has_background)
        evt::publish(events::playBackgroundMusic, m_background_sound.c_str());
}

void AppSound::setBackgroundSound(void* payload) {
    const char* name = static_cast<const char*>(payload);
    if (!m_sound_on) {
        // Remembered only: it starts when the player switches sound on.
        m_has_background = name != nullptr;
        m_background_sound = name ? name : "";
        return;
    }
    if (!name) {
        evt::publish(events::releaseBackgroundMusic);
        m_has_background = false;
        m_background_sound.clear();
        return;
    }
    if (m_has_background && m_background_sound == name) return;
    m_background_sound = name;
    m_has_background = true;
    evt::publish(events::playBackgroundMusic, m_background_sound.c_str());
}

void AppSound::flingoPlaySound(void* payload) {
    if (m_sound_on && payload) evt::publish(events::playSound, static_cast<const char*>(payload));
}

void AppSound::preloadSound(void* payload) {
    // With sound off nothing plays, so nothing needs decoding; a later play decodes its own.
    if (m_sound_on && payload)
        evt::publish(events::prepareSound, static_cast<const char*>(payload));
}

} // namespace sound
