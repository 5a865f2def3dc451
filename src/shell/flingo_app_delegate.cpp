// SPDX-License-Identifier: MIT
#include "shell/flingo_app_delegate.h"

#include "ads/ads.h"
#include "audio/session.h"
#include "core/events.h"
#include "core/evt.h"
#include "core/platform.h"
#include "core/util.h"
#include "game/flingo.h"
#include "game/focus.h"
#include "game/overlays.h"
#include "shell/analytics.h"
#include "shell/input.h"
#include "shell/main_view.h"
#include "shell/options.h"
#include "shell/scores_link.h"
#include "shell/startup.h"
#include "shell/window.h"
#include "ui/controls.h"
#include "ui/timer.h"

#include <SDL.h>
#include <ctime>
#include <vector>

namespace {

// The analytics service key of this build.
const char* const ANALYTICS_KEY = "FL1NG0D3SKT0PK3Y2026";
constexpr double OVERLAY_FADE_SECONDS = 1.0;

FlingoAppDelegate* the_delegate = nullptr;
std::vector<fg::Button> game_buttons; // reused between presses

// The game's own buttons, while the game view is on screen and still, in view points.
void listGameButtons(std::vector<ui::Button>& out) {
    const FlingoAppDelegate* d = the_delegate;
    if (!d || !d->m_nav_ctrl || d->m_nav_ctrl->transitioning() ||
        d->m_nav_ctrl->top() != d->m_view_ctrl)
        return;
    fg::screenButtons(game_buttons);
    for (const fg::Button& b : game_buttons)
        out.push_back({b.label, b.x - b.w / 2, ui::SCREEN_HEIGHT - b.y - b.h / 2, b.w, b.h});
}

// Every step of the main loop: the score feature's transfers, then the alerts and the buttons
// scripts can press.
void stepOverlays(void*) {
    shell::scores_link::step();
    ui::collectAlerts();
    ui::refreshButtons();
}

} // namespace

void FlingoAppDelegate::applicationDidFinishLaunching() {
    const shell::Options& opts = shell::options();

    // The window, with the start-up picture in it as soon as it exists, while the rest loads (as
    // the phone shows it while it starts the game). A missing context shows when the game view
    // is made. (The phone hid its status bar here; a desktop window has none.)
    m_analytics = opts.analytics_log.empty() ? new shell::AnalyticsAPI
                                             : new shell::LogAnalytics(opts.analytics_log);
    m_analytics->initializeWithId(ANALYTICS_KEY);
    if (!initializeApplication(m_analytics)) return;
    m_startup_view = new ui::ImageView("Default.png", 0, 0, 320, 480);
    shell::presentLaunchScreen(m_startup_view);
    m_analytics->logEvent("USER_START", {{"ID", shell::deviceId()}});

    // Sound: the sound manager and its handlers on the bus, before the game that plays them.
    sound::startSession();

    // The game: its view's creation runs the game's whole initialisation (which asks for the
    // banners unless ads are off). The screen stack starts on the start-up picture.
    if (opts.no_ads) AdSupplier::setAdsEnabled(false);
    evt::subscribe(events::gotoLevel, evt::Callback(this, &FlingoAppDelegate::gotoLevel));
    evt::subscribe(events::getMainView, evt::Callback(this, &FlingoAppDelegate::getMainView));
    m_view = new MainView;
    if (!m_view->init()) {
        platform::log("cannot start the game: no usable OpenGL ES 1.1 view");
        shell::failLaunch();
        return;
    }
    m_startup_ctrl = new ui::ViewController{m_startup_view, ""};
    m_view_ctrl = new ui::ViewController{m_view, "Back"};
    m_nav_ctrl = new ui::NavController(m_startup_ctrl);
    m_nav_ctrl->setNavigationBarHidden(true);
    m_nav_ctrl->setDelegate(this);
    the_delegate = this;
    ui::setButtonSource(&listGameButtons);

    // The score feature: it starts at the first board or submission.
    shell::scores_link::start(m_nav_ctrl, m_view_ctrl->title, m_analytics);
    shell::addLoopHook(&stepOverlays, nullptr);

    // Ads: their links, and the start-up interstitial.
    evt::subscribe(events::gotoUrl, evt::Callback(this, &FlingoAppDelegate::gotoUrl));
    requestInterstitial();

    showWindowWithRootView(m_nav_ctrl);
    // The stack starts on the start-up picture, which the launch frame put in the window: drawing
    // it again would only add to the wait for the menu.
    ui::clearNeedsDisplay();
    const time_t now = time(nullptr);
    if (shell::inPromotionWeek(now)) {
        auto* overlay = new ui::ImageView("BestBuyOverlay.png", 0, 0);
        // Its picture is cropped to what shows of it: centred where the full one was.
        const Vector2<float> shift = fg::overlayShift("BestBuyOverlay.png");
        overlay->setCenter(173 + shift.x, 417 - shift.y);
        overlay->setAlpha(0);
        m_startup_view->addSubview(overlay);
        overlay->fadeTo(1, OVERLAY_FADE_SECONDS);
    }
    m_startup_timer =
        ui::scheduleTimer(shell::startupSeconds(now), false, [this] { removeStartupScreen(); });
}

