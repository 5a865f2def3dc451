// SPDX-License-Identifier: MIT
// The application: the delegate that builds the game at launch, and the main loop that turns
// window events, timers and (in headless runs) scripts into the delegate's and views' calls.
#pragma once

#include "shell/options.h"
#include "shell/script.h"
#include "shell/views.h"

#include <vector>

namespace shell {

class AnalyticsAPI;

class BaseAppDelegate {
  public:
    virtual ~BaseAppDelegate() = default;

    // Builds the application: called once by run() before the first step.
    virtual void applicationDidFinishLaunching() = 0;
    // Focus lost and regained: publish onSleep / onWake.
    virtual void applicationWillResignActive();
    virtual void applicationDidBecomeActive();
    // Logs "Warning! Memory is running low!" and publishes onMemoryWarning (nothing on this
    // platform raises it).
    virtual void applicationDidReceiveMemoryWarning();
    // Window closed, SIGTERM, --frames reached or a script's quit: onShutdown, then the
    // analytics object's shutdown.
    virtual void applicationWillTerminate();
    // The back key (Escape).
    virtual void goBack() {}

  protected:
    // Installs the uncaught-exception report when analytics is given, and creates the window
    // (not shown yet). False when no window can be had; the launch should stop then.
    bool initializeApplication(AnalyticsAPI* analytics);
    // Puts the root view in the window and shows it.
    void showWindowWithRootView(View* view);

    bool m_window = false; // the window exists
};

// Runs the application until it terminates; the process's exit status. The delegate is the
// caller's, deleted by it after run() returns.
int run(BaseAppDelegate& delegate, const Options& options, std::vector<Command> script);

// Stops the launch (a view that cannot be made): run() returns 1 after the launch method.
void failLaunch();
// Asks the loop to terminate at the end of the current step.
void requestQuit();

// Called once per main-loop step before the timers (network polling and the like).
void addLoopHook(void (*hook)(void*), void* user);
// The screen must be drawn again at the next step even without a tick.
void setNeedsDisplay();

// Touches and keys as the window and scripts deliver them (points: top-left origin, y down).
void deliverTouch(TouchPhase phase, float x, float y);
// A named key (see input.h) pressed and let go at once.
void deliverKey(const char* name);
// A focus move or press: the overlays first, the top one first, then the root view.
void deliverNav(Nav n);
// The back key: an alert's cancel button, else the delegate's goBack. A touch in progress is
// abandoned first (its remaining moves and release reach no one).
void deliverBack();
bool touchInProgress();
// Where a key or stick flick starts on the root view, when one can.
bool flickAnchor(float& x, float& y);

} // namespace shell
