// SPDX-License-Identifier: MIT
// The delegate's online side: the score submission (confirmation, the wait for a position, the
// post), the boards in the in-app web page, and external links. It joins the launch at its
// steps: the four handlers, the web page's controller, then the position source together with
// the navigation bar.
//
// FLINGO_LOCATION=LAT,LNG gives a fixed position when --location is not given.
// FLINGO_SCORE_SERVER=URL names the score service when --score-server is not given; without
// either, the build's setting, and when that is empty the game serves the boards itself.
// FLINGO_HTTP_TIMEOUT=SECONDS shortens how long a page may take (tests use it).
#include "core/events.h"
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

#include "embed.h"

#include <SDL.h>
#include <cstdio>
#include <cstdlib>
#include <future>

namespace {

using online_ui::WebViewController;

// The boards this machine serves itself when no score server is configured: the reference
// server's store and pages on 127.0.0.1, its database in the data folder. Started on a thread of
// its own at the first board or submission, so neither launch nor a frame waits for the disk.
struct LocalBoards {
    std::future<scores_server::Embedded*> starting;
    scores_server::Embedded* server = nullptr;
    std::string messages; // from the starting thread, logged on the main one

    static scores_server::Embedded* start(const std::string& path, std::string& messages) {
        std::string err;
        if (auto* s = scores_server::startEmbedded(path, &err)) return s;
        // A damaged database is kept for whoever wants to look at it; the boards start afresh.
        const bool damaged = err.find("not a database") != std::string::npos ||
                             err.find("malformed") != std::string::npos;
        messages = "cannot open the local score boards " + path + ": " + err;
        if (!damaged) return nullptr;
        const std::string aside = path + ".unreadable";
        if (std::rename(path.c_str(), aside.c_str()) != 0) return nullptr;
        messages += "; moved aside as " + aside + ", starting new boards";
        auto* s = scores_server::startEmbedded(path, &err);
        if (!s) messages += "; cannot start them either: " + err;
        return s;
    }

    void begin() {
        if (server || starting.valid()) return;
        const std::string path = std::string(platform::getDataPath()) + "scores.db";
        starting = std::async(std::launch::async, [this, path] { return start(path, messages); });
    }

    // True once the start has ended (server null when it failed).
    bool ready() {
        if (!starting.valid()) return server != nullptr;
        if (starting.wait_for(std::chrono::seconds(0)) != std::future_status::ready) return false;
        server = starting.get();
        if (!messages.empty()) platform::log("%s", messages.c_str());
        if (server)
            platform::log("local score boards on 127.0.0.1:%d", scores_server::port(server));
        return true;
    }

    void stop() {
        if (starting.valid()) server = starting.get();
        scores_server::stop(server);
        server = nullptr;
    }
};

const char* const SUBMIT_MESSAGE = "Would you like to submit your best score for this level to the "
                                   "online high score board?";

// The submission whose reply the page is loading: it counts as sent only on a 2xx answer.
struct Sending {
    int level = -1, score = 0;
};

class OnlineSide : public location::Delegate, public shell::NavDelegate {
  public:
    FlingoAppDelegate* app = nullptr;
    WebViewController* m_web_view_ctrl = nullptr;
    location::Manager m_location_manager;
    online_ui::SpinnerOverlay m_spinner_view;
    online_ui::NavBar* m_nav_bar = nullptr;
    std::string m_server;
    bool m_web_shown = false;
    int m_waiting = 0;   // submissions waiting for a position
    LocalBoards m_local; // when m_server is empty
    // A request held until the local boards have started.
    bool m_held = false;
    http::Request m_held_request;
    Sending m_sending;

    // ---- the launch

    void registerHandlers(FlingoAppDelegate& d) {
        app = &d;
        const shell::Options& o = shell::options();
        const char* env = getenv("FLINGO_SCORE_SERVER");
        m_server = !o.score_server.empty() ? o.score_server
                   : env && *env           ? env
                                           : FLINGO_SCORE_SERVER;
        while (!m_server.empty() && m_server.back() == '/')
            m_server.pop_back();
        if (const char* t = getenv("FLINGO_HTTP_TIMEOUT"); t && atof(t) > 0)
            http::setTimeout(atof(t));
        evt::subscribe(events::scorePrompt, evt::Callback(this, &OnlineSide::scorePrompt));
        evt::subscribe(events::showScores, evt::Callback(this, &OnlineSide::showScores));
        evt::subscribe(events::postScore, evt::Callback(this, &OnlineSide::postScore));
        evt::subscribe(events::gotoUrl, evt::Callback(this, &OnlineSide::gotoUrl));
        shell::addLoopHook(&OnlineSide::step, this);
    }

    // The page and its fonts are made at the first board or submission, not at launch: most runs
    // never open one, and the font set-up costs tens of milliseconds.
    WebViewController* webViewController() {
        if (m_web_view_ctrl) return m_web_view_ctrl;
        m_web_view_ctrl = new WebViewController;
        app->m_web_view_ctrl = m_web_view_ctrl;
        m_web_view_ctrl->loadEnded = [this](bool ok, int status, const std::string& detail) {
            loadEnded(ok, status, detail);
        };
        m_web_view_ctrl->failureAcknowledged = [this] { leavePage(); };
        return m_web_view_ctrl;
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
        m_local.stop();
    }

