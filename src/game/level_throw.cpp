// SPDX-License-Identifier: MIT
// Turning a flick into a throw, the frame step and the flight, and the wind.
#include "game/level.h"

#include "core/clock.h"
#include "core/events.h"
#include "core/evt.h"
#include "core/util.h"
#include "gfx/sprite.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

// Sign with 0 counted as positive: a flat flick still has a direction.
float sgn(float v) {
    return v < 0 ? -1.0f : 1.0f;
}

Vector2<float> pointOf(void* payload) {
    return *static_cast<const Vector2<float>*>(payload);
}

} // namespace

void Level::onPtrDown(void* payload) {
    const Vector2<float> p = pointOf(payload);
    if (state != READY) {
        releasedColours();
        return;
    }
    // A generous square, twice the ball's frame, so a quick thumb still catches it.
    if (ball && ball->checkPoint(ballPos, p, 2.0f)) {
        ballHeld = 1;
        touchTime = static_cast<float>(clk::seconds());
        touchStart = p;
        touchSum = {0, 0};
        touchMoves = 0;
    }
    pressColours(p);
}

void Level::onPtrMove(void* payload) {
    if (state != READY) return;
    const Vector2<float> p = pointOf(payload);
    // The flick is timed from its first movement, not from the grab.
    if (touchMoves == 0) touchTime = static_cast<float>(clk::seconds());
    ++touchMoves;
    touchSum.x += p.x - touchStart.x;
    touchSum.y += p.y - touchStart.y;
}

void Level::onPtrUp(void* payload) {
    if (state == INACTIVE) {
        releasedColours();
        return;
    }
    if (!ballHeld) {
        releaseButtons(pointOf(payload));
        releasedColours();
        return;
    }

    const int n = touchMoves;
    Vector2<float> m = {0, 0};
    if (n != 0) m = {touchSum.x / static_cast<float>(n), touchSum.y / static_cast<float>(n)};
    const float len = std::sqrt(m.x * m.x + m.y * m.y);
    if (len > 4.0f && clk::seconds() - double(touchTime) <= 1.0) {
        const float dx = m.x / len;
        const float dy = m.y / len;
        const float dlen = std::sqrt(dx * dx + dy * dy);
        const double c = std::clamp(double(dx / dlen), -1.0, 1.0);
        flightTime = 0;
        throwAngle = static_cast<float>(sgn(dy) * std::acos(c) * double(57.295776f) - 90.0);
        state = FLYING;
        // 240 * dx for a unit direction, taken through dy as the flight has always done.
        const float h = 240 * dy;
        apexOffset = static_cast<float>(sgn(dx) * std::sqrt(std::max(0.0, double(57600 - h * h))));
        drift = wind * 33.333336f * (windToLeft ? -1.0f : 1.0f);
    }
    ballHeld = 0;
    releasedColours();
}

void Level::update(float dt) {
    updateFans(dt);
    updateTimers(dt);
    switch (state) {
    case READY:
        ballSquash = 1;
        break;
    case FLYING:
        updateFlight(dt);
        break;
    case LANDING:
        updateLanding(dt);
        break;
    case CAUGHT:
        updateCaught(dt);
        break;
    case PAUSE:
        endThrow(dt);
        break;
    default:
        break;
    }
}

void Level::updateFans(float dt) {
    for (int g = 0; g < 2; ++g) {
        for (int j = 0; j < fg::FAN_LAYERS && fanSprites[g][j]; ++j) {
            Sprite* s = fanSprites[g][j];
            const float speed = info->fans[g][j].scroll.x;
            if (speed == 0) {
                s->setScroll(scrollTarget[g][j]);
            } else {
                // Spin up or down towards the wind's speed rather than jumping to it.
                const float r = static_cast<float>(std::abs(static_cast<int>(speed)));
                Vector2<float>& now = scrollNow[g][j];
                const Vector2<float>& target = scrollTarget[g][j];
                if (now.x < target.x) now.x = std::min(now.x + dt * r, target.x);
                if (now.x > target.x) now.x = std::max(now.x - dt * r, target.x);
                if (now.y < target.y) now.y = std::min(now.y + dt * r, target.y);
                if (now.y > target.y) now.y = std::max(now.y - dt * r, target.y);
                s->setScroll(now);
            }
            s->update(dt);
        }
    }
}

void Level::updateFlight(float dt) {
    if (tutorial) {
        killSprite(tutorial);
        evt::publish(events::onTutorialShown);
    }
    ball->update(dt);
    flightTime += dt;
    float t = flightTime * 0.6666667f; // the whole flight lasts 1.5 s
    const float k = 0.9f - 1.0f;
    float u;
    if (t >= 1) {
        t = 1;
        u = 1;
        flightTime = -1;
        ballSquash = 1 + (1 - 1 * 1) * k;
    } else if (t < 0.5f) {
        u = (t - 0.5f) * 2;
        ballSquash = 0.9f;
    } else {
        u = (t - 0.5f) * 2;
        const float q = 2 * t - 1;
        ballSquash = 1 + (1 - q * q) * k;
    }
    const Vector3<float> old = ballPos;

    // The flick sets the offset at the top; the wind adds its drift. With both the same way
    // the path is straight; otherwise the wind bends the second half.
    const float a = apexOffset;
    const float b = drift;
    float offset;
    if ((a > 0 && b > 0) || (a < 0 && b < 0)) {
        offset = t * (a + b);
    } else if (t < 0.5f) {
        const float q = 2 * t - 1;
        offset = a * (1 - q * q);
    } else {
        offset = a + b + (u * u - 1) * b;
    }
    ballPos.x = offset + 160;
    ballPos.z = 0.01f + t * info->basketDepth;

    const double apex = info->apexHeight != 0 ? info->apexHeight : 140;
    const double rim = double(info->rimHeight + info->basketY);
    const double fall = 1 - double(u) * double(u);
    if (t < 0.5f) {
        ballPos.y = static_cast<float>(((rim - 32) + apex) * fall + 32);
    } else {
        ballPos.y = static_cast<float>(rim + apex * fall);
    }

    if (u < 1) {
        ballStep = {ballPos.x - old.x, ballPos.y - old.y, ballPos.z - old.z};
    } else {
        doCollision();
    }
}

void Level::setWind() {
    wind = util::randomf(0, 6.0f);
    windToLeft = util::randomi(0, 1) & 1;
    for (int g = 0; g < 2; ++g) {
        for (int j = 0; j < fg::FAN_LAYERS && fanSprites[g][j]; ++j) {
            const fg::FanLayer& l = info->fans[g][j];
            scrollTarget[g][j] = {wind * l.scroll.x * 0.16666667f * (windToLeft ? 1.0f : -1.0f),
                                  l.scroll.y};
        }
    }
    killSprite(windText);
    windText =
        new Sprite(20, -29, WIND_FONT, util::formatString("%.2f", wind).c_str(), {1, 1, 1, 1}, 3);
    killSprite(windArrow);
    windArrow = new Sprite("wind_arrow.png", {0, 0}, 0, false, 0);
}
