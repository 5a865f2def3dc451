// SPDX-License-Identifier: MIT
// The delegate's sound side: the sound manager, the effects prepared at launch and the five
// sound handlers, subscribed at the audio step of the launch; the pools and the device are
// given back at the end.
#include "audio/app_sound.h"
#include "audio/sound.h"
#include "shell/flingo_app_delegate.h"

namespace {

const bool launched = addDelegatePart(LaunchStep::Audio, [](FlingoAppDelegate&) {
    // On the heap and never destroyed: its subscriptions must outlive every static object
    // that could still publish at exit.
    static sound::AppSound* app_sound = new sound::AppSound;
    app_sound->setupAudio();
});

// Sound events after this are silent and harmless.
const bool released = addDelegatePart(LaunchStep::Release, [](FlingoAppDelegate&) {
    sound::closeAudio();
});

} // namespace
