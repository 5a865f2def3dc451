// SPDX-License-Identifier: MIT
// The level catalogue: one fixed record per level plus the two menu records. Filled once at
// start-up by fg::initializeData; the screens keep pointers into these tables for the whole run.
#pragma once

#include "core/vector.h"

namespace fg {

constexpr int LEVEL_COUNT = 5;
constexpr int FAN_LAYERS = 8;

// One animated layer of a fan. A non-zero scroll makes the layer a scrolling sprite.
struct FanLayer {
    const char* texture;
    Vector3<float> position; // x, y on screen, z depth
    Vector2<int> frameSize;
    Vector2<float> scale;
    Vector2<float> scroll;    // texture speed in pixels per second at full wind
    Vector2<float> windRange; // min and max of the value the wind strength interpolates
    float duration;           // seconds for one pass through the frames
    int frameCount;           // 0: as many frames as the image holds
};

// One level's record. Screen values are in pixels of the 320 x 480 screen, y up; depths and
// world values are in units of the level's perspective scene. A null name means "absent".
struct LevelInfo {
    const char* menuButton;
    Vector3<float> menuButtonPos;
    Vector3<float> menuBestPos; // (0, 0, 0): the menu shows no best score
    int unlockScore;
    Vector2<int> scoreRowPos;
    Vector2<float> scoreRowSize;
    Vector2<int> scoreBestPos;
    const char* hudBoard;
    Vector3<float> hudBoardPos;
    Vector3<float> hudScoreRot, hudScorePos;
    Vector3<float> hudBestRot, hudBestPos;
    Vector3<float> hudSubmitRot, hudSubmitPos;
    Vector3<float> hudMenuRot, hudMenuPos;
    bool hasMenuText;
    const char* canFront;
    float basketX;
    float basketY;
    float canFrontDepth;
    Vector2<int> canFrontSize; // (0, 0): the whole image
    float basketDepth;
    float rimHalfWidth;
    float rimHeight;
    float floorDrop;
    const char* foreground;
    Vector3<float> foregroundPos;
    const char* foreground2;
    Vector3<float> foreground2Pos;
    FanLayer fans[2][FAN_LAYERS]; // [0] left, [1] right; a null texture ends a group
    Vector3<float> windTextPos;
    Vector3<float> windArrowPos;
    Vector2<float> windSize;
    Vector4<float> windColour;
    float windDepth; // 0: just in front of the can front; -1: the entry's own z
    float cameraHeight;
    float fieldOfView;
    const char* backgroundSound;
    const char* catcherSound;
    const char* leftSounds[4];
    const char* rightSounds[4];
    const char* catcherSprite;
    Vector2<int> catcherFrameSize;
    float catcherScale;
    float catcherDuration;
    int catcherRadius; // 0: never catches
    const char* background;
    const char* tutorial;
    int apexHeight; // 0: 140
    bool celebrationMode;
};

struct MenuInfo {
    const char* background;
    const char* scoresButton;
    Vector2<int> scoresButtonPos;
};

struct ScoreMenuInfo {
    const char* background;
    Vector2<int> backButtonPos;
    Vector2<float> backButtonSize;
};

extern LevelInfo level_info[LEVEL_COUNT];
extern MenuInfo menu_info;
extern ScoreMenuInfo score_menu_info;

// Fills the three records. Every field not set for a level row is zero or null.
void initializeData();

} // namespace fg
