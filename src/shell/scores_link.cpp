// SPDX-License-Identifier: MIT
#include "shell/scores_link.h"

#include "core/events.h"
#include "core/evt.h"
#include "core/platform.h"
#include "game/flingo.h"
#include "online/feature.h"
#include "shell/analytics.h"
#include "shell/options.h"
#include "ui/controls.h"

#include <cstdlib>
#include <dlfcn.h>
#include <string>
#include <unistd.h>

// The score feature is the module flingo_online.so: beside the game in the build tree, in the
// game's library folder once installed; FLINGO_ONLINE_MODULE=PATH names another (tests use it).
namespace shell::scores_link {
namespace {

const char* const UNAVAILABLE = "Online scores are not available in this build.";

online::Host host;
AnalyticsAPI* analytics = nullptr;
const online::Feature* feature = nullptr;
bool tried = false; // the module was looked for (once a run)

std::string exists(const std::string& path) {
    return access(path.c_str(), F_OK) == 0 ? path : "";
}

// Where the module is: the environment's, else beside the program, else in its library folder.
std::string modulePath() {
    if (const char* p = getenv("FLINGO_ONLINE_MODULE")) return p;
    char exe[4096];
    const ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n <= 0) return "flingo_online.so";
    const std::string self(exe, static_cast<size_t>(n));
    const std::string dir = self.substr(0, self.rfind('/') + 1);
    const std::string beside = exists(dir + "flingo_online.so");
    return !beside.empty() ? beside : dir + FLINGO_MODULE_DIR "/flingo_online.so";
}

// The feature, its module opened and started at the first call; null (said once on the console)
// when it cannot be.
const online::Feature* started() {
    if (feature || tried) return feature;
    tried = true;
    const std::string path = modulePath();
    // Kept open to the end of the process: the libraries it brings keep state of their own.
    void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    using Start = const online::Feature* (*)(const online::Host*);
    Start start = module ? reinterpret_cast<Start>(dlsym(module, "flingo_online_start")) : nullptr;
    if (!start) {
        platform::log("online scores unavailable: cannot load %s: %s", path.c_str(),
                      module ? "no flingo_online_start in it" : dlerror());
        return nullptr;
    }
    feature = start(&host);
    if (!feature) platform::log("online scores unavailable: %s did not start", path.c_str());
    return feature;
}

void unavailable() {
    ui::showAlert("Online Scores", UNAVAILABLE, {"Ok"});
}

void scorePrompt(void*, void*) {
    if (const online::Feature* f = started())
        f->scorePrompt();
    else
        unavailable();
}

// Only after a prompt, which has said it already when the feature is missing.
void postScore(void*, void*) {
    if (const online::Feature* f = started()) f->postScore();
}

void showScores(void*, void* payload) {
    if (const online::Feature* f = started())
        f->showScores(evt::payloadInt(payload));
    else
        unavailable();
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
    evt::subscribe(events::scorePrompt, evt::Callback(&scorePrompt, nullptr));
    evt::subscribe(events::showScores, evt::Callback(&showScores, nullptr));
    evt::subscribe(events::postScore, evt::Callback(&postScore, nullptr));
}

void willShow(ui::ViewController* next) {
    if (feature) feature->willShow(next);
}

void step() {
    if (feature) feature->step();
}

void stop() {
    evt::unsubscribe(events::scorePrompt, evt::Callback(&scorePrompt, nullptr));
    evt::unsubscribe(events::showScores, evt::Callback(&showScores, nullptr));
    evt::unsubscribe(events::postScore, evt::Callback(&postScore, nullptr));
    if (feature) feature->stop();
    feature = nullptr;
    tried = false;
    analytics = nullptr;
}

} // namespace shell::scores_link
