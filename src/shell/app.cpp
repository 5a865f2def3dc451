// SPDX-License-Identifier: MIT
#include "shell/app.h"

#include "core/clock.h"
#include "core/events.h"
#include "core/evt.h"
#include "core/platform.h"
#include "shell/analytics.h"
#include "shell/gl_view.h"
#include "shell/input.h"
#include "shell/trace.h"
#include "shell/window.h"
#include "ui/timer.h"

#include <SDL.h>
#include <algorithm>
#include <csignal>
#include <ctime>

namespace shell {

using namespace ui;

namespace {

constexpr int64_t STEP_NS = 20'000'000; // 0.02 s: the headless step, and the idle redraw rate

BaseAppDelegate* app = nullptr;
View* root_view = nullptr;
bool launch_failed = false;
bool quit_requested = false;
volatile sig_atomic_t terminate_signal = 0;

struct Hook {
    void (*fn)(void*);
    void* user;
};
std::vector<Hook> hooks;

// The one touch: a pressed mouse button or the first finger down.
bool touching = false;
SDL_FingerID finger = 0;
bool finger_touch = false;
bool abandoned = false; // the back key took the touch away: ignore the rest of it
float last_x = 0, last_y = 0;
bool active = true; // the application starts active; focus changes toggle it

void onSignal(int) {
    terminate_signal = 1;
}

void cancelTouch() {
    if (touching) deliverTouch(TouchPhase::Cancelled, last_x, last_y);
}

// Focus changes sleep and wake the game; exposure redraws.
void handleWindowEvent(const SDL_WindowEvent& w) {
    switch (w.event) {
    case SDL_WINDOWEVENT_FOCUS_LOST:
        cancelTouch();
        if (active) {
            active = false;
            app->applicationWillResignActive();
        }
        break;
    case SDL_WINDOWEVENT_FOCUS_GAINED:
        if (!active) {
            active = true;
            app->applicationDidBecomeActive();
        }
        break;
    case SDL_WINDOWEVENT_EXPOSED:
        if (!drawnByLaunch(w.timestamp)) setNeedsDisplay();
        break;
    case SDL_WINDOWEVENT_SIZE_CHANGED:
        setNeedsDisplay();
        break;
    default:
        break;
    }
}

// The left button is the finger; mouse events that SDL makes from touches are left out.
void handleMouse(const SDL_Event& e) {
    float x = 0, y = 0;
    switch (e.type) {
    case SDL_MOUSEBUTTONDOWN:
        if (e.button.which == SDL_TOUCH_MOUSEID || e.button.button != SDL_BUTTON_LEFT) break;
        input::pointerUsed();
        if (touching) break;
        abandoned = false;
        if (windowToScreen(static_cast<float>(e.button.x), static_cast<float>(e.button.y), x, y,
                           false))
            deliverTouch(TouchPhase::Began, x, y);
        break;
    case SDL_MOUSEMOTION:
        if (e.motion.which != SDL_TOUCH_MOUSEID) input::pointerUsed();
        if (e.motion.which == SDL_TOUCH_MOUSEID || !touching || finger_touch) break;
        windowToScreen(static_cast<float>(e.motion.x), static_cast<float>(e.motion.y), x, y, true);
        deliverTouch(TouchPhase::Moved, x, y);
        break;
    case SDL_MOUSEBUTTONUP:
        if (e.button.which == SDL_TOUCH_MOUSEID || e.button.button != SDL_BUTTON_LEFT ||
            !touching || finger_touch)
            break;
        windowToScreen(static_cast<float>(e.button.x), static_cast<float>(e.button.y), x, y, true);
        deliverTouch(TouchPhase::Ended, x, y);
        break;
    default:
        break;
    }
}

// The first finger down is the touch; the others are ignored until it lifts.
void handleFinger(Uint32 type, const SDL_TouchFingerEvent& f) {
    int ww = 0, wh = 0;
    windowSize(ww, wh);
    const float wx = f.x * static_cast<float>(ww);
    const float wy = f.y * static_cast<float>(wh);
    float x = 0, y = 0;
    if (type == SDL_FINGERDOWN) {
        input::pointerUsed();
        if (touching || !windowToScreen(wx, wy, x, y, false)) return;
        abandoned = false;
        deliverTouch(TouchPhase::Began, x, y);
        finger_touch = true;
        finger = f.fingerId;
    } else if (touching && finger_touch && f.fingerId == finger) {
        windowToScreen(wx, wy, x, y, true);
        deliverTouch(type == SDL_FINGERUP ? TouchPhase::Ended : TouchPhase::Moved, x, y);
    }
}

void handleEvent(const SDL_Event& e) {
    switch (e.type) {
    case SDL_QUIT:
        requestQuit();
        break;
    case SDL_WINDOWEVENT:
        handleWindowEvent(e.window);
        break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEMOTION:
    case SDL_MOUSEBUTTONUP:
        handleMouse(e);
        break;
    case SDL_FINGERDOWN:
    case SDL_FINGERMOTION:
    case SDL_FINGERUP:
        handleFinger(e.type, e.tfinger);
        break;
    case SDL_MOUSEWHEEL:
        deliverWheel(e.wheel.preciseY != 0 ? e.wheel.preciseY : static_cast<float>(e.wheel.y),
                     e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED);
        break;
    default:
        input::handleEvent(e);
        break;
    }
}

void pumpEvents() {
    SDL_Event e;
    while (SDL_PollEvent(&e))
        handleEvent(e);
}

void deliverCommand(const Command& c) {
    std::string error;
    switch (c.kind) {
    case Command::Down:
        input::pointerUsed();
        abandoned = false;
        deliverTouch(TouchPhase::Began, c.x, c.y);
        break;
    case Command::Move:
        deliverTouch(TouchPhase::Moved, c.x, c.y);
        break;
    case Command::Up:
        deliverTouch(TouchPhase::Ended, c.x, c.y);
        break;
    case Command::Cancel:
        deliverTouch(TouchPhase::Cancelled, c.x, c.y);
        break;
    case Command::Key:
        if (c.x != 2) input::keyDown(c.text, false);
        if (c.x != 1) input::keyUp(c.text);
        break;
    case Command::Pad:
        if (!input::virtualPad(static_cast<int>(c.x), c.text, c.y, error))
            platform::log("script line %d: %s", c.line, error.c_str());
        break;
    case Command::Focus: {
        // Through the queue, as the window system's own notice comes.
        SDL_Event e{};
        e.type = SDL_WINDOWEVENT;
        e.window.event = c.x != 0 ? SDL_WINDOWEVENT_FOCUS_GAINED : SDL_WINDOWEVENT_FOCUS_LOST;
        SDL_PushEvent(&e);
        break;
    }
    case Command::Quit:
        requestQuit();
        break;
    case Command::Press: {
        float cx = 0, cy = 0;
        if (!findButton(c.text, cx, cy)) {
            platform::log("script line %d: no button \"%s\" on screen (on screen: %s)", c.line,
                          c.text.c_str(), buttonLabels().c_str());
            break;
        }
        deliverTouch(TouchPhase::Began, cx, cy);
        deliverTouch(TouchPhase::Ended, cx, cy);
        break;
    }
    }
}

bool overlaysAnimating() {
    return std::any_of(overlays().begin(), overlays().end(),
                       [](const Overlay* o) { return o->animating(); });
}
bool anythingAnimating() {
    return (root_view && root_view->animating()) || overlaysAnimating();
}

// Everything of one step after the input: hooks, timers, transitions, the screen.
void runStep(const std::vector<std::string>& shots, bool force_present) {
    input::step();
    for (const Hook& h : hooks)
        h.fn(h.user);
    fireDueTimers();
    auto* nav = dynamic_cast<NavController*>(root_view);
    if (nav) nav->advance();
    const bool ticked = takeTicked();
    // A slide begun in this step has not moved yet: its first frame is the one on screen.
    const bool moving = root_view && root_view->animating() && !(nav && nav->notMovedYet());
    if (force_present || ticked || needsDisplay() || moving || overlaysAnimating() ||
        !shots.empty()) {
        clearNeedsDisplay();
        present(root_view, shots);
    }
}

std::vector<std::string> shotsFor(long step, const Options& o) {
    std::vector<std::string> shots;
    for (const Screenshot& s : o.screenshots)
        if (s.step == step) shots.push_back(s.path);
    return shots;
}

int runHeadless(const Options& o, const std::vector<Command>& script) {
    size_t next_cmd = 0;
    for (long step = 1;; ++step) {
        setCurrentStep(step);
        clk::setNs(step * STEP_NS);
        pumpEvents();
        while (next_cmd < script.size() && script[next_cmd].step <= step)
            deliverCommand(script[next_cmd++]);
        if (quit_requested || terminate_signal) break;
        // Every step is drawn and flushed: screenshots then always show the current screen.
        runStep(shotsFor(step, o), true);
        if (quit_requested || terminate_signal || (o.frames && step >= o.frames)) break;
    }
    return 0;
}

// Sleeps until the clock reaches deadline, handling window events meanwhile. One of them asking
// for a redraw (the window uncovered, resized) brings the deadline forward to redraw_at.
void waitUntil(int64_t deadline, int64_t redraw_at) {
    for (;;) {
        if (needsDisplay()) deadline = std::min(deadline, redraw_at);
        const int64_t now = clk::nowNs();
        if (now >= deadline || quit_requested || terminate_signal) break;
        const int64_t left = deadline - now;
        SDL_Event e;
        if (left > 3'000'000) {
            // Coarse wait on the event queue, waking a little early.
            if (SDL_WaitEventTimeout(&e, static_cast<int>((left - 2'000'000) / 1'000'000)))
                handleEvent(e);
        } else {
            pumpEvents();
            clk::sleepUntil(deadline); // the last stretch
        }
    }
    pumpEvents();
}

int runWindowed(const Options& o, const std::vector<Command>& script) {
    int64_t last_present = 0;
    size_t next_cmd = 0;
    for (long step = 1;; ++step) {
        setCurrentStep(step);
        // Wake for the next timer, or to redraw something that moves by itself.
        int64_t deadline = nextTimerDue();
        const int64_t now = clk::nowNs();
        if (needsDisplay() || anythingAnimating())
            deadline = std::min(deadline, last_present + STEP_NS);
        if (next_cmd < script.size()) deadline = std::min(deadline, now + STEP_NS);
        deadline = std::min(deadline, now + 100 * STEP_NS); // see signals and closes promptly
        waitUntil(deadline, last_present + STEP_NS);
        const int64_t woke = clk::nowNs();
        while (next_cmd < script.size() && script[next_cmd].step <= step)
            deliverCommand(script[next_cmd++]);
        if (quit_requested || terminate_signal) break;
        const std::vector<std::string> shots = shotsFor(step, o);
        runStep(shots, false);
        last_present = woke;
        if (quit_requested || terminate_signal || (o.frames && step >= o.frames)) break;
    }
    return 0;
}

} // namespace

void BaseAppDelegate::applicationWillResignActive() {
    evt::publish(events::onSleep);
}
void BaseAppDelegate::applicationDidBecomeActive() {
    evt::publish(events::onWake);
}

void BaseAppDelegate::applicationDidReceiveMemoryWarning() {
    platform::log("Warning! Memory is running low!");
    evt::publish(events::onMemoryWarning);
}

void BaseAppDelegate::applicationWillTerminate() {
    evt::publish(events::onShutdown);
    if (analytics_api) analytics_api->shutdown();
}

bool BaseAppDelegate::initializeApplication(AnalyticsAPI* analytics) {
    if (analytics) {
        installUncaughtExceptionHandler();
        analytics_api = analytics;
    }
    const Options& o = options();
    m_window = createWindow(o.headless, o.scale, o.fullscreen);
    if (!m_window) failLaunch();
    return m_window;
}

void BaseAppDelegate::showWindowWithRootView(View* view) {
    root_view = view;
    showWindow();
    setNeedsDisplay();
}

void failLaunch() {
    launch_failed = true;
}
void requestQuit() {
    quit_requested = true;
}
void addLoopHook(void (*hook)(void*), void* user) {
    hooks.push_back({hook, user});
}

void deliverTouch(TouchPhase phase, float x, float y) {
    if (abandoned) {
        if (phase == TouchPhase::Ended || phase == TouchPhase::Cancelled) abandoned = false;
        if (phase != TouchPhase::Began) return;
        abandoned = false;
    }
    last_x = x;
    last_y = y;
    if (phase == TouchPhase::Began) {
        touching = true;
        finger_touch = false;
    } else if (phase == TouchPhase::Ended || phase == TouchPhase::Cancelled) {
        touching = false;
        finger_touch = false;
    }
    // Overlays on top see the touch first.
    const auto& list = overlays();
    for (auto it = list.rbegin(); it != list.rend(); ++it)
        if ((*it)->touch(phase, x, y)) return;
    if (root_view) root_view->touch(phase, x, y);
}

void deliverWheel(float dy, bool flipped) {
    // Nothing scrolls under an alert.
    if (std::any_of(overlays().begin(), overlays().end(),
                    [](const Overlay* o) { return o->modal(); }))
        return;
    if (root_view) root_view->wheel(flipped ? -dy : dy);
}

void deliverKey(const char* name) {
    input::keyDown(name, false);
    input::keyUp(name);
}

void deliverNav(Nav n) {
    const auto& list = overlays();
    for (auto it = list.rbegin(); it != list.rend(); ++it)
        if ((*it)->nav(n)) return;
    if (root_view) root_view->nav(n);
}

void deliverBack() {
    if (touching) {
        touching = false;
        finger_touch = false;
        abandoned = true;
    }
    const auto& list = overlays();
    for (auto it = list.rbegin(); it != list.rend(); ++it)
        if ((*it)->back()) return;
    app->goBack();
}

bool touchInProgress() {
    return touching;
}

bool flickAnchor(float& x, float& y) {
    for (const Overlay* o : overlays())
        if (o->modal()) return false;
    return root_view && root_view->flickAnchor(x, y);
}

int run(BaseAppDelegate& delegate, const Options& o, std::vector<Command> script) {
    app = &delegate;
    setOptions(o);
    // Our own handlers: the loop sees the flag within a step and terminates as on a close.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    SDL_SetHint(SDL_HINT_MOUSE_TOUCH_EVENTS, "0");
    SDL_SetHint(SDL_HINT_TOUCH_MOUSE_EVENTS, "0"); // fingers are handled as fingers
    struct sigaction sa {};
    sa.sa_handler = &onSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);

    setCurrentStep(0);
    if (o.headless)
        clk::setNs(0);
    else
        clk::restartHost();
    input::init(o.headless);
    delegate.applicationDidFinishLaunching();
    if (launch_failed) return 1;
    const int status = o.headless ? runHeadless(o, script) : runWindowed(o, script);
    delegate.applicationWillTerminate();
    return status;
}

} // namespace shell
