// SPDX-License-Identifier: MIT
// The score menu: the levels with the player's best score for each, a tap area per unlocked
// level that asks for its online board (showScores) and a tap area back to the main menu.
#pragma once

#include "core/vector.h"

#include <string>

class Sprite;

class ScoreMenu {
  public:
    static constexpr int LEVELS = 5;

    ScoreMenu();
    ~ScoreMenu();
    ScoreMenu(const ScoreMenu&) = delete;
    ScoreMenu& operator=(const ScoreMenu&) = delete;

    void create(const char* backgroundImage, Vector2<int> backPosition, Vector2<float> backSize);
    void setLevel(int level, Vector2<int> rowPosition, Vector2<float> rowSize,
                  Vector2<int> bestPosition);
    void setBest(int level, int best);
    void update(float dt);
    void render(Vector2<float> offset);
    void onPtrUp(void* payload);

    // The picture and the numbers are made at the first frame that shows them: most runs never
    // open this menu, and a run that does sees them a slide later.
    std::string backgroundName;
    Sprite* background = nullptr;
    int bests[LEVELS] = {};
    bool hasBest[LEVELS] = {};
    Sprite* bestLabels[LEVELS] = {};
    Vector2<int> backPos = {0, 0};
    Vector2<float> backSize = {0, 0};
    Vector2<int> rowPositions[LEVELS] = {};
    Vector2<float> rowSizes[LEVELS] = {};
    Vector2<int> bestPositions[LEVELS] = {};
    int active = 0; // written by the controller
};

namespace score_menu {
constexpr Vector4<float> SCORE_COLOR = {13.0f / 255.0f, 1.0f, 116.0f / 255.0f, 1.0f};
constexpr const char* SCORE_FONT = "zerothre";
} // namespace score_menu
