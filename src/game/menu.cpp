// SPDX-License-Identifier: MIT
#include "game/menu.h"

#include "core/events.h"
#include "core/evt.h"
#include "core/util.h"
#include "gfx/sprite.h"

using namespace menu;

namespace {

const Vector4<float> WHITE = {1, 1, 1, 1};
const Vector4<float> DARK_LABEL = {0.25f, 0.25f, 0.25f, 1};
const Vector3<float> NO_ROTATION = {0, 0, 0};

Sprite* stillSprite(const char* image) {
    return new Sprite(image, Vector2<int>{0, 0}, 0.0f, false, 0);
}

Vector3<float> shifted(Vector3<float> p, Vector2<float> offset) {
    return {p.x + offset.x, p.y + offset.y, p.z};
}

bool isZero(Vector3<float> p) {
    return p.x == 0 && p.y == 0 && p.z == 0;
}

} // namespace

Menu::Menu() : labelColour(WHITE), soundColour(SOUND_COLOR) {
    for (auto& c : buttonColours)
        c = UNSELECTION_COLOR;
    evt::subscribe(events::onPtrDown, evt::Callback(this, &Menu::onPtrDown));
    evt::subscribe(events::onPtrUp, evt::Callback(this, &Menu::onPtrUp));
}

Menu::~Menu() {
    killSprites();
    active = 0;
    // A deleted menu must not hear touches any more.
    evt::unsubscribe(events::onPtrDown, evt::Callback(this, &Menu::onPtrDown));
    evt::unsubscribe(events::onPtrUp, evt::Callback(this, &Menu::onPtrUp));
}

void Menu::killSprites() {
    killSprite(background);
    killSprite(scoresButton);
    for (auto& s : levelButtons)
        killSprite(s);
    for (auto& s : bestLabels)
        killSprite(s);
    killSprite(soundLabel);
}

void Menu::create(const char* backgroundImage, const char* scoresImage, Vector3<float> scoresPos,
                  bool on) {
    killSprites();
    active = 0;
    soundColour = SOUND_COLOR;
    scoresButtonPos = scoresPos;
    background = new Sprite(backgroundImage, Vector2<int>{0, 0}, 0.0f, false, 0);
    scoresButton = stillSprite(scoresImage);
    setSound(on);
}

void Menu::setMenuButton(int level, const char* image, Vector3<float> pos, Vector3<float> bestPos) {
    killSprite(levelButtons[level]);
    levelButtons[level] = stillSprite(image);
    buttonPositions[level] = pos;
    if (!isZero(bestPos)) bestPositions[level] = bestPos;
}

void Menu::setBest(int level, int best) {
    if (isZero(bestPositions[level])) return;
    killSprite(bestLabels[level]);
    bestLabels[level] =
        new Sprite(14, -32, SCORE_FONT, util::formatString("%i", best).c_str(), {0, 1, 0, 1}, 0);
}

void Menu::setSound(bool on) {
    soundOn = on;
    killSprite(soundLabel);
    soundLabel =
        new Sprite(20, -29, SOUND_FONT, util::formatString("Sound: %s", on ? "on" : "off").c_str(),
                   SOUND_COLOR, 0);
}

void Menu::setNewLevel(int level) {
    newLevel = level;
    blink = 1.0f;
}

void Menu::activate() {
    if (active == 0) active = 1;
}

void Menu::deactivate() {
    if (active != 1) return;
    active = 0;
    for (auto& s : buttonScales)
        s = 0;
}

void Menu::update(float dt) {
    if (active != 1) return;
    if (newLevel >= 0) {
        if (newLevel == pressedButton) {
            blink = 0.5f;
        } else {
            blink -= dt;
            while (blink <= 0)
                blink += 1.0f;
            float t = 2.0f * (blink > 0.5f ? blink - 0.5f : 0.5f - blink);
            Vector4<float>& c = buttonColours[newLevel];
            c.x = SELECTION_COLOR.x + t * (UNSELECTION_COLOR.x - SELECTION_COLOR.x);
            c.y = SELECTION_COLOR.y + t * (UNSELECTION_COLOR.y - SELECTION_COLOR.y);
            c.z = SELECTION_COLOR.z + t * (UNSELECTION_COLOR.z - SELECTION_COLOR.z);
            c.w = SELECTION_COLOR.w;
        }
    }
    for (int i = 0; i < LEVELS; ++i)
        if (levelButtons[i]) buttonScales[i] = 1.1f;
}

void Menu::render(Vector2<float> offset) {
    if (background)
        background->draw({offset.x + 160, offset.y + 240, 449.9f}, {1, 1}, NO_ROTATION, WHITE);
    if (scoresButton)
        scoresButton->draw(shifted(scoresButtonPos, offset), {1, 1}, NO_ROTATION, labelColour);
    if (soundLabel) soundLabel->draw(shifted(SOUND_POS, offset), {1, 1}, NO_ROTATION, soundColour);
    for (int i = 0; i < LEVELS; ++i) {
        if (levelButtons[i]) {
            float s = buttonScales[i];
            levelButtons[i]->draw(shifted(buttonPositions[i], offset), {s, s}, NO_ROTATION,
                                  buttonColours[i]);
        }
        if (bestLabels[i])
            bestLabels[i]->draw(shifted(bestPositions[i], offset), {1, 1}, NO_ROTATION,
                                labelColour);
    }
}

void Menu::onPtrDown(void* payload) {
    if (active != 1) return;
    const Vector2<float> point = *static_cast<Vector2<float>*>(payload);
    pressedButton = -1;
    for (int i = 0; i < LEVELS; ++i) {
        if (levelButtons[i] && levelButtons[i]->checkPoint(buttonPositions[i], point, 1.0f)) {
            pressedButton = i;
            break;
        }
    }
    for (int i = 0; i < LEVELS; ++i)
        buttonColours[i] = i == pressedButton ? SELECTION_COLOR : UNSELECTION_COLOR;
    labelColour = WHITE;
    soundColour = SOUND_COLOR;
    if (pressedButton >= 0) return;
    if (scoresButton && scoresButton->checkPoint(scoresButtonPos, point, 1.0f)) {
        labelColour = DARK_LABEL;
    } else if (soundLabel && soundLabel->checkPoint(SOUND_POS, point, 2.0f)) {
        soundColour = {SOUND_COLOR.x * 0.5f, SOUND_COLOR.y * 0.5f, SOUND_COLOR.z * 0.5f,
                       SOUND_COLOR.w};
    }
}

void Menu::onPtrUp(void* payload) {
    for (auto& c : buttonColours)
        c = WHITE;
    labelColour = WHITE;
    soundColour = SOUND_COLOR;
    if (active != 1) return;
    const Vector2<float> point = *static_cast<Vector2<float>*>(payload);

    const int pressed = pressedButton;
    if (pressed >= 0 && levelButtons[pressed] &&
        levelButtons[pressed]->checkPoint(buttonPositions[pressed], point, 1.0f)) {
        evt::publish(events::flingoPlaySound, "Crumple.wav");
        evt::publish(events::gotoLevel, pressed);
        if (pressed == newLevel) newLevel = -1;
    } else if (scoresButton && scoresButton->checkPoint(scoresButtonPos, point, 1.0f)) {
        evt::publish(events::flingoPlaySound, "Computer.wav");
        evt::publish(events::gotoScores);
    } else if (soundLabel && soundLabel->checkPoint(SOUND_POS, point, 2.0f)) {
        setSound(!soundOn);
        evt::publish(events::setSound, soundOn);
        evt::publish(events::flingoPlaySound, "Crumple.wav");
    }
    pressedButton = -1;
}
