// SPDX-License-Identifier: MIT
// Drawing the level in depth order: every visible sprite goes into a queue with its depth and
// projection, and the queue is emptied from the farthest entry to the nearest, so the ball can
// pass behind the can front and the desks and in front of them again.
#include "game/level.h"

#include "gfx/sprite.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace {

constexpr float BACKGROUND_DEPTH = 449.9f;
constexpr float HUD_DEPTH = 449.88998f;
constexpr float MIN_BALL_SCALE = 0.034883723f; // 3 / 86: never narrower than 3 points

fg::RenderTrace render_trace = nullptr;
void* render_trace_user = nullptr;

// Storage survives from frame to frame, so a steady frame allocates nothing.
std::vector<fg::RenderInfo> render_queue;

void push(Sprite* sprite, Vector3<float> position, Vector2<float> scale = {1, 1},
          Vector3<float> rotation = {0, 0, 0}, Vector4<float> colour = {1, 1, 1, 1},
          bool ortho = true) {
    render_queue.push_back({sprite, position, scale, rotation, colour, position.z, ortho});
    std::push_heap(render_queue.begin(), render_queue.end());
}

void pushAt(float depth, Sprite* sprite, Vector3<float> position, Vector2<float> scale,
            Vector3<float> rotation, Vector4<float> colour, bool ortho) {
    render_queue.push_back({sprite, position, scale, rotation, colour, depth, ortho});
    std::push_heap(render_queue.begin(), render_queue.end());
}

} // namespace

namespace fg {
void setRenderTrace(RenderTrace trace, void* user) {
    render_trace = trace;
    render_trace_user = user;
}
} // namespace fg

void Level::render(Vector2<float> offset) {
    if (!background) return;
    queueRoom();
    queueHud();
    queueBall();
    queueWindSign();
    drawQueue(offset);
}

// The room behind the play: background, aim arrow, fans, can, furniture, tutorial, score board.
void Level::queueRoom() {
    const fg::LevelInfo& l = *info;
    push(background, {160, 240, BACKGROUND_DEPTH});
    if (aimArrow) {
        const float theta = throwAngle * 0.017453294f;
        push(aimArrow,
             {static_cast<float>(l.basketX - 56 * std::sin(double(theta))),
              static_cast<float>(56 * std::cos(double(theta)) + 32), 0.02f},
             {1, 1}, {0, 0, throwAngle});
    }

    queueFans();
    if (basket) push(basket, {l.basketX, l.basketY, l.canFrontDepth});
    if (foreground[0]) push(foreground[0], l.foregroundPos);
    if (foreground[1]) push(foreground[1], l.foreground2Pos);
    if (tutorial) push(tutorial, tutorialPos);
    if (board) push(board, l.hudBoardPos, {1, 1}, {0, 0, 0}, HUD_BOARD_COLOR);
}

// Only the fan on the side the wind comes from.
void Level::queueFans() {
    const fg::LevelInfo& l = *info;
    const int g = windToLeft ? 1 : 0;
    for (int j = 0; j < fg::FAN_LAYERS && fanSprites[g][j]; ++j) {
        const fg::FanLayer& f = l.fans[g][j];
        if ((f.scroll.x == 0 && f.scroll.y == 0) || f.position.z >= BACKGROUND_DEPTH) {
            push(fanSprites[g][j], f.position, f.scale);
            continue;
        }
        float alpha, rotZ;
        const float range = f.windRange.y - f.windRange.x;
        if (f.scroll.x == 0) {
            alpha = f.windRange.x + wind * 0.16666667f * range;
            rotZ = wind * 10 * (windToLeft ? -1.0f : 1.0f);
        } else {
            const int now = std::abs(static_cast<int>(scrollNow[g][j].x));
            alpha = f.windRange.x + (static_cast<float>(now) / f.scroll.x) * range;
            rotZ = 0;
        }
        push(fanSprites[g][j], f.position, f.scale, {0, 0, rotZ}, {1, 1, 1, alpha});
    }
}

