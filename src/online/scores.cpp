// SPDX-License-Identifier: MIT
// The score feature: the submission (confirmation, the wait for a position, the post) and the
// boards, both shown in the score page, and the boards this machine serves itself when no score
// server is configured.
//
// FLINGO_LOCATION=LAT,LNG gives a fixed position when --location is not given.
// FLINGO_SCORE_SERVER=URL names the score service when --score-server is not given; without
// either, the build's setting, and when that is empty the game serves the boards itself.
// FLINGO_HTTP_TIMEOUT=SECONDS shortens how long a page may take (tests use it).
#include "core/events.h"
#include "core/evt.h"
#include "core/platform.h"
#include "core/util.h"
#include "online/board_page.h"
#include "online/boards.h"
#include "online/feature.h"
#include "online/http.h"
#include "online/location.h"
#include "online/submission.h"
#include "ui/controls.h"
#include "ui/timer.h"

#include "embed.h"

#include <cstdio>
#include <cstdlib>
#include <future>
#include <memory>
#include <vector>

namespace {

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

class Scores : public location::Delegate {
  public:
    explicit Scores(const online::Host& host) : m_host(host) {
        const char* env = getenv("FLINGO_SCORE_SERVER");
        m_server = !host.score_server.empty() ? host.score_server
                   : env && *env              ? env
                                              : FLINGO_SCORE_SERVER;
        while (!m_server.empty() && m_server.back() == '/')
            m_server.pop_back();
        if (const char* t = getenv("FLINGO_HTTP_TIMEOUT"); t && atof(t) > 0)
            http::setTimeout(atof(t));
        std::string source = host.location;
        if (source.empty())
            if (const char* env = getenv("FLINGO_LOCATION")) source = env;
        m_location_manager.setSource(source);
        m_location_manager.setDelegate(this);
        m_nav_bar = std::make_unique<ui::NavBar>(host.nav, host.back_label);
        ui::setNavBar(m_nav_bar.get());
        ui::addOverlay(m_nav_bar.get());
        ui::addOverlay(&m_spinner_view);
    }

    ~Scores() override {
        for (ui::Timer* t : m_timers)
            ui::invalidateTimer(t);
        if (m_page) m_page->stopLoading();
        m_location_manager.stopUpdatingLocation();
        m_local.stop();
        ui::removeOverlay(&m_spinner_view);
        ui::removeOverlay(m_nav_bar.get());
        ui::setNavBar(nullptr);
    }
    Scores(const Scores&) = delete;
    Scores& operator=(const Scores&) = delete;

    // ---- navigation

    void willShow(ui::ViewController* vc) {
        if (vc && vc == m_page.get()) {
            m_page->reset();
            m_page_shown = true;
        } else if (m_page_shown) {
            m_page->reset();
            m_page_shown = false;
            if (m_held) { // the player left before the local boards were up
                m_held = false;
                loadEnded(false, web::CANCELLED, "cancelled");
            }
        }
    }

    // ---- the feature's entries

    void scorePrompt() {
        ui::showAlert("Submit Score?", SUBMIT_MESSAGE, {"No", "Yes"}, [](int index) {
            if (index == 1) evt::publish(events::postScore);
        });
    }

    void postScore() {
        m_spinner_view.start(); // from "Yes" on, until the page comes up
        schedule(1.0, [this] { geolocateThenPostScore(); });
    }

    void showScores(int level) {
        if (!validLevel(level, events::showScores.name.data())) return;
        if (showPage(level)) post("/users/profile", online::boardBody(level, m_host.deviceId()));
    }

    void step() {
        sendHeld();
        http::poll();
        m_location_manager.poll(platform::getTime());
    }

  private:
    // The page and its fonts are made at the first board or submission: the font set-up costs
    // tens of milliseconds.
    online::BoardPage* page() {
        if (m_page) return m_page.get();
        m_page = std::make_unique<online::BoardPage>();
        m_page->loadEnded = [this](bool ok, int status, const std::string& detail) {
            loadEnded(ok, status, detail);
        };
        m_page->failureAcknowledged = [this] { leavePage(); };
        return m_page.get();
    }

