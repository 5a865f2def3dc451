// SPDX-License-Identifier: MIT
#include "game/flingo.h"

#include "ads/ads.h"
#include "core/events.h"
#include "core/evt.h"
#include "core/util.h"
#include "game/focus.h"
#include "game/level.h"
#include "game/level_defs.h"
#include "game/menu.h"
#include "game/score_menu.h"
#include "gfx/sprite.h"
#include "gfx/texture.h"
#include "save/legacy.h"
#include "save/savedata.h"
#include "save/scores.h"

#include <GLES/gl.h>
#include <algorithm>
#include <ctime>

namespace fg {
namespace {

const char* const MENU_TRACK = "OfficeNoise.mp3";
const char* const TUTORIAL_IMAGE = "tutorial.png";
// The effects of the menus and of every level, asked for as the screen opens so that they are
// decoded (off the frame loop) before their first play; a level adds its own from its record.
const char* const MENU_EFFECTS[] = {"Crumple.wav", "Computer.wav"};
const char* const LEVEL_EFFECTS[] = {"Crumple.wav",  "RimIn.wav",    "RimOut.wav",
                                     "BounceIn.wav", "In.wav",       "Out.wav",
                                     "Aww.wav",      "Applause.wav", "unlock.wav"};
constexpr float SCREEN_WIDTH = 320.0f;

int state = STATE_MENU;
Vector2<float> offset = {0, 0};
Menu* menu = nullptr;
ScoreMenu* score_menu = nullptr;
Level* level = nullptr;
int current_level = -1;
int highlest_level = 0; // the highest unlocked level index

void setupGl() {
    glCullFace(GL_BACK);
    glPointSize(5.0f);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glEnable(GL_TEXTURE_2D);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisable(GL_CULL_FACE);
    glDisable(GL_DEPTH_TEST);
    glLoadIdentity();
    glViewport(0, 0, 320, 480);
    glShadeModel(GL_FLAT); // one colour a quad (gfx::setColour)
    glClearColor(0.9f, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glVertexPointer(2, GL_FLOAT, 0, quad_verts);
}

void prepareLevelSounds(const LevelInfo& l) {
    for (const char* name : LEVEL_EFFECTS)
        evt::publish(events::preloadSound, name);
    for (const char* const* names : {l.leftSounds, l.rightSounds})
        for (int i = 0; i < 4 && names[i]; ++i)
            evt::publish(events::preloadSound, names[i]);
    if (l.catcherSound) evt::publish(events::preloadSound, l.catcherSound);
}

void subscribeHandlers() {
    evt::subscribe(events::sizeGl, evt::Callback(&fg::sizeGl, nullptr));
    evt::subscribe(events::setBest, evt::Callback(&fg::setBest, nullptr));
    evt::subscribe(events::setSound, evt::Callback(&fg::setSound, nullptr));
    evt::subscribe(events::onFrame, evt::Callback(&fg::update, nullptr));
    evt::subscribe(events::render, evt::Callback(&fg::render, nullptr));
    evt::subscribe(events::onShutdown, evt::Callback(&fg::shutdown, nullptr));
    evt::subscribe(events::gotoLevel, evt::Callback(&fg::gotoLevel, nullptr));
    evt::subscribe(events::gotoScores, evt::Callback(&fg::gotoScores, nullptr));
    evt::subscribe(events::gotoMenu, evt::Callback(&fg::gotoMenu, nullptr));
    evt::subscribe(events::onTutorialShown, evt::Callback(&fg::onTutorialShown, nullptr));
    evt::subscribe(events::onNav, evt::Callback(&fg::onNav, nullptr));
}

// A level's button on the main menu and its row on the score menu.
void showLevel(int i, int best) {
    const LevelInfo& row = level_info[i];
    menu->setMenuButton(i, row.menuButton, row.menuButtonPos, row.menuBestPos);
    highlest_level = std::max(highlest_level, i);
    menu->setBest(i, best);
    score_menu->setLevel(i, row.scoreRowPos, row.scoreRowSize, row.scoreBestPos);
    score_menu->setBest(i, best);
}

// Advances a slide by one frame; true on the frame that reaches or passes its end. The first
// frame of a slide only clears the marker, because its dt measured the step that started the
// slide, not the slide. The overshoot stays in the offset until the next slide sets it anew.
bool slide(double dt, double direction) {
    if (offset.y == -1.0f) {
        offset.y = 0.0f;
        return false;
    }
    offset.x = static_cast<float>(offset.x + dt * (direction * SLIDE_SPEED));
    return direction < 0 ? offset.x <= -SCREEN_WIDTH : offset.x >= 0.0f;
}

// The screens exist from initialize to shutdown; events and frames outside that span do nothing.
bool running() {
    return menu && score_menu && level;
}

void arriveAtMenu() {
    state = STATE_MENU;
    AdSupplier::setAdSuppliers(true, false);
    menu->activate();
}

} // namespace

bool initialize() {
    util::seedrand(static_cast<int>(std::time(nullptr)));
    setupGl();
    sizeGl(nullptr, nullptr);
    subscribeHandlers();

    menu = new Menu();
    score_menu = new ScoreMenu();

    // The legacy import writes into the loaded store, and the score records migrate what it
    // brought; the catalogue is filled only after both.
    savedata::load();
    loadLegacy();
    scores::init();
    initializeData();

    if (!savedata::read(false, "tutorial_shown")) level_info[0].tutorial = TUTORIAL_IMAGE;
    const bool sound = savedata::read(true, "sound");
    evt::publish(events::setSound, sound);

    menu->create(menu_info.background, menu_info.scoresButton,
                 {static_cast<float>(menu_info.scoresButtonPos.x),
                  static_cast<float>(menu_info.scoresButtonPos.y), 0.0f},
                 sound);
    score_menu->create(score_menu_info.background, score_menu_info.backButtonPos,
                       score_menu_info.backButtonSize);

    for (int i = 0; i < LEVEL_COUNT; ++i) {
        // A level is locked while its predecessor's best is under that row's threshold; every
        // level is examined against its own predecessor only.
        if (i > 0 && scores::readBest(i - 1) < level_info[i - 1].unlockScore) continue;
        showLevel(i, scores::readBest(i));
    }

    level = new Level();
    evt::publish(events::setBackgroundSound, MENU_TRACK);
    evt::publish(events::registerAds);
    return true;
}

void activate() {
    AdSupplier::setAdSuppliers(true, false);
    if (menu) menu->activate();
    // Not at launch: the menu's first frame does not wait for them, and no button can be
    // pressed before this.
    for (const char* name : MENU_EFFECTS)
        evt::publish(events::preloadSound, name);
}

int getLevel() {
    return current_level;
}
int getBestScore() {
    return scores::readBest(current_level);
}

bool goBack() {
    if (state != STATE_SCORES && state != STATE_LEVEL) return false;
    // As the screen's own back button does it: its click, then the request.
    evt::publish(events::flingoPlaySound, state == STATE_SCORES ? "Computer.wav" : "Crumple.wav");
    evt::publish(events::gotoMenu);
    return true;
}

void sizeGl(void*, void* payload) {
    static int height_offset = 0;
    if (payload) height_offset = *static_cast<int*>(payload);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrthof(0, 320, 0, 480.0f + static_cast<float>(height_offset), 0, 450);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void scoreSubmitted(int index, int score) {
    if (index < 0 || index >= LEVEL_COUNT) return;
    scores::saveSubmitted(score, index);
    if (level && index == current_level) level->scoreSubmitted(score);
}

void setBest(void*, void* payload) {
    const int best = evt::payloadInt(payload);
    if (current_level < 0 || !running()) return;
    menu->setBest(current_level, best);
    score_menu->setBest(current_level, best);
    scores::saveBest(best, current_level);

    // Equality fires once: a run's score grows one point at a time and every score above the
    // best is reported.
    if (level_info[current_level].unlockScore != best) return;
    const int next = current_level + 1;
    if (next >= LEVEL_COUNT) return; // the last level has nothing to unlock
    const LevelInfo& row = level_info[next];
    menu->setMenuButton(next, row.menuButton, row.menuButtonPos, row.menuBestPos);
    highlest_level = std::max(highlest_level, next);
    menu->setNewLevel(next);
    score_menu->setLevel(next, row.scoreRowPos, row.scoreRowSize, row.scoreBestPos);
    score_menu->setBest(next, 0);
    evt::publish(events::onLevelUnlocked);
    level->setBasket(highlest_level + 1 - current_level);
}

void setSound(void*, void* payload) {
    savedata::write(payload != nullptr, "sound");
    savedata::save();
}

void update(void*, void* payload) {
    if (!running() || AdSupplier::adsFreezingGame()) return;
    double* dt = static_cast<double*>(payload);
    switch (state) {
    case STATE_MENU:
        menu->update(static_cast<float>(*dt));
        break;
    case STATE_MENU_TO_SCORES:
    case STATE_MENU_TO_LEVEL:
        if (!slide(*dt, -1.0)) break;
        if (state == STATE_MENU_TO_SCORES) {
            state = STATE_SCORES;
            if (score_menu->active == 0) score_menu->active = 1;
        } else {
            state = STATE_LEVEL;
            AdSupplier::setAdSuppliers(true, true);
            level->state = level->savedState;
        }
        break;
    case STATE_SCORES:
        score_menu->update(static_cast<float>(*dt));
        break;
    case STATE_SCORES_TO_MENU:
    case STATE_LEVEL_TO_MENU:
        if (slide(*dt, 1.0)) arriveAtMenu();
        break;
    case STATE_LEVEL:
        level->update(static_cast<float>(*dt));
        evt::publish(events::updateFireworks, dt);
        break;
    default:
        break;
    }
    texture_mgr.cleanup();
}

void render(void*, void*) {
    if (!running() || AdSupplier::adsFreezingGame()) return;
    const Vector2<float> right = {offset.x + SCREEN_WIDTH, offset.y};
    switch (state) {
    case STATE_MENU:
        menu->render({0, 0});
        break;
    case STATE_MENU_TO_SCORES:
    case STATE_SCORES_TO_MENU:
        menu->render(offset);
        score_menu->render(right);
        break;
    case STATE_SCORES:
        score_menu->render({0, 0});
        break;
    case STATE_MENU_TO_LEVEL:
    case STATE_LEVEL_TO_MENU:
        menu->render(offset);
        level->render(right);
        break;
    case STATE_LEVEL:
        level->render({0, 0});
        evt::publish(events::drawFireworks);
        break;
    default:
        break;
    }
    AdSupplier::drawAdSuppliers(offset);
    drawFocus();
}

void shutdown(void*, void*) {
    delete level;
    level = nullptr;
    delete score_menu;
    score_menu = nullptr;
    delete menu;
    menu = nullptr;
}

void gotoLevel(void*, void* payload) {
    if (state != STATE_MENU || !running()) return;
    const int index = evt::payloadInt(payload);
    state = STATE_MENU_TO_LEVEL;
    offset = {0, -1};
    AdSupplier::setAdSuppliers(false, true);
    menu->deactivate();
    if (index != current_level) {
        current_level = index;
        const int best = scores::readBest(index);
        const int submitted = scores::readSubmitted(index);
        level->create(&level_info[index], best, best > submitted, highlest_level + 1 - index);
    }
    // Entering the level left last resumes it as it was.
    evt::publish(events::setBackgroundSound, level_info[index].backgroundSound);
    prepareLevelSounds(level_info[index]);
}

void gotoScores(void*, void*) {
    if (state != STATE_MENU || !running()) return;
    state = STATE_MENU_TO_SCORES;
    offset = {0, -1};
    AdSupplier::setAdSuppliers(false, false);
    menu->deactivate();
}

void gotoMenu(void*, void*) {
    evt::publish(events::stopFireworks);
    evt::publish(events::setBackgroundSound, MENU_TRACK);
    if ((state != STATE_SCORES && state != STATE_LEVEL) || !running()) return;
    AdSupplier::setAdSuppliers(false, true);
    if (state == STATE_LEVEL) {
        level->ballHeld = 0; // a grab still open is let go without a throw
        level->savedState = level->state;
        level->state = 0;
        state = STATE_LEVEL_TO_MENU;
    } else {
        if (score_menu->active == 1) score_menu->active = 0;
        state = STATE_SCORES_TO_MENU;
    }
    offset = {-SCREEN_WIDTH, -1};
}

void onTutorialShown(void*, void*) {
    savedata::write(true, "tutorial_shown");
    savedata::save();
    level_info[0].tutorial = nullptr;
}

int getState() {
    return state;
}
Vector2<float> getOffset() {
    return offset;
}
int getHighestLevel() {
    return highlest_level;
}
Menu* getMenu() {
    return menu;
}
ScoreMenu* getScoreMenu() {
    return score_menu;
}
Level* getLevelObject() {
    return level;
}

} // namespace fg
