// SPDX-License-Identifier: MIT
#include "shell/scores_link.h"

#include "core/evt.h"
#include "game/flingo.h"
#include "online/feature.h"
#include "shell/analytics.h"
#include "shell/options.h"

namespace shell::scores_link {
namespace {

online::Host host;
AnalyticsAPI* analytics = nullptr;
const online::Feature* feature = nullptr;

// The feature, started at the first call.
const online::Feature* started() {
    if (!feature) feature = flingo_online_start(&host);
    return feature;
}

void scorePrompt(void*, void*) {
    if (const online::Feature* f = started()) f->scorePrompt();
}

void postScore(void*, void*) {
    if (const online::Feature* f = started()) f->postScore();
}

void showScores(void*, void* payload) {
    if (const online::Feature* f = started()) f->showScores(evt::payloadInt(payload));
}

} // namespace

void start(ui::NavController* nav, const std::string& back_label, AnalyticsAPI* a) {
    analytics = a;
    host.level = &fg::getLevel;
    host.bestScore = &fg::getBestScore;
    host.scoreSubmitted = &fg::scoreSubmitted;
    host.deviceId = &deviceId;
    host.logEvent = [](const char* name) { analytics->logEvent(name); };
    host.nav = nav;
    host.back_label = back_label;
    host.score_server = options().score_server;
    host.location = options().location;
    evt::subscribe("scorePrompt", evt::Callback(&scorePrompt, nullptr));
    evt::subscribe("showScores", evt::Callback(&showScores, nullptr));
    evt::subscribe("postScore", evt::Callback(&postScore, nullptr));
}

void willShow(ui::ViewController* next) {
    if (feature) feature->willShow(next);
}

void step() {
    if (feature) feature->step();
}

void stop() {
    evt::unsubscribe("scorePrompt", evt::Callback(&scorePrompt, nullptr));
    evt::unsubscribe("showScores", evt::Callback(&showScores, nullptr));
    evt::unsubscribe("postScore", evt::Callback(&postScore, nullptr));
    if (feature) feature->stop();
    feature = nullptr;
    analytics = nullptr;
}

} // namespace shell::scores_link
