// SPDX-License-Identifier: MIT
// The landing: one test at the instant the flight ends, then the short animation to where the
// ball comes to rest, the hop after a miss, or the catcher.
#include "game/level.h"

#include "core/events.h"
#include "core/evt.h"
#include "gfx/sprite.h"

#include <cstdlib>

const Vector2<int> POP_ANIMATION[17] = {{-2, 13},   {-3, 27},  {-4, 41},  {-6, 45},  {-7, 49},
                                        {-8, 53},   {-12, 55}, {-16, 57}, {-17, 53}, {-19, 49},
                                        {-21, 45},  {-23, 31}, {-25, 15}, {-26, -2}, {-27, -21},
                                        {-28, -41}, {-28, -61}};
const Vector2<int> BOUNCE_ANIMATION[5] = {{0, 1}, {0, 10}, {0, 18}, {0, 10}, {0, 1}};

namespace {

// Perspective factor of the ball at depth z: 1 at the throwing point, smaller towards the
// basket.
float depthScale(float z, float basketDepth) {
    return z / (-3 - basketDepth) + 1;
}

// Fills the hop keys: a small jump on the floor, scaled by the perspective at the ball.
const Vector3<float>* createBounceAnim(Vector3<float> position, float scale) {
    static Vector3<float> keys[5];
    for (int i = 0; i < 5; ++i) {
        keys[i] = {position.x + scale * static_cast<float>(BOUNCE_ANIMATION[i].x),
                   position.y + scale * static_cast<float>(BOUNCE_ANIMATION[i].y), position.z};
    }
    return keys;
}

} // namespace

void Level::doCollision() {
    static Vector3<float> animation[17];
    const float x = ballPos.x, y = ballPos.y, z = ballPos.z;
    const float vx = ballStep.x, vy = ballStep.y;
    const float rimLine = info->rimHeight + info->basketY;

    const bool inside = x >= static_cast<float>(rimLeft) && static_cast<float>(rimRight) >= x;
    const int xi = static_cast<int>(x);
    const float s = depthScale(z, info->basketDepth);
    const float frameWidth = ball ? static_cast<float>(ball->frameSize.x) : 86.0f;
    const float r = frameWidth * 0.5f * s;
    const bool contact = static_cast<float>(std::abs(xi - rimLeft)) < r ||
                         static_cast<float>(std::abs(xi - rimRight)) < r;

    if (contact && !(y < rimLine)) {
        // On the rim: pop up and fall towards the centre when inside, away from it outside.
        const float k = 4 * s;
        const float sx =
            ((inside && x > info->basketX) || (!inside && x <= info->basketX)) ? 1.0f : -1.0f;
        for (int i = 0; i < 17; ++i) {
            animation[i] = {x + k * sx * static_cast<float>(POP_ANIMATION[i].x),
                            y + k * static_cast<float>(POP_ANIMATION[i].y), z};
        }
        anim = Anim(animation, 17, 0.7f);
        evt::publish(events::flingoPlaySound, inside ? "RimIn.wav" : "RimOut.wav");
    } else {
        const bool bounce = contact;
        animation[0] = {x, y, z};
        if (inside) {
            animation[1] = {info->basketX, info->basketY, z};
            evt::publish(events::flingoPlaySound, bounce ? "BounceIn.wav" : "In.wav");
        } else {
            const float floor = info->basketY - info->floorDrop;
            // Carry on sideways down to the floor line (or come back off the rim). A flight
            // that ended in its first frame has no vertical step: the ball then drops straight.
            float landX = x;
            if (vy != 0) landX = x + ((y - floor) / vy) * vx * (bounce ? 1.0f : -1.0f);
            animation[1] = {landX, floor, z};
            const bool caught =
                info->catcherRadius > 0 &&
                std::abs(static_cast<int>(landX - info->basketX)) < info->catcherRadius;
            if (!caught) evt::publish(events::flingoPlaySound, "Out.wav");
        }
        anim = Anim(animation, 2, 0.16666667f);
    }

    state = LANDING;
    hopPending = !inside;
    score = inside ? score + 1 : 0;
}

void Level::updateLanding(float dt) {
    ballPos = anim.get(dt);
    if (anim.time < anim.duration) return;
    if (!hopPending) {
        stateTimer = 0.5f;
        state = PAUSE;
        return;
    }
    hopPending = 0;
    if (info->catcherRadius > 0 &&
        std::abs(static_cast<int>(ballPos.x - info->basketX)) < info->catcherRadius) {
        if (catcher) catcher->setFrame(0);
        stateTimer = info->catcherDuration;
        state = CAUGHT;
        if (info->catcherSound) evt::publish(events::flingoPlaySound, info->catcherSound);
    } else {
        const float s = depthScale(ballPos.z, info->basketDepth);
        anim = Anim(createBounceAnim(ballPos, s), 5, 0.125f);
    }
}

void Level::updateCaught(float dt) {
    if (catcher) catcher->update(dt);
    stateTimer -= dt;
    if (stateTimer > 0) return;
    state = PAUSE;
    endThrow(dt);
}
