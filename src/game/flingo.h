// SPDX-License-Identifier: MIT
// The game controller: owns the main menu, the score menu and the one level object, decides which
// screen is current, slides between them and forwards each frame to the current screen. Start-up
// runs here too. Everything but initialize and activate reaches it through the event bus.
#pragma once

#include "core/vector.h"

class Menu;
class ScoreMenu;
class Level;

namespace fg {

// Screen states.
enum {
    STATE_MENU = 0,           // main menu
    STATE_MENU_TO_SCORES = 1, // sliding left towards the score menu
    STATE_SCORES = 2,         // score menu
    STATE_SCORES_TO_MENU = 3, // sliding right back to the menu
    STATE_MENU_TO_LEVEL = 4,  // sliding left towards the level
    STATE_LEVEL = 5,          // playing
    STATE_LEVEL_TO_MENU = 6,  // sliding right back to the menu
};

// Slide speed in screen points per second.
constexpr double SLIDE_SPEED = 960.0;

// The whole start-up: clock and seed, GL state, subscriptions, menus, save data, catalogue,
// settings, level buttons, the level object, the menu track and registerAds. Needs a current
// GL ES 1.1 context. Always true.
bool initialize();

// Called once by the shell when the game view is first on screen: ads on, main menu active.
void activate();

// The level last entered (-1 before the first) and its stored best score.
int getLevel();
int getBestScore();

// The score service took `score` as the level's best (it answered the submission with success):
// stored as submitted, and the level's Submit button greys when that is still its best. Only a
// submission known to have arrived counts; a failed one leaves Submit as it was.
void scoreSubmitted(int level, int score);

// The back button of the desktop (Escape): from the score menu or a level, return to the menu
// with the click of that screen's own back button. False when the current screen has no way
// back (the menu itself, or a slide under way).
bool goBack();

// Bus handlers (plain functions, null user data), subscribed by initialize in this order.
void sizeGl(void* user, void* payload);
void setBest(void* user, void* payload);
void setSound(void* user, void* payload);
void update(void* user, void* payload);
void render(void* user, void* payload);
void shutdown(void* user, void* payload);
void gotoLevel(void* user, void* payload);
void gotoScores(void* user, void* payload);
void gotoMenu(void* user, void* payload);
void onTutorialShown(void* user, void* payload);

// Read-only views of the controller's state, for the shell's trace and for tests.
int getState();
Vector2<float> getOffset();
int getHighestLevel();
Menu* getMenu();
ScoreMenu* getScoreMenu();
Level* getLevelObject();

} // namespace fg
