// SPDX-License-Identifier: MIT
// The score feature as the shell sees it: what the shell lends it (Host) and the functions it
// offers in return (Feature), both plain tables, so that the feature can live in a module of its
// own that is opened only when a board or a submission is first asked for.
#pragma once

#include <string>

namespace ui {
class NavController;
struct ViewController;
} // namespace ui

namespace online {

struct Host {
    // The game: the level being played (0 to 4) and its best score; a score the board took.
    int (*level)();
    int (*bestScore)();
    void (*scoreSubmitted)(int level, int score);
    // The platform: this device's player id, and an analytics event without parameters.
    std::string (*deviceId)();
    void (*logEvent)(const char* name);
    // The screen stack the pages are pushed on; the title of the controller under them labels
    // the navigation bar's back button.
    ui::NavController* nav;
    std::string back_label;
    // The command line's score server and position ("" when not given: the environment's, then
    // the build's setting).
    std::string score_server;
    std::string location;
};

struct Feature {
    void (*scorePrompt)();                      // "Submit Score?" and, on yes, postScore
    void (*postScore)();                        // the submission of the level's best score
    void (*showScores)(int level);              // the level's board in the page
    void (*willShow)(ui::ViewController* next); // the screen stack is about to show next
    void (*step)();                             // once every step of the main loop
    void (*stop)();                             // at shutdown: transfers and servers end
};

} // namespace online

// Starts the feature with the host (which must outlive it) and returns its functions; null when
// it cannot start.
extern "C" const online::Feature* flingo_online_start(const online::Host* host);
