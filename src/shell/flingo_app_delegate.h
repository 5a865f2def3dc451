// SPDX-License-Identifier: MIT
// The game's application delegate: the launch, which starts every layer in turn (the window,
// sound, the game, the score feature, ads), and the shutdown, which ends them in the reverse
// order; the navigation between the start-up screen, the game view and the score page, and the
// bus events that belong to the application.
#pragma once

#include "shell/app.h"
#include "ui/views.h"

class MainView;

namespace shell {
class AnalyticsAPI;
} // namespace shell
namespace ui {
class Timer;
} // namespace ui

class FlingoAppDelegate : public shell::BaseAppDelegate, public ui::NavDelegate {
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
    void willShowViewController(ui::NavController& nav, ui::ViewController* vc,
                                bool animated) override;
    void didShowViewController(ui::NavController& nav, ui::ViewController* vc,
                               bool animated) override;

    // The start-up interstitial (no interstitial source in this build: the request fails and
    // the start-up screen runs its course).
    void requestInterstitial();
    void didFailToReceiveInterstitial();
    // An ad's link (payload: the URL): counted, and opened in the browser in a window.
    void gotoUrl(void* payload);

    ui::NavController* m_nav_ctrl = nullptr;
    ui::ViewController* m_startup_ctrl = nullptr;
    ui::ImageView* m_startup_view = nullptr;
    ui::Timer* m_startup_timer = nullptr;
    ui::ViewController* m_view_ctrl = nullptr;
    MainView* m_view = nullptr;
    shell::AnalyticsAPI* m_analytics = nullptr;
    bool m_activated = false;
};