    // A one-shot timer on the loop's clock, invalidated if the feature stops first.
    void schedule(double seconds, std::function<void()> fire) {
        auto self = std::make_shared<ui::Timer*>(nullptr);
        *self = ui::scheduleTimer(seconds, false, [this, self, fire = std::move(fire)] {
            std::erase(m_timers, *self);
            fire();
        });
        m_timers.push_back(*self);
    }

    // Shows the page with the level's title; false when it cannot come on screen now.
    bool showPage(int level) {
        page()->title = online::rankora_scoreboard_names[level];
        ui::NavController* nav = m_host.nav;
        if (nav->top() == m_page.get()) {
            // Already on screen (a second submission ending over a board): start afresh in
            // place; the same controller cannot be pushed twice.
            m_page->reset();
            return true;
        }
        nav->push(m_page.get(), true);
        if (nav->top() != m_page.get()) {
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
            m_page->didStartLoad();
            sendHeld();
            return;
        }
        req.url = m_server + path;
        m_page->loadRequest(req);
    }

    // Sends the held request once the local boards are up (or says they cannot be).
    void sendHeld() {
        if (!m_held || !m_local.ready()) return;
        m_held = false;
        if (!m_local.server) {
            m_page->didFailLoad(-1, "The score boards on this computer cannot be opened.");
            return;
        }
        m_held_request.url =
            "http://127.0.0.1:" + std::to_string(scores_server::port(m_local.server)) +
            m_held_request.url;
        m_page->loadRequest(m_held_request);
    }

    static bool validLevel(int level, const char* what) {
        if (level >= 0 && level < online::BOARD_COUNT) return true;
        platform::log("%s: no board for level %d", what, level);
        return false;
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
        schedule(10.0, [this] {
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
        const int best = m_host.bestScore();
        const int level = m_host.level();
        m_spinner_view.stop();
        if (!validLevel(level, events::postScore.name.data())) {
            m_location_manager.stopUpdatingLocation();
            return;
        }
        m_host.logEvent(util::formatString("post_score_level_%d", level).c_str());
        double lat = 0, lng = 0; // never a position: sent as 0, 0 with check value 0
        location::Fix fix;
        if (m_location_manager.location(fix)) {
            lat = fix.latitude;
            lng = fix.longitude;
        }
        const std::string body = online::submissionBody(level, best, lat, lng, m_host.deviceId());
        if (showPage(level)) post("/scores/submitScore", body, {level, best});
        if (m_waiting == 0) m_location_manager.stopUpdatingLocation();
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
            m_host.scoreSubmitted(s.level, s.score);
        } else {
            platform::log("score %d of level %d not submitted: %s", s.score, s.level,
                          ok ? ("status " + std::to_string(status)).c_str() : detail.c_str());
        }
    }

    // "Ok" under a failed page: back to where the player was, not a page that never loads.
    void leavePage() {
        if (m_host.nav->top() == m_page.get()) m_host.nav->pop(true);
    }

    const online::Host& m_host;
    std::unique_ptr<online::BoardPage> m_page;
    location::Manager m_location_manager;
    ui::SpinnerOverlay m_spinner_view;
    std::unique_ptr<ui::NavBar> m_nav_bar;
    std::string m_server;
    bool m_page_shown = false;
    int m_waiting = 0;   // submissions waiting for a position
    LocalBoards m_local; // when m_server is empty
    // A request held until the local boards have started.
    bool m_held = false;
    http::Request m_held_request;
    Sending m_sending;
    std::vector<ui::Timer*> m_timers; // pending
};

Scores* scores = nullptr;

const online::Feature feature = {
    [] { scores->scorePrompt(); },
    [] { scores->postScore(); },
    [](int level) { scores->showScores(level); },
    [](ui::ViewController* next) { scores->willShow(next); },
    [] { scores->step(); },
    [] {
        delete scores;
        scores = nullptr;
    },
};

} // namespace

extern "C" const online::Feature* flingo_online_start(const online::Host* host) {
    if (!scores) scores = new Scores(*host);
    return &feature;
}
