// SPDX-License-Identifier: MIT
// The level's fields, construction, create/destroy and its two projections.
#include "game/level.h"

#include "core/events.h"
#include "core/evt.h"
#include "game/mirrors.h"
#include "game/overlays.h"
#include "gfx/sprite.h"

#include <GLES/gl.h>
#include <cmath>

const Vector2<float> MENU_BTN_SIZE = {48, 48};
const Vector4<float> HUD_BUTTON_COLOR = {1, 0, 0, 1};
const Vector4<float> HUD_BUTTON_COLOR_DISABLED = {0.5f, 0.5f, 0.5f, 1};
const Vector4<float> UNLOCKED_COLOR = {1, 1, 0, 1};
const Vector4<float> HUD_BOARD_COLOR = {1, 1, 1, 0.7f};
const Vector4<float> HUD_TEXT_COLOR = {0, 0, 0, 1};
const float UNLOCKED_DUR[3] = {0, 1.5f, 1.5f};
const char* const FONT = "fawn";
const char* const WIND_FONT = "fawn";

namespace {

// Optional images are named null in the catalogue: no name, no sprite.
Sprite* imageSprite(const char* name, Vector2<int> frame, float duration, bool scrolling,
                    int count) {
    return name ? new Sprite(name, frame, duration, scrolling, count) : nullptr;
}

int leadingNames(const char* const (&names)[4]) {
    int n = 0;
    while (n < 4 && names[n])
        ++n;
    return n;
}

} // namespace

Level::Level()
    : submitColour(HUD_BUTTON_COLOR_DISABLED), menuColour(HUD_BUTTON_COLOR),
      flightTime(-1), ballPos{0, 0, 0}, ballSquash(1), ballStep{0, 0, 0}, apexOffset(0),
      drift(0), anim{nullptr, 0, 0}, wind(1), throwAngle(0), windToLeft(0), hopPending(0),
      ballHeld(0), canSubmit(0), onStreak(0), orthoMode(0) {
    evt::subscribe(events::onPtrDown, evt::Callback(this, &Level::onPtrDown));
    evt::subscribe(events::onPtrMove, evt::Callback(this, &Level::onPtrMove));
    evt::subscribe(events::onPtrUp, evt::Callback(this, &Level::onPtrUp));
    evt::subscribe(events::onLevelUnlocked, evt::Callback(this, &Level::onLevelUnlocked));
}

Level::~Level() {
    destroy();
    // The bus would otherwise call into a dead object on the next touch.
    evt::unsubscribe(events::onPtrDown, evt::Callback(this, &Level::onPtrDown));
    evt::unsubscribe(events::onPtrMove, evt::Callback(this, &Level::onPtrMove));
    evt::unsubscribe(events::onPtrUp, evt::Callback(this, &Level::onPtrUp));
    evt::unsubscribe(events::onLevelUnlocked, evt::Callback(this, &Level::onLevelUnlocked));
}

