// SPDX-License-Identifier: MIT
#include "game/focus.h"

#include "core/events.h"
#include "core/evt.h"
#include "game/flingo.h"
#include "game/level.h"
#include "game/menu.h"
#include "game/score_menu.h"
#include "gfx/sprite.h"

#include <GLES/gl.h>
#include <cmath>

namespace fg {

const char* const LEVEL_NAMES[5] = {"Easy", "Medium", "Hard", "Airport", "Basement"};

namespace {

std::vector<Button> current; // reused: a steady screen allocates nothing
int focus = -1;
int focus_state = -1; // the screen the focus belongs to
bool shown = false;

Button spriteButton(const char* label, const Sprite* s, Vector3<float> at) {
    return {label, at.x, at.y, static_cast<float>(s->frameSize.x),
            static_cast<float>(s->frameSize.y)};
}

// The nearest button in the direction, favouring those straight ahead; the focus stays when
// there is none.
int neighbour(int from, int dir) {
    const Button& a = current[static_cast<size_t>(from)];
    int best = from;
    float best_score = 0;
    for (size_t i = 0; i < current.size(); ++i) {
        const float dx = current[i].x - a.x, dy = current[i].y - a.y;
        const float ahead = dir == NAV_UP ? dy : dir == NAV_DOWN ? -dy : dir == NAV_LEFT ? -dx : dx;
        const float aside = dir == NAV_UP || dir == NAV_DOWN ? std::fabs(dx) : std::fabs(dy);
        if (ahead <= 0.5f) continue;
        const float score = ahead + 2 * aside;
        if (best == from || score < best_score) {
            best = static_cast<int>(i);
            best_score = score;
        }
    }
    return best;
}

} // namespace

void screenButtons(std::vector<Button>& out) {
    out.clear();
    Menu* menu = getMenu();
    ScoreMenu* scores = getScoreMenu();
    Level* level = getLevelObject();
    if (!menu || !scores || !level) return;
    switch (getState()) {
    case STATE_MENU:
        if (menu->active != 1) break;
        for (int i = 0; i < Menu::LEVELS; ++i)
            if (menu->levelButtons[i])
                out.push_back(
                    spriteButton(LEVEL_NAMES[i], menu->levelButtons[i], menu->buttonPositions[i]));
        if (menu->scoresButton)
            out.push_back(spriteButton("Scores", menu->scoresButton, menu->scoresButtonPos));
        if (menu->soundLabel)
            out.push_back(spriteButton(menu->soundOn ? "Sound: on" : "Sound: off", menu->soundLabel,
                                       menu::SOUND_POS));
        break;
    case STATE_SCORES:
        if (scores->active != 1) break;
        for (int i = 0; i < ScoreMenu::LEVELS; ++i) {
            const Vector2<int> p = scores->rowPositions[i];
            if (p.x != 0 || p.y != 0)
                out.push_back({LEVEL_NAMES[i], static_cast<float>(p.x), static_cast<float>(p.y),
                               scores->rowSizes[i].x, scores->rowSizes[i].y});
        }
        out.push_back({"Back", static_cast<float>(scores->backPos.x),
                       static_cast<float>(scores->backPos.y), scores->backSize.x,
                       scores->backSize.y});
        break;
    case STATE_LEVEL:
        if (level->state == Level::INACTIVE || !level->info) break;
        out.push_back({"Menu", level->info->hudMenuPos.x, level->info->hudMenuPos.y,
                       MENU_BTN_SIZE.x, MENU_BTN_SIZE.y});
        if (level->submitButton)
            out.push_back(spriteButton("Submit", level->submitButton, level->info->hudSubmitPos));
        break;
    default:
        break;
    }
}

void onNav(void*, void* payload) {
    const int action = evt::payloadInt(payload);
    if (action == NAV_HIDE) {
        shown = false;
        return;
    }
    screenButtons(current);
    if (current.empty()) return;
    if (focus_state != getState() || focus < 0 || focus >= static_cast<int>(current.size())) {
        focus_state = getState();
        focus = 0;
        shown = false;
    }
    if (!shown) { // the first press only shows where the focus is
        shown = true;
        return;
    }
    if (action != NAV_PRESS) {
        focus = neighbour(focus, action);
        return;
    }
    // Pressed as a tap on the button's centre would press it.
    Vector2<float> at = {current[static_cast<size_t>(focus)].x,
                         current[static_cast<size_t>(focus)].y};
    evt::publish(events::onPtrDown, &at);
    evt::publish(events::onPtrUp, &at);
}

void drawFocus() {
    if (!shown || focus_state != getState()) return;
    screenButtons(current);
    if (focus < 0 || focus >= static_cast<int>(current.size())) return;
    const Button& b = current[static_cast<size_t>(focus)];
    const float hw = b.w / 2 + 3, hh = b.h / 2 + 3;
    const GLfloat ring[] = {b.x - hw, b.y - hh, b.x + hw, b.y - hh,
                            b.x + hw, b.y + hh, b.x - hw, b.y + hh};
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrthof(0, 320, 0, 480, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glDisable(GL_TEXTURE_2D);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    gfx::setColour(1, 0.85f, 0.2f, 1);
    glLineWidth(3);
    glVertexPointer(2, GL_FLOAT, 0, ring);
    glDrawArrays(GL_LINE_LOOP, 0, 4);
    // Back to the state every sprite expects.
    glVertexPointer(2, GL_FLOAT, 0, quad_verts);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glEnable(GL_TEXTURE_2D);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
}

bool flickAnchor(Vector2<float>& at) {
    Level* level = getLevelObject();
    if (getState() != STATE_LEVEL || !level || level->state != Level::READY || !level->ball ||
        level->ballHeld)
        return false;
    at = {level->ballPos.x, level->ballPos.y};
    return true;
}

} // namespace fg
