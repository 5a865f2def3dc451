// SPDX-License-Identifier: MIT
// Every event of the bus, declared once: a constant per event, spelled as its name on the bus,
// with the kind of its payload word beside it. Publishers and subscribers use the constants
// (evt::publish(events::gotoLevel, 2)); the headless trace decodes payloads from this table.
// To follow an action, grep for its constant.
#pragma once

#include <string_view>

namespace events {

// What a payload word holds, as the trace writes it.
enum class Payload {
    None,        // nothing, or nothing the trace shows (written as null)
    Int,         // an int in the word itself
    Bool,        // a bool in the word itself
    String,      // a const char*, or null
    Point,       // a const Vector2<float>* in screen points, or null
    Seconds,     // a const double*, or null
    OptionalInt, // a const int*, or null
};

struct Event {
    std::string_view name;
    Payload payload;
    constexpr operator std::string_view() const { return name; }
};

// X(name, payload)
#define FLINGO_EVENTS(X)                                                                           \
    /* The frame loop and the window, to everyone. */                                              \
    X(onFrame, Seconds) /* a tick: the seconds since the last one */                               \
    X(render, None)     /* draw the game's picture */                                              \
    X(onPtrDown, Point) /* the touch (or its stand-in from the keys) */                            \
    X(onPtrMove, Point)                                                                            \
    X(onPtrUp, Point)                                                                              \
    X(onNav, None)   /* a navigation key, an int not traced */                                     \
    X(onSleep, None) /* focus lost */                                                              \
    X(onWake, None)  /* focus back */                                                              \
    X(onMemoryWarning, None)                                                                       \
    X(onShutdown, None)  /* the last event: free what you hold */                                  \
    X(getMainView, None) /* asks for the main view; the payload points at the answer */            \
    /* The game's screens. */                                                                      \
    X(sizeGl, OptionalInt) /* set the projection again (the int, when given: extra height)*/       \
    X(gotoLevel, Int)      /* the level index */                                                   \
    X(gotoScores, None)                                                                            \
    X(gotoMenu, None)                                                                              \
    X(showScores, Int)   /* a level's online board */                                              \
    X(setSound, Bool)    /* the sound setting */                                                   \
    X(setBest, Int)      /* the best score shown */                                                \
    X(scorePrompt, None) /* offer to send the new best */                                          \
    X(postScore, None)                                                                             \
    X(gotoUrl, String)                                                                             \
    X(registerAds, None)                                                                           \
    X(onTutorialShown, None)                                                                       \
    X(onLevelUnlocked, None)                                                                       \
    X(startFireworks, None)                                                                        \
    X(updateFireworks, Seconds)                                                                    \
    X(drawFireworks, None)                                                                         \
    X(stopFireworks, None)                                                                         \
    /* Sound: the game asks the application's sound, which drives the mixer. */                    \
    X(flingoPlaySound, String) /* an effect's file name */                                         \
    X(preloadSound, String)                                                                        \
    X(setBackgroundSound, String) /* a music file name */                                          \
    X(pauseSound, None)                                                                            \
    X(resumeSound, None)                                                                           \
    X(playSound, String)                                                                           \
    X(prepareSound, String)                                                                        \
    X(releaseSound, String)                                                                        \
    X(playSoundLoop, String)                                                                       \
    X(prepareSoundLoop, String)                                                                    \
    X(releaseSoundLoop, String)                                                                    \
    X(enableSound, None)                                                                           \
    X(disableSound, None)                                                                          \
    X(playBackgroundMusic, String)                                                                 \
    X(releaseBackgroundMusic, None)

#define FLINGO_EVENT_CONSTANT(name, kind) inline constexpr Event name{#name, Payload::kind};
FLINGO_EVENTS(FLINGO_EVENT_CONSTANT)
#undef FLINGO_EVENT_CONSTANT

#define FLINGO_EVENT_ENTRY(name, kind) name,
inline constexpr Event all[] = {FLINGO_EVENTS(FLINGO_EVENT_ENTRY)};
#undef FLINGO_EVENT_ENTRY

// The payload kind of an event name; None for a name not in the table.
constexpr Payload payloadOf(std::string_view name) {
    for (const Event& e : all)
        if (e.name == name) return e.payload;
    return Payload::None;
}

} // namespace events
