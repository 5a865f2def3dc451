// SPDX-License-Identifier: MIT
#include "game/score_menu.h"

#include "core/events.h"
#include "core/evt.h"
#include "core/util.h"
#include "gfx/sprite.h"

using namespace score_menu;

namespace {

// A rectangle given by its centre and size; edges count as inside.
bool hit(Vector2<int> centre, Vector2<float> size, Vector2<float> p) {
    const float cx = static_cast<float>(centre.x);
    const float cy = static_cast<float>(centre.y);
    return cx - size.x * 0.5f <= p.x && p.x <= cx + size.x * 0.5f && cy - size.y * 0.5f <= p.y &&
           p.y <= cy + size.y * 0.5f;
}

bool isZero(Vector2<int> p) {
    return p.x == 0 && p.y == 0;
}

} // namespace

ScoreMenu::ScoreMenu() {
    evt::subscribe(events::onPtrUp, evt::Callback(this, &ScoreMenu::onPtrUp));
}

ScoreMenu::~ScoreMenu() {
    killSprite(background);
    for (auto& s : bestLabels)
        killSprite(s);
    evt::unsubscribe(events::onPtrUp, evt::Callback(this, &ScoreMenu::onPtrUp));
}

void ScoreMenu::create(const char* backgroundImage, Vector2<int> backPosition,
                       Vector2<float> size) {
    killSprite(background);
    backgroundName = backgroundImage;
    backPos = backPosition;
    backSize = size;
}

void ScoreMenu::setLevel(int level, Vector2<int> rowPosition, Vector2<float> rowSize,
                         Vector2<int> bestPosition) {
    rowPositions[level] = rowPosition;
    rowSizes[level] = rowSize;
    bestPositions[level] = bestPosition;
}

void ScoreMenu::setBest(int level, int best) {
    if (isZero(bestPositions[level])) return;
    killSprite(bestLabels[level]);
    bests[level] = best;
    hasBest[level] = true;
}

void ScoreMenu::update(float) {}

void ScoreMenu::render(Vector2<float> offset) {
    const Vector3<float> noRotation = {0, 0, 0};
    const Vector4<float> white = {1, 1, 1, 1};
    if (!background && !backgroundName.empty())
        background = new Sprite(backgroundName.c_str(), Vector2<int>{0, 0}, 0.0f, false, 0);
    if (background)
        background->draw({offset.x + 160, offset.y + 240, 449.9f}, {1, 1}, noRotation, white);
    // The numbers move in whole pixels while the background follows the exact offset.
    const int ox = static_cast<int>(offset.x);
    const int oy = static_cast<int>(offset.y);
    for (int i = 0; i < LEVELS; ++i) {
        if (!bestLabels[i] && hasBest[i])
            bestLabels[i] = new Sprite(24, -32, SCORE_FONT,
                                       util::formatString("%i", bests[i]).c_str(), SCORE_COLOR, 0);
        if (!bestLabels[i]) continue;
        bestLabels[i]->draw({static_cast<float>(ox + bestPositions[i].x),
                             static_cast<float>(oy + bestPositions[i].y), 0.0f},
                            {1, 1}, noRotation, white);
    }
}

void ScoreMenu::onPtrUp(void* payload) {
    if (active != 1) return;
    const Vector2<float> point = *static_cast<Vector2<float>*>(payload);
    if (hit(backPos, backSize, point)) {
        evt::publish(events::flingoPlaySound, "Computer.wav");
        evt::publish(events::gotoMenu);
        return;
    }
    for (int i = 0; i < LEVELS; ++i) {
        if (isZero(rowPositions[i]) || !hit(rowPositions[i], rowSizes[i], point)) continue;
        evt::publish(events::flingoPlaySound, "Computer.wav");
        evt::publish(events::showScores, i);
        return;
    }
}
