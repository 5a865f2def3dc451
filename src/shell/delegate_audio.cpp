// SPDX-License-Identifier: MIT
// The delegate's sound side: the sound manager, the effects prepared at launch and the five
// sound handlers, subscribed at the audio step of the launch; the pools and the device are
// given back at the end. While the window is out of focus every sound holds where it is.
#include "audio/app_sound.h"
#include "audio/mixer.h"
#include "audio/sound.h"
#include "core/events.h"
#include "core/evt.h"
#include "core/platform.h"
#include "shell/flingo_app_delegate.h"

#include <SDL_mixer.h>
#include <dlfcn.h>
#include <vector>

namespace {

// ALSA's library prints its own complaints (eight lines when there is no sound card) before
// the game's one message says the same. Its handler is set in the copy SDL will load.
extern "C" void quietAlsa(const char*, int, const char*, int, const char*, ...) {}

void silenceAlsa() {
    void* lib = dlopen("libasound.so.2", RTLD_NOW | RTLD_GLOBAL); // kept: SDL uses it later
    if (!lib) return;
    using Handler = void (*)(const char*, int, const char*, int, const char*, ...);
    using SetHandler = int (*)(Handler);
    if (auto set = reinterpret_cast<SetHandler>(dlsym(lib, "snd_lib_error_set_handler")))
        set(&quietAlsa);
}

std::vector<int> held_channels; // the channels the focus loss paused
bool held_music = false;

// What the mixer itself says is paused: the channels and the music.
int pausedNow() {
    return Mix_Paused(-1) + (Mix_PlayingMusic() && Mix_PausedMusic() ? 1 : 0);
}

void onSleep(void*, void*) {
    if (!mixer::isOpen() || !held_channels.empty() || held_music) return;
    for (int c = 0; c < Mix_AllocateChannels(-1); ++c)
        if (Mix_Playing(c) && !Mix_Paused(c)) {
            Mix_Pause(c);
            held_channels.push_back(c);
        }
    if (Mix_PlayingMusic() && !Mix_PausedMusic()) {
        Mix_PauseMusic();
        held_music = true;
    }
    platform::log("focus lost: %d sounds paused", pausedNow());
}

void onWake(void*, void*) {
    if (!mixer::isOpen()) return;
    for (int c : held_channels)
        if (Mix_Paused(c)) Mix_Resume(c);
    held_channels.clear();
    if (held_music) Mix_ResumeMusic();
    held_music = false;
    platform::log("focus regained: %d sounds paused", pausedNow());
}

const bool launched = addDelegatePart(LaunchStep::Audio, [](FlingoAppDelegate&) {
    silenceAlsa();
    // On the heap and never destroyed: its subscriptions must outlive every static object
    // that could still publish at exit.
    static sound::AppSound* app_sound = new sound::AppSound;
    app_sound->setupAudio();
    held_channels.reserve(64);
    evt::subscribe(events::onSleep, evt::Callback(&onSleep, nullptr));
    evt::subscribe(events::onWake, evt::Callback(&onWake, nullptr));
});

// Sound events after this are silent and harmless.
const bool released = addDelegatePart(LaunchStep::Release, [](FlingoAppDelegate&) {
    evt::unsubscribe(events::onSleep, evt::Callback(&onSleep, nullptr));
    evt::unsubscribe(events::onWake, evt::Callback(&onWake, nullptr));
    sound::closeAudio();
});

} // namespace
