// SPDX-License-Identifier: MIT
// The main menu: background, one button per unlocked level, optional best numbers, the scores
// button and the sound switch. It decides nothing: the controller tells it what to show, and it
// answers taps by publishing gotoLevel, gotoScores and setSound.
#pragma once

#include "core/vector.h"

class Sprite;

class Menu {
  public:
    static constexpr int LEVELS = 5;

    Menu();
    ~Menu();
    Menu(const Menu&) = delete;
    Menu& operator=(const Menu&) = delete;

    void create(const char* backgroundImage, const char* scoresImage, Vector3<float> scoresPos,
                bool soundOn);
    void setMenuButton(int level, const char* image, Vector3<float> pos, Vector3<float> bestPos);
    void setBest(int level, int best);
    void setSound(bool on);
    void setNewLevel(int level);
    void activate();
    void deactivate();
    void update(float dt);
    void render(Vector2<float> offset);
    void onPtrDown(void* payload);
    void onPtrUp(void* payload);

    Sprite* background = nullptr;
    Sprite* scoresButton = nullptr;
    Sprite* levelButtons[LEVELS] = {};
    Sprite* bestLabels[LEVELS] = {};
    Sprite* soundLabel = nullptr;
    Vector3<float> scoresButtonPos = {0, 0, 0};
    Vector4<float> labelColour;
    Vector4<float> soundColour;
    Vector4<float> buttonColours[LEVELS];
    Vector3<float> buttonPositions[LEVELS] = {};
    float buttonScales[LEVELS] = {};
    Vector3<float> bestPositions[LEVELS] = {};
    int active = 0;
    int pressedButton = -1;
    int newLevel = -1;
    float blink = 0;
    bool soundOn = false;

  private:
    void killSprites();
};

namespace menu {
constexpr Vector4<float> SOUND_COLOR = {1, 0, 0, 1};
constexpr Vector3<float> SOUND_POS = {283, 376, 0};
constexpr Vector4<float> SELECTION_COLOR = {0.6f, 0.6f, 0.7f, 1};
constexpr Vector4<float> UNSELECTION_COLOR = {1, 1, 1, 1};
constexpr const char* SOUND_FONT = "fawn";
constexpr const char* SCORE_FONT = "zerothre";
} // namespace menu
