// The delegate's sound side: the sound manager, the effects prepared at launch and the five
// sound handlers, subscribed at the audio step of the launch.
#include "audio/app_sound.h"
#include "shell/flingo_app_delegate.h"

namespace {

const bool registered = addDelegatePart(LaunchStep::Audio, [](FlingoAppDelegate&) {
    // On the heap and never destroyed: its subscriptions must outlive every static object
    // that could still publish at exit.
    static sound::AppSound* app_sound = new sound::AppSound;
    app_sound->setupAudio();
});

} // namespace
