// SPDX-License-Identifier: MIT
// The delegate's online side: the score submission (confirmation, the wait for a position, the
// post), the boards in the in-app web page, and external links. It joins the launch at its
// steps: the four handlers, the web page's controller, then the position source together with
// the navigation bar.
//
// FLINGO_LOCATION=LAT,LNG gives a fixed position when --location is not given.
// FLINGO_HTTP_TIMEOUT=SECONDS shortens how long a page may take (tests use it).
#include "core/evt.h"
#include "core/platform.h"
#include "core/util.h"
#include "game/flingo.h"
#include "online/boards.h"
#include "online/http.h"
#include "online/location.h"
#include "online/submission.h"
#include "shell/analytics.h"
#include "shell/app.h"
#include "shell/delegate_online_views.h"
#include "shell/flingo_app_delegate.h"
#include "shell/main_view.h"
#include "shell/options.h"
#include "shell/timer.h"

#include <SDL.h>
#include <cstdlib>

#ifndef FLINGO_SCORE_SERVER
#define FLINGO_SCORE_SERVER "http://127.0.0.1:8642" // flingo-scores' own default port
#endif

namespace {

using online_ui::WebViewController;

const char* const SUBMIT_MESSAGE = "Would you like to submit your best score for this level to the "
                                   "online high score board?";

class OnlineSide : public location::Delegate, public shell::NavDelegate {
  public:
    FlingoAppDelegate* app = nullptr;
    WebViewController* m_web_view_ctrl = nullptr;
    location::Manager m_location_manager;
    online_ui::SpinnerOverlay m_spinner_view;
    online_ui::NavBar* m_nav_bar = nullptr;
    std::string m_server;
    bool m_web_shown = false;

    // ---- the launch

    void registerHandlers(FlingoAppDelegate& d) {
        app = &d;
        const shell::Options& o = shell::options();
        m_server = o.score_server.empty() ? FLINGO_SCORE_SERVER : o.score_server;
        while (!m_server.empty() && m_server.back() == '/')
            m_server.pop_back();
        if (const char* t = getenv("FLINGO_HTTP_TIMEOUT"); t && atof(t) > 0)
            http::setTimeout(atof(t));
        evt::subscribe("scorePrompt", evt::Callback(this, &OnlineSide::scorePrompt));
        evt::subscribe("showScores", evt::Callback(this, &OnlineSide::showScores));
        evt::subscribe("postScore", evt::Callback(this, &OnlineSide::postScore));
        evt::subscribe("gotoUrl", evt::Callback(this, &OnlineSide::gotoUrl));
        shell::addLoopHook(&OnlineSide::step, this);
    }

    void createWebView(FlingoAppDelegate& d) {
        m_web_view_ctrl = new WebViewController;
        d.m_web_view_ctrl = m_web_view_ctrl;
        // The first page of a process costs tens of milliseconds of font set-up; pay it now
        // rather than in the middle of a slide.
        std::vector<uint8_t> warm;
        m_web_view_ctrl->webView().content.render(warm);
    }

    void createLocation(FlingoAppDelegate& d) {
        const shell::Options& o = shell::options();
        std::string source = o.location;
        if (source.empty())
            if (const char* env = getenv("FLINGO_LOCATION")) source = env;
        m_location_manager.setSource(source);
        m_location_manager.setDelegate(this);
        // The view controllers hear when they come and go through us; the application delegate
        // still runs its own navigation handling.
        d.m_nav_ctrl->setDelegate(this);
        m_nav_bar = new online_ui::NavBar(d.m_nav_ctrl, d.m_view_ctrl->title);
        online_ui::setNavBar(m_nav_bar);
        shell::addOverlay(m_nav_bar);
        shell::addOverlay(&m_spinner_view);
        SDL_AddEventWatch(&OnlineSide::watchEvents, this);
    }

    void release(FlingoAppDelegate&) {
        SDL_DelEventWatch(&OnlineSide::watchEvents, this);
        if (m_web_view_ctrl) m_web_view_ctrl->webView().content.stopLoading();
        m_location_manager.stopUpdatingLocation();
    }

    // ---- navigation

    void willShowViewController(shell::NavController& nav, shell::ViewController* vc,
                                bool animated) override {
        if (vc == m_web_view_ctrl) {
            m_web_view_ctrl->viewWillAppear();
            m_web_shown = true;
        } else if (m_web_shown) {
            m_web_view_ctrl->viewWillDisappear();
            m_web_shown = false;
        }
        app->willShowViewController(nav, vc, animated);
        online_ui::refreshButtons();
    }

    void didShowViewController(shell::NavController& nav, shell::ViewController* vc,
                               bool animated) override {
        app->didShowViewController(nav, vc, animated);
    }