// The launch in reverse: ads, the score feature, sound, then the game's shutdown events and the
// views, the window's analytics last.
FlingoAppDelegate::~FlingoAppDelegate() {
    evt::unsubscribe(events::gotoUrl, evt::Callback(this, &FlingoAppDelegate::gotoUrl));
    shell::scores_link::stop();
    sound::endSession();
    evt::publish(events::releaseBackgroundMusic);
    evt::publish(events::onShutdown);
    evt::unsubscribe(events::gotoLevel, evt::Callback(this, &FlingoAppDelegate::gotoLevel));
    evt::unsubscribe(events::getMainView, evt::Callback(this, &FlingoAppDelegate::getMainView));
    ui::setButtonSource(nullptr);
    the_delegate = nullptr;
    ui::invalidateTimer(m_startup_timer);
    delete m_nav_ctrl;
    delete m_view_ctrl;
    delete m_view;
    delete m_startup_ctrl;
    delete m_startup_view;
    if (shell::analytics_api == m_analytics) shell::analytics_api = nullptr;
    delete m_analytics;
}

void FlingoAppDelegate::gotoLevel(void* payload) {
    m_analytics->logEvent(util::formatString("goto_level_%d", evt::payloadInt(payload)).c_str());
}

void FlingoAppDelegate::getMainView(void* payload) {
    if (payload) *static_cast<void**>(payload) = m_view;
}

void FlingoAppDelegate::removeStartupScreen() {
    ui::invalidateTimer(m_startup_timer);
    m_startup_timer = nullptr;
    m_nav_ctrl->push(m_view_ctrl, true);
}

void FlingoAppDelegate::willShowViewController(ui::NavController& nav, ui::ViewController* vc,
                                               bool) {
    shell::scores_link::willShow(vc);
    if (vc == m_view_ctrl) {
        nav.setNavigationBarHidden(true);
        m_view->startAnimation();
    } else if (vc && vc != m_startup_ctrl) { // a page over the game view
        nav.setNavigationBarHidden(false);
        m_view->stopAnimation();
    }
    ui::refreshButtons();
}

void FlingoAppDelegate::didShowViewController(ui::NavController&, ui::ViewController* vc, bool) {
    if (!m_activated && vc == m_view_ctrl) {
        fg::activate();
        m_activated = true;
        shell::input::openPads();
        // Nothing goes back to the start-up screen: its picture need not stay in memory.
        m_startup_view->unload();
    }
}

void FlingoAppDelegate::goBack() {
    if (!m_nav_ctrl || m_nav_ctrl->transitioning()) return;
    if (m_nav_ctrl->top() == m_startup_ctrl) {
        shell::requestQuit(); // nothing to go back to yet
    } else if (m_nav_ctrl->top() == m_view_ctrl) {
        // From the main menu back means leave: the same way out as closing the window.
        if (!fg::goBack() && fg::getState() == fg::STATE_MENU) shell::requestQuit();
    } else if (m_nav_ctrl->depth() > 2) {
        m_nav_ctrl->pop(true); // a page over the game view
    }
}

void FlingoAppDelegate::requestInterstitial() {
    // No interstitial source exists on the desktop: the request fails at once.
    didFailToReceiveInterstitial();
}

void FlingoAppDelegate::didFailToReceiveInterstitial() {
    // Nothing to do: the start-up timer removes the start-up screen as usual.
}

void FlingoAppDelegate::gotoUrl(void* payload) {
    const char* url = static_cast<const char*>(payload);
    if (!url) return;
    m_analytics->logEvent("CLICKED_AD_LINK", {{"url", url}});
    if (shell::options().headless) {
        platform::log("not opening %s in a headless run", url);
        return;
    }
    if (SDL_OpenURL(url) != 0) platform::log("cannot open %s: %s", url, SDL_GetError());
}
