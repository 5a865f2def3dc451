// SPDX-License-Identifier: MIT
#include "shell/flingo_app_delegate.h"

#include "ads/ads.h"
#include "core/events.h"
#include "core/evt.h"
#include "core/platform.h"
#include "core/util.h"
#include "game/flingo.h"
#include "game/focus.h"
#include "game/overlays.h"
#include "shell/analytics.h"
#include "shell/main_view.h"
#include "shell/options.h"
#include "shell/startup.h"
#include "shell/timer.h"
#include "shell/window.h"

#include <ctime>
#include <vector>

namespace {

// The analytics service key of this build.
const char* const ANALYTICS_KEY = "FL1NG0D3SKT0PK3Y2026";
constexpr double OVERLAY_FADE_SECONDS = 1.0;

struct Part {
    LaunchStep step;
    DelegatePart fn;
};

std::vector<Part>& parts() {
    static std::vector<Part> list; // filled by static objects before main
    return list;
}

void runParts(LaunchStep step, FlingoAppDelegate& d) {
    for (const Part& p : parts())
        if (p.step == step) p.fn(d);
}

FlingoAppDelegate* the_delegate = nullptr;
std::vector<fg::Button> game_buttons; // reused between presses

// The game's own buttons, while the game view is on screen and still, in view points.
void listGameButtons(std::vector<shell::Button>& out) {
    const FlingoAppDelegate* d = the_delegate;
    if (!d || !d->m_nav_ctrl || d->m_nav_ctrl->transitioning() ||
        d->m_nav_ctrl->top() != d->m_view_ctrl)
        return;
    fg::screenButtons(game_buttons);
    for (const fg::Button& b : game_buttons)
        out.push_back({b.label, b.x - b.w / 2, shell::SCREEN_HEIGHT - b.y - b.h / 2, b.w, b.h});
}

} // namespace

bool addDelegatePart(LaunchStep step, DelegatePart part) {
    parts().push_back({step, part});
    return true;
}

void FlingoAppDelegate::applicationDidFinishLaunching() {
    const shell::Options& opts = shell::options();
    requestInterstitial();
    // (The phone hid its status bar here; a desktop window has none.)
    m_analytics = opts.analytics_log.empty() ? new shell::AnalyticsAPI
                                             : new shell::LogAnalytics(opts.analytics_log);
    m_analytics->initializeWithId(ANALYTICS_KEY);
    if (!initializeApplication(m_analytics)) return;
    // The start-up image goes up as soon as there is a window, while the sounds and the game
    // load, as the phone shows it while it starts the game. (A missing context shows when the
    // game view is made.)
    m_startup_view = new shell::ImageView("Default.png", 0, 0, 320, 480);
    shell::presentLaunchScreen(m_startup_view);
    m_analytics->logEvent("USER_START", {{"ID", shell::deviceId()}});

    runParts(LaunchStep::Audio, *this);
    runParts(LaunchStep::Handlers, *this);
    evt::subscribe(events::gotoLevel, evt::Callback(this, &FlingoAppDelegate::gotoLevel));
    evt::subscribe(events::getMainView, evt::Callback(this, &FlingoAppDelegate::getMainView));

    m_startup_ctrl = new shell::ViewController{m_startup_view, ""};

    if (opts.no_ads) AdSupplier::setAdsEnabled(false);
    m_view = new MainView;
    if (!m_view->init()) {
        platform::log("cannot start the game: no usable OpenGL ES 1.1 view");
        shell::failLaunch();
        return;
    }
    m_view_ctrl = new shell::ViewController{m_view, "Back"};
    runParts(LaunchStep::WebView, *this);

    m_nav_ctrl = new shell::NavController(m_startup_ctrl);
    m_nav_ctrl->setNavigationBarHidden(true);
    m_nav_ctrl->setDelegate(this);
    the_delegate = this;
    shell::setButtonSource(&listGameButtons);
    runParts(LaunchStep::Location, *this);
    showWindowWithRootView(m_nav_ctrl);

    const time_t now = time(nullptr);
    if (shell::inPromotionWeek(now)) {
        auto* overlay = new shell::ImageView("BestBuyOverlay.png", 0, 0);
        // Its picture is cropped to what shows of it: centred where the full one was.
        const Vector2<float> shift = fg::overlayShift("BestBuyOverlay.png");
        overlay->setCenter(173 + shift.x, 417 - shift.y);
        overlay->setAlpha(0);
        m_startup_view->addSubview(overlay);
        overlay->fadeTo(1, OVERLAY_FADE_SECONDS);
    }
    m_startup_timer =
        shell::scheduleTimer(shell::startupSeconds(now), false, [this] { removeStartupScreen(); });
}

FlingoAppDelegate::~FlingoAppDelegate() {
    shell::setButtonSource(nullptr);
    the_delegate = nullptr;
    runParts(LaunchStep::Release, *this);
    evt::publish(events::releaseBackgroundMusic);
    evt::publish(events::onShutdown);
    shell::invalidateTimer(m_startup_timer);
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
    shell::invalidateTimer(m_startup_timer);
    m_startup_timer = nullptr;
    m_nav_ctrl->push(m_view_ctrl, true);
}

void FlingoAppDelegate::willShowViewController(shell::NavController& nav, shell::ViewController* vc,
                                               bool) {
    if (vc && vc == m_web_view_ctrl) {
        nav.setNavigationBarHidden(false);
        m_view->stopAnimation();
    } else if (vc == m_view_ctrl) {
        nav.setNavigationBarHidden(true);
        m_view->startAnimation();
    }
}

void FlingoAppDelegate::didShowViewController(shell::NavController&, shell::ViewController* vc,
                                              bool) {
    if (!m_activated && vc == m_view_ctrl) {
        fg::activate();
        m_activated = true;
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