// The unlocked banner, the score texts (a new one drops in), Submit and Menu.
void Level::queueHud() {
    const fg::LevelInfo& l = *info;
    if (unlockedText && unlockPhase != 0) {
        const float f = unlockTime / UNLOCKED_DUR[unlockPhase];
        float s = 1, rotZ = 0, alpha;
        if (unlockPhase == 1) {
            s = 1 + (1 - f) * 5;
            rotZ = (1 - f) * -90;
            alpha = f;
        } else {
            alpha = 1 - f;
        }
        push(unlockedText, {160, 240, 0}, {s, s}, {0, 0, rotZ},
             {UNLOCKED_COLOR.x, UNLOCKED_COLOR.y, UNLOCKED_COLOR.z, alpha});
    }

    if (scoreText[1] || bestText[1]) {
        // The new text drops from 11 times its size while fading in over half a second.
        const float f = std::min(2 * textFade, 1.0f);
        const float s = (1 - f) * 10 + 1;
        if (scoreText[1]) push(scoreText[1], l.hudScorePos, {s, s}, l.hudScoreRot, {1, 1, 1, f});
        if (bestText[1]) push(bestText[1], l.hudBestPos, {s, s}, l.hudBestRot, {1, 1, 1, f});
    }
    if (submitButton) {
        const float f = std::min(2 * submitFade, 1.0f);
        const float s = (1 - f) * 10 + 1;
        push(submitButton, l.hudSubmitPos, {s, s}, l.hudSubmitRot,
             {submitColour.x, submitColour.y, submitColour.z, f});
    }
    if (menuText) push(menuText, l.hudMenuPos, {1, 1}, l.hudMenuRot, menuColour);
    if (scoreText[0]) push(scoreText[0], l.hudScorePos, {1, 1}, l.hudScoreRot);
    if (bestText[0]) push(bestText[0], l.hudBestPos, {1, 1}, l.hudBestRot);
}

// The ball in flight, or the catcher once it has it; smaller with depth.
void Level::queueBall() {
    const fg::LevelInfo& l = *info;
    const float ballX = (ballPos.x - 160) * ballSquash + 160;
    const float s = ballPos.z / (-3 - l.basketDepth) + 1;
    if (state == CAUGHT) {
        if (catcher) {
            const float cs = std::max(s * l.catcherScale, MIN_BALL_SCALE);
            push(catcher, {ballX, ballPos.y, HUD_DEPTH}, {cs, cs});
        }
    } else if (ball) {
        const float bs = std::max(s, MIN_BALL_SCALE);
        push(ball, {ballX, ballPos.y, ballPos.z}, {bs, bs});
    }
}

// The wind sign lies flat in the room, drawn with the level's perspective.
void Level::queueWindSign() {
    const fg::LevelInfo& l = *info;
    if (state == INACTIVE || !windText) return;
    // Sized by the label's points; a label that could not be drawn has none, and then
    // neither part of the sign is shown rather than scaled by infinity.
    const Vector2<float> px = windText->quadSize;
    const Vector2<float> scale = px.x > 0 && px.y > 0
                                     ? Vector2<float>{l.windSize.x / px.x, l.windSize.y / px.y}
                                     : Vector2<float>{0, 0};
    const float d = l.windDepth == 0 ? l.canFrontDepth - 0.01f : l.windDepth;
    pushAt(d == -1 ? l.windTextPos.z : d, windText, l.windTextPos, scale, {-90, 0, 0}, l.windColour,
           false);
    if (windArrow) {
        pushAt(d == -1 ? l.windArrowPos.z : d, windArrow, l.windArrowPos, scale,
               {-90, windToLeft ? 180.0f : 0.0f, 0}, l.windColour, false);
    }
}

void Level::drawQueue(Vector2<float> offset) {
    while (!render_queue.empty()) {
        const fg::RenderInfo& e = render_queue.front();
        if (!e.ortho && orthoMode) setPerspective();
        if (e.ortho && !orthoMode) setOrtho();
        if (render_trace) render_trace(e, render_trace_user);
        e.sprite->draw({e.position.x + offset.x, e.position.y + offset.y, e.position.z}, e.scale,
                       e.rotation, e.colour);
        std::pop_heap(render_queue.begin(), render_queue.end());
        render_queue.pop_back();
    }
}