    // Shows the web page with the level's title; false when it cannot come on screen now.
    bool showWebPage(int level) {
        m_web_view_ctrl->title = online::rankora_scoreboard_names[level];
        shell::NavController* nav = app->m_nav_ctrl;
        if (nav->top() == m_web_view_ctrl) {
            // Already on screen (a second submission ending over a board): start afresh in
            // place; the same controller cannot be pushed twice.
            m_web_view_ctrl->viewWillAppear();
            return true;
        }
        nav->push(m_web_view_ctrl, true);
        if (nav->top() != m_web_view_ctrl) {
            platform::log("the score page cannot be shown while the screen changes");
            return false;
        }
        return true;
    }

    void post(const std::string& path, const std::string& body) {
        http::Request req;
        req.url = m_server + path;
        req.method = "POST";
        req.body = body;
        req.content_type = "application/x-www-form-urlencoded";
        m_web_view_ctrl->loadRequest(req);
    }

    static bool validLevel(int level, const char* what) {
        if (level >= 0 && level < online::BOARD_COUNT) return true;
        platform::log("%s: no board for level %d", what, level);
        return false;
    }

    // ---- bus handlers

    void scorePrompt(void*) {
        online_ui::showAlert("Submit Score?", SUBMIT_MESSAGE, {"No", "Yes"}, [](int index) {
            if (index == 1) evt::publish("postScore");
        });
    }

    void postScore(void*) {
        shell::scheduleTimer(1.0, false, [this] { geolocateThenPostScore(); });
    }

    void geolocateThenPostScore() {
        m_spinner_view.start();
        m_location_manager.startUpdatingLocation();
        shell::scheduleTimer(10.0, false, [this] { postScoreAfterDelay(); });
    }

    void postScoreAfterDelay() {
        const int best = fg::getBestScore();
        const int level = fg::getLevel();
        m_spinner_view.stop();
        if (!validLevel(level, "postScore")) {
            m_location_manager.stopUpdatingLocation();
            return;
        }
        app->m_analytics->logEvent(util::formatString("post_score_level_%d", level).c_str());
        double lat = 0, lng = 0; // never a position: sent as 0, 0 with check value 0
        location::Fix fix;
        if (m_location_manager.location(fix)) {
            lat = fix.latitude;
            lng = fix.longitude;
        }
        const std::string body = online::submissionBody(level, best, lat, lng, shell::deviceId());
        if (showWebPage(level)) post("/scores/submitScore", body);
        m_location_manager.stopUpdatingLocation();
    }

    void showScores(void* payload) {
        const int level = evt::payloadInt(payload);
        if (!validLevel(level, "showScores")) return;
        if (showWebPage(level)) post("/users/profile", online::boardBody(level, shell::deviceId()));
    }

    void gotoUrl(void* payload) {
        const char* url = static_cast<const char*>(payload);
        if (!url) return;
        app->m_analytics->logEvent("CLICKED_AD_LINK", {{"url", url}});
        if (shell::options().headless) {
            platform::log("not opening %s in a headless run", url);
            return;
        }
        if (SDL_OpenURL(url) != 0) platform::log("cannot open %s: %s", url, SDL_GetError());
    }

    // ---- the position source

    void didUpdateToLocation(const location::Fix& fix) override {
        if (location::isFresh(fix.timestamp, platform::getTime()))
            m_location_manager.stopUpdatingLocation();
    }

    void didFailWithError(const std::string& error) override {
        m_location_manager.stopUpdatingLocation();
        platform::log("ERROR : %s", error.c_str());
    }

    // ---- every step of the main loop

    static void step(void* user) {
        auto* self = static_cast<OnlineSide*>(user);
        http::poll();
        self->m_location_manager.poll(platform::getTime());
        online_ui::collectAlerts();
        online_ui::refreshButtons();
    }

    static int watchEvents(void* user, SDL_Event* e) {
        auto* self = static_cast<OnlineSide*>(user);
        if (e->type != SDL_MOUSEWHEEL || !self->app || !self->app->m_nav_ctrl) return 0;
        shell::NavController* nav = self->app->m_nav_ctrl;
        if (nav->top() == self->m_web_view_ctrl && !nav->transitioning() &&
            !online_ui::alertShowing()) {
            const float dy =
                e->wheel.preciseY != 0 ? e->wheel.preciseY : static_cast<float>(e->wheel.y);
            self->m_web_view_ctrl->webView().wheel(
                e->wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -dy : dy);
        }
        return 0;
    }
};

// On the heap and never destroyed: timers and subscriptions may still point at it at exit.
OnlineSide* side() {
    static OnlineSide* s = new OnlineSide;
    return s;
}

const bool registered =
    addDelegatePart(LaunchStep::Handlers,
                    [](FlingoAppDelegate& d) { side()->registerHandlers(d); }) &&
    addDelegatePart(LaunchStep::WebView, [](FlingoAppDelegate& d) { side()->createWebView(d); }) &&
    addDelegatePart(LaunchStep::Location,
                    [](FlingoAppDelegate& d) { side()->createLocation(d); }) &&
    addDelegatePart(LaunchStep::Release, [](FlingoAppDelegate& d) { side()->release(d); });

} // namespace