void Level::create(const fg::LevelInfo* levelInfo, int bestScore, bool submit, int basketFrame) {
    destroy();
    flightTime = -1;
    info = levelInfo;

    ball = new Sprite("paper_ball.png", {86, 86}, 1.0f, false, 0);
    background = imageSprite(info->background, {320, 480}, 0, false, 0);
    if (info->catcherSprite) {
        catcher = new Sprite(info->catcherSprite, info->catcherFrameSize, info->catcherDuration,
                             false, 0);
    }
    if (info->foreground) {
        foreground[0] = new Sprite(info->foreground, {0, 0}, 0, false, 0);
        foreground[1] = imageSprite(info->foreground2, {0, 0}, 0, false, 0);
    }
    tutorial = imageSprite(info->tutorial, {0, 0}, 0, false, 0);
    if (info->tutorial) {
        const Vector2<float> shift = fg::overlayShift(info->tutorial);
        tutorialPos = {160 + shift.x, 240 + shift.y, 0};
    }
    board = imageSprite(info->hudBoard, {0, 0}, 0, false, 0);
    for (int g = 0; g < 2; ++g) {
        for (int j = 0; j < fg::FAN_LAYERS && info->fans[g][j].texture; ++j) {
            const fg::FanLayer& l = info->fans[g][j];
            // A sheet made as another's mirror image is drawn from that one's texture.
            const char* original = fg::mirroredSheet(l.texture);
            fanSprites[g][j] =
                new Sprite(original ? original : l.texture, l.frameSize, l.duration,
                           l.scroll.x != 0 || l.scroll.y != 0, l.frameCount, original != nullptr);
        }
    }
    leftSoundCount = leadingNames(info->leftSounds);
    rightSoundCount = leadingNames(info->rightSounds);

    basket = imageSprite(info->canFront, info->canFrontSize, 0, false, 0);
    setBasket(basketFrame);
    aimArrow = new Sprite("arrow.png", {0, 0}, 0, false, 0);
    submitButton = new Sprite(24, -29, FONT, "Submit", {1, 1, 1, 1}, 0, 11);
    unlockedText = new Sprite(60, -29, FONT, "Level Unlocked", {1, 1, 1, 1}, 4);
    if (info->hasMenuText) menuText = new Sprite(24, -29, FONT, "Menu", {1, 1, 1, 1}, 0);

    submitFade = 0.5f;
    canSubmit = submit;
    submitColour = submit ? HUD_BUTTON_COLOR : HUD_BUTTON_COLOR_DISABLED;
    onStreak = 0;

    rimLeft = static_cast<int>(info->basketX - info->rimHalfWidth);
    rimRight = static_cast<int>(info->rimHalfWidth + info->basketX);

    score = 0;
    best = bestScore;
    ballPos = {info->basketX, 32, 0};
    ballSquash = 1;
    stateTimer = 0;
    throwAngle = 0;
    state = INACTIVE;
    savedState = READY;

    setScore();
    setWind();
    setOrtho();
}

void Level::destroy() {
    for (auto& group : fanSprites)
        for (Sprite*& s : group)
            killSprite(s);
    for (Sprite*& s : foreground)
        killSprite(s);
    for (Sprite*& s : scoreText)
        killSprite(s);
    for (Sprite*& s : bestText)
        killSprite(s);
    killSprite(submitButton);
    killSprite(menuText);
    killSprite(unlockedText);
    killSprite(aimArrow);
    killSprite(windArrow);
    killSprite(windText);
    killSprite(ball);
    killSprite(basket);
    killSprite(background);
    killSprite(catcher);
    killSprite(tutorial);
    killSprite(board);
    for (int g = 0; g < 2; ++g) {
        for (int j = 0; j < fg::FAN_LAYERS; ++j) {
            scrollNow[g][j] = {0, 0};
            scrollTarget[g][j] = {0, 0};
        }
    }
    state = INACTIVE;
    savedState = INACTIVE;
    unlockPhase = 0;
}

void Level::setBasket(int frame) {
    if (basket) basket->setFrame(frame);
}

void Level::setPerspective() {
    // Half-height of the near plane at distance 0.1 for the vertical field of view; the
    // constant is pi / 360 in single precision.
    const float h =
        static_cast<float>(std::tan(double(info->fieldOfView) * double(0.008726647f)) * 0.1);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glFrustumf(-h * 0.6666667f, h * 0.6666667f, -h, h, 0.1f, 450.1f);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(0, -info->cameraHeight, -info->basketDepth);
    // Tilt the camera down so the basket sits where it does on the 2D background.
    glRotatef(90 - std::atan(info->basketDepth / info->cameraHeight) * 57.295776f, 1, 0, 0);
    orthoMode = 0;
}

void Level::setOrtho() {
    evt::publish(events::sizeGl);
    orthoMode = 1;
}
