// SPDX-License-Identifier: MIT
// After the throw: sounds, the run and best scores, the HUD buttons and the unlock banner.
#include "game/level.h"

#include "core/events.h"
#include "core/evt.h"
#include "core/util.h"
#include "gfx/sprite.h"

namespace {

Vector4<float> pressed(Vector4<float> c) {
    return {c.x * 0.5f, c.y * 0.5f, c.z * 0.5f, c.w};
}

void playSound(const char* name) {
    evt::publish(events::flingoPlaySound, name);
}

} // namespace

void Level::setScore() {
    const int shownBest = best >= score ? best : score;
    // Both pop in from 11 times their size (see the render).
    Sprite* newScore = new Sprite(24, -29, FONT, util::formatString("Score %i", score).c_str(),
                                  HUD_TEXT_COLOR, 0, 11);
    Sprite* newBest = new Sprite(24, -29, FONT, util::formatString("Best %i", shownBest).c_str(),
                                 HUD_TEXT_COLOR, 0, 11);

    if (!scoreText[0] || score == 0) {
        killSprite(scoreText[0]);
        scoreText[0] = newScore;
    } else {
        killSprite(scoreText[1]);
        scoreText[1] = newScore;
        textFade = 0;
    }

    if (!bestText[0] || score <= best) {
        killSprite(bestText[0]);
        bestText[0] = newBest;
        return;
    }
    evt::publish(events::setBest, shownBest);
    if (!canSubmit) {
        // A new best is worth sending again: the Submit button pops back in, red.
        canSubmit = 1;
        submitColour = HUD_BUTTON_COLOR;
        submitFade = 0;
    }
    best = score;
    killSprite(bestText[1]);
    bestText[1] = newBest;
    textFade = 0;
}

void Level::updateTimers(float dt) {
    if (scoreText[1] || bestText[1]) {
        textFade += dt;
        if (2 * textFade >= 1) {
            for (Sprite** pair : {scoreText, bestText}) {
                if (!pair[1]) continue;
                killSprite(pair[0]);
                pair[0] = pair[1];
                pair[1] = nullptr;
            }
        }
    }
    if (submitButton) submitFade += dt;
    if (unlockPhase != 0) {
        unlockTime += dt;
        if (unlockTime > UNLOCKED_DUR[unlockPhase]) {
            unlockTime -= UNLOCKED_DUR[unlockPhase];
            unlockPhase = unlockPhase == 2 ? 0 : unlockPhase + 1;
        }
    }
}

void Level::endThrow(float dt) {
    stateTimer -= dt;
    if (stateTimer > 0) return;

    if (score == 0) {
        if (onStreak) {
            playSound("Aww.wav");
            onStreak = 0;
        } else if (ballPos.x < -32 && leftSoundCount > 0) {
            playSound(info->leftSounds[util::randomi(0, leftSoundCount - 1)]);
        } else if (ballPos.x > 352 && rightSoundCount > 0) {
            playSound(info->rightSounds[util::randomi(0, rightSoundCount - 1)]);
        }
    } else if (score < best) {
        if (info->celebrationMode) playSound("Applause.wav");
    } else {
        if (info->celebrationMode && score >= 3) {
            evt::publish(events::startFireworks);
        } else {
            playSound("Applause.wav");
        }
        onStreak = 1;
    }

    stateTimer = 0;
    ballPos = {info->basketX, 32, 0};
    setScore();
    setWind();
    throwAngle = 0;
    state = READY;
}

void Level::onLevelUnlocked(void*) {
    if (state == INACTIVE) return;
    unlockTime = 0;
    unlockPhase = 1;
    playSound("unlock.wav");
}

void Level::scoreSubmitted(int sent) {
    if (sent < best) return; // a better score came meanwhile: still worth sending
    canSubmit = 0;
    submitColour = HUD_BUTTON_COLOR_DISABLED;
}

void Level::releasedColours() {
    submitColour = canSubmit ? HUD_BUTTON_COLOR : HUD_BUTTON_COLOR_DISABLED;
    menuColour = HUD_BUTTON_COLOR;
}

void Level::pressColours(Vector2<float> p) {
    const Vector4<float> c = canSubmit ? HUD_BUTTON_COLOR : HUD_BUTTON_COLOR_DISABLED;
    const bool onSubmit = submitButton && submitButton->checkPoint(info->hudSubmitPos, p, 1.5f);
    submitColour = onSubmit ? pressed(c) : c;
    const bool onMenu = menuText && menuText->checkPoint(info->hudMenuPos, p, 1.5f);
    menuColour = onMenu ? pressed(HUD_BUTTON_COLOR) : HUD_BUTTON_COLOR;
}

void Level::releaseButtons(Vector2<float> p) {
    // The Menu button is usually part of the background picture: a square around its
    // position works without any sprite.
    const Vector3<float>& m = info->hudMenuPos;
    const float hw = MENU_BTN_SIZE.x / 2, hh = MENU_BTN_SIZE.y / 2;
    const bool onMenu = (menuText && menuText->checkPoint(m, p, 1.5f)) ||
                        (m.x - hw <= p.x && p.x <= hw + m.x && m.y - hh <= p.y && p.y <= hh + m.y);
    if (onMenu) {
        playSound("Crumple.wav");
        evt::publish(events::gotoMenu);
    } else if (submitButton && submitButton->checkPoint(info->hudSubmitPos, p, 1.5f)) {
        playSound("Crumple.wav");
        evt::publish(events::scorePrompt);
    }
}
