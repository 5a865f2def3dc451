// SPDX-License-Identifier: MIT
// The shell's side of the score feature: the host it lends the feature (the game's level and best
// score, the player id, analytics, the screen stack) and the bus events that reach it. The
// feature starts at the first board or submission, not at launch.
#pragma once

#include <string>

namespace ui {
class NavController;
struct ViewController;
} // namespace ui

namespace shell {

class AnalyticsAPI;

namespace scores_link {

// Subscribes "scorePrompt", "showScores" and "postScore". The navigation controller, the back
// label and the analytics object must outlive stop().
void start(ui::NavController* nav, const std::string& back_label, AnalyticsAPI* analytics);
// The screen stack is about to show next (the feature's page comes or goes).
void willShow(ui::ViewController* next);
// Once every step of the main loop.
void step();
// Unsubscribes and stops the feature (its transfers, timers and local boards end).
void stop();

} // namespace scores_link
} // namespace shell
