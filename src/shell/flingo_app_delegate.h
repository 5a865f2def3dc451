// SPDX-License-Identifier: MIT
// The game's application delegate: builds the window, the views and the game at launch, keeps
// the navigation between the start-up screen, the game view and the web page, and hears the
// bus events that belong to the application.
#pragma once

#include "shell/app.h"
#include "shell/views.h"

class MainView;

namespace shell {
class AnalyticsAPI;
class Timer;
} // namespace shell

class FlingoAppDelegate : public shell::BaseAppDelegate, public shell::NavDelegate {
  public:
    FlingoAppDelegate() = default;
    ~FlingoAppDelegate() override;
    FlingoAppDelegate(const FlingoAppDelegate&) = delete;
    FlingoAppDelegate& operator=(const FlingoAppDelegate&) = delete;

    void applicationDidFinishLaunching() override;
    void goBack() override;

    // Bus handlers.
    void gotoLevel(void* payload);   // int level index: analytics "goto_level_%d"
    void getMainView(void* payload); // pointer to a view-pointer slot: the game view

    void removeStartupScreen();
    void willShowViewController(shell::NavController& nav, shell::ViewController* vc,
                                bool animated) override;
    void didShowViewController(shell::NavController& nav, shell::ViewController* vc,
                               bool animated) override;

    // The start-up interstitial (no interstitial source in this build: the request fails and
    // the start-up screen runs its course).
    void requestInterstitial();
    void didFailToReceiveInterstitial();

    shell::NavController* m_nav_ctrl = nullptr;
    shell::ViewController* m_startup_ctrl = nullptr;
    shell::ImageView* m_startup_view = nullptr;
    shell::Timer* m_startup_timer = nullptr;
    shell::ViewController* m_view_ctrl = nullptr;
    MainView* m_view = nullptr;
    shell::ViewController* m_web_view_ctrl = nullptr; // set by the online part when built in
    bool m_sound_on = false;
    const char* m_background_sound = nullptr;
    shell::AnalyticsAPI* m_analytics = nullptr;
    bool m_activated = false;
};

// Parts of the delegate that live in their own files (the sound side, the online side) join
// the launch and the clean-up here. Each registers from a static object in its own file, so
// the launch runs without them when they are not built in.
enum class LaunchStep {
    Audio,    // sound manager, effects, the five sound handlers
    Handlers, // "scorePrompt", "showScores", "postScore", "gotoUrl" (before the delegate's own)
    WebView,  // the web page's view controller, after the game view's
    Location, // the position source, after the navigation controller
    Release,  // at the end, before "onShutdown" is published by the delegate's destruction
};
using DelegatePart = void (*)(FlingoAppDelegate& delegate);
bool addDelegatePart(LaunchStep step, DelegatePart part);