    // ---- navigation

    void willShowViewController(shell::NavController& nav, shell::ViewController* vc,
                                bool animated) override {
        if (vc && vc == m_web_view_ctrl) {
            m_web_view_ctrl->viewWillAppear();
            m_web_shown = true;
        } else if (m_web_shown) {
            m_web_view_ctrl->viewWillDisappear();
            m_web_shown = false;
            if (m_held) { // the player left before the local boards were up
                m_held = false;
                loadEnded(false, web::CANCELLED, "cancelled");
            }
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
        webViewController()->title = online::rankora_scoreboard_names[level];
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

    // Posts to the score server into the page; `sending`: the submission it carries, if any.
    void post(const std::string& path, const std::string& body, Sending sending = {}) {
        m_sending = sending;
        http::Request req;
        req.url = path; // the server goes in front when it is known
        req.method = "POST";
        req.body = body;
        req.content_type = "application/x-www-form-urlencoded";
        if (m_server.empty()) {
            m_local.begin();
            m_held = true;
            m_held_request = req;
            m_web_view_ctrl->didStartLoad();
            sendHeld();
            return;
        }
        req.url = m_server + path;
        m_web_view_ctrl->loadRequest(req);
    }

    // Sends the held request once the local boards are up (or says they cannot be).
    void sendHeld() {
        if (!m_held || !m_local.ready()) return;
        m_held = false;
        if (!m_local.server) {
            m_web_view_ctrl->didFailLoad(-1, "The score boards on this computer cannot be opened.");
            return;
        }
        m_held_request.url =
            "http://127.0.0.1:" + std::to_string(scores_server::port(m_local.server)) +
            m_held_request.url;
        m_web_view_ctrl->loadRequest(m_held_request);
    }

    static bool validLevel(int level, const char* what) {
        if (level >= 0 && level < online::BOARD_COUNT) return true;
        platform::log("%s: no board for level %d", what, level);
        return false;
    }

    // ---- bus handlers

    void scorePrompt(void*) {
        online_ui::showAlert("Submit Score?", SUBMIT_MESSAGE, {"No", "Yes"}, [](int index) {
            if (index == 1) evt::publish(events::postScore);
        });
    }

    void postScore(void*) {
        m_spinner_view.start(); // from "Yes" on, until the page comes up
        shell::scheduleTimer(1.0, false, [this] { geolocateThenPostScore(); });
    }

    // Waits for a position only while a source that answers later is pending, and at most 10 s;
    // a fixed position, or none at all, is known at once.
    void geolocateThenPostScore() {
        ++m_waiting;
        m_location_manager.startUpdatingLocation();
        m_location_manager.poll(platform::getTime());
        if (!m_location_manager.pending()) {
            postWaiting();
            return;
        }
        shell::scheduleTimer(10.0, false, [this] {
            if (m_waiting > 0) {
                --m_waiting;
                postScoreAfterDelay();
            }
        });
    }

    void postWaiting() {
        while (m_waiting > 0) {
            --m_waiting;
            postScoreAfterDelay();
        }
    }

    void postScoreAfterDelay() {
        const int best = fg::getBestScore();
        const int level = fg::getLevel();
        m_spinner_view.stop();
        if (!validLevel(level, events::postScore.name.data())) {
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
        if (showWebPage(level)) post("/scores/submitScore", body, {level, best});
        if (m_waiting == 0) m_location_manager.stopUpdatingLocation();
    }

    void showScores(void* payload) {
        const int level = evt::payloadInt(payload);
        if (!validLevel(level, events::showScores.name.data())) return;
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
        if (!location::isFresh(fix.timestamp, platform::getTime())) return;
        m_location_manager.stopUpdatingLocation();
        postWaiting();
    }

    void didFailWithError(const std::string& error) override {
        m_location_manager.stopUpdatingLocation();
        platform::log("ERROR : %s", error.c_str());
        postWaiting();
    }

    // ---- the end of a page load

    void loadEnded(bool ok, int status, const std::string& detail) {
        const Sending s = m_sending;
        m_sending = {};
        if (s.level < 0) return;
        if (ok && status >= 200 && status <= 299) {
            platform::log("score %d of level %d submitted", s.score, s.level);
            fg::scoreSubmitted(s.level, s.score);
        } else {
            platform::log("score %d of level %d not submitted: %s", s.score, s.level,
                          ok ? ("status " + std::to_string(status)).c_str() : detail.c_str());
        }
    }

    // "Ok" under a failed page: back to where the player was, not a page that never loads.
    void leavePage() {
        shell::NavController* nav = app->m_nav_ctrl;
        if (nav->top() == m_web_view_ctrl) nav->pop(true);
    }

    // ---- every step of the main loop

    static void step(void* user) {
        auto* self = static_cast<OnlineSide*>(user);
        self->sendHeld();
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
    addDelegatePart(LaunchStep::Location,
                    [](FlingoAppDelegate& d) { side()->createLocation(d); }) &&
    addDelegatePart(LaunchStep::Release, [](FlingoAppDelegate& d) { side()->release(d); });

} // namespace
