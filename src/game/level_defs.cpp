// SPDX-License-Identifier: MIT
#include "game/level_defs.h"

#include "game/overlays.h"

#include <utility>

namespace fg {

LevelInfo level_info[LEVEL_COUNT];
MenuInfo menu_info;
ScoreMenuInfo score_menu_info;

namespace {

// Depth of the HUD labels: one float step in front of the background at 449.9, so they sort
// right after it.
constexpr float Z = 449.88998f;

void setFans(LevelInfo& l, const char* left, Vector3<float> leftPos, Vector2<int> leftSize,
             const char* right, Vector3<float> rightPos, Vector2<int> rightSize) {
    const char* names[2] = {left, right};
    const Vector3<float> positions[2] = {leftPos, rightPos};
    const Vector2<int> sizes[2] = {leftSize, rightSize};
    for (int g = 0; g < 2; ++g) {
        FanLayer& f = l.fans[g][0];
        f.texture = names[g];
        f.position = positions[g];
        f.frameSize = sizes[g];
        f.scale = {1, 1};
        f.scroll = {0, 0};
        f.windRange = {0, 0};
        f.duration = 0.1f;
        f.frameCount = 0;
    }
}

void setHud(LevelInfo& l, Vector3<float> scoreRot, Vector3<float> scorePos, Vector3<float> bestRot,
            Vector3<float> bestPos, Vector3<float> submitRot, Vector3<float> submitPos,
            Vector3<float> menuRot, Vector3<float> menuPos) {
    l.hudScoreRot = scoreRot;
    l.hudScorePos = scorePos;
    l.hudBestRot = bestRot;
    l.hudBestPos = bestPos;
    l.hudSubmitRot = submitRot;
    l.hudSubmitPos = submitPos;
    l.hudMenuRot = menuRot;
    l.hudMenuPos = menuPos;
}

void setOfficeSounds(LevelInfo& l) {
    l.backgroundSound = "OfficeNoise.mp3";
    l.leftSounds[0] = "OffScreenLeft0.wav";
    l.leftSounds[1] = "OffScreenLeft1.wav";
    l.leftSounds[2] = "OffScreenLeft2.wav";
    l.leftSounds[3] = "OffScreenLeft3.wav";
    l.rightSounds[0] = "OffScreenRight0.wav";
    l.rightSounds[1] = "OffScreenRight1.wav";
}

void fillEasy(LevelInfo& l) {
    l.menuButton = "Easy_button.png";
    l.menuButtonPos = {230, 316, 0};
    l.scoreRowPos = {84, 393};
    l.scoreRowSize = {121, 34};
    l.scoreBestPos = {280, 393};
    setHud(l, {0, 0, -3}, {40, 410, Z}, {0, 0, -3}, {40, 385, Z}, {0, 0, -3}, {40, 360, Z},
           {0, 0, -3}, {48, 295, 0});
    l.canFront = "CanFront_L1.png";
    l.basketX = 160;
    l.basketY = 183;
    l.canFrontDepth = 6.2819996f;
    l.basketDepth = 8.282f;
    l.rimHalfWidth = 37;
    l.rimHeight = 30;
    l.floorDrop = 30;
    l.foreground = "Level1_foreground.png";
    l.foregroundPos = {160, 240, 1};
    setFans(l, "fan_l1l2_left.png", {31, 58, 0.9f}, {121, 198}, "fan_l1l2_right.png",
            {292, 66, 0.9f}, {121, 198});
    l.windTextPos = {0, 0, 4.65f};
    l.windArrowPos = {0, 0, 4.25f};
    l.windSize = {0.6f, 0.5f};
    l.cameraHeight = 4.661f;
    l.fieldOfView = 43.357f;
    setOfficeSounds(l);
    l.background = "Level1.png";
}

void fillMedium(LevelInfo& l) {
    l.menuButton = "Med_button.png";
    l.menuButtonPos = {230, 264, 0};
    l.scoreRowPos = {101, 347};
    l.scoreRowSize = {155, 32};
    l.scoreBestPos = {280, 344};
    setHud(l, {0, 0, -4}, {64, 415, Z}, {0, 0, -4}, {64, 397, Z}, {0, 0, -4}, {64, 379, Z},
           {0, 0, -4}, {162, 404, 0});
    l.canFront = "CanFront_L2.png";
    l.basketX = 162;
    l.basketY = 271;
    l.canFrontDepth = 10.625f;
    l.basketDepth = 12.625f;
    l.rimHalfWidth = 24;
    l.rimHeight = 30;
    l.floorDrop = 16;
    l.foreground = "Level2_foreground.png";
    l.foregroundPos = {160, 240, 1};
    l.foreground2 = "Level2_Computer.png";
    l.foreground2Pos = {160, 240, 10.625f};
    setFans(l, "fan_l1l2_left.png", {7, 78, 0}, {121, 198}, "fan_l1l2_right.png", {314, 80, 0},
            {121, 198});
    l.windTextPos = {0, 0, 5};
    l.windArrowPos = {0, 0, 4.25f};
    l.windSize = {0.9f, 0.9f};
    l.cameraHeight = 4.276f;
    l.fieldOfView = 43.357f;
    setOfficeSounds(l);
    l.background = "Level2.png";
    l.apexHeight = 110;
}

void fillHard(LevelInfo& l) {
    l.menuButton = "Hard_button.png";
    l.menuButtonPos = {230, 212, 0};
    l.scoreRowPos = {83, 297};
    l.scoreRowSize = {127, 31};
    l.scoreBestPos = {280, 295};
    setHud(l, {0, 0, 0}, {114, 414, Z}, {0, 0, 0}, {112, 397, Z}, {0, 0, 0}, {114, 380, Z},
           {0, 0, 0}, {230, 408, 0});
    l.canFront = "CanFront_L3.png";
    l.basketX = 160;
    l.basketY = 322;
    l.canFrontDepth = 26.476f;
    l.basketDepth = 28.476f;
    l.rimHalfWidth = 12;
    l.rimHeight = 16;
    l.floorDrop = 6;
    l.foreground = "Front_desks_L3.png";
    l.foregroundPos = {160, 240, 26.576f};
    setFans(l, "Far_fan_Left.png", {40, 324, 14.238f}, {121, 198}, "Far_fan_Right.png",
            {290, 322, 14.238f}, {121, 198});
    l.windTextPos = {0, 0, 6};
    l.windArrowPos = {0, 0, 4};
    l.windSize = {2, 2.5f};
    l.cameraHeight = 4.827f;
    l.fieldOfView = 43.357f;
    setOfficeSounds(l);
    l.background = "Level3.png";
    l.apexHeight = 110;
}

void fillAirport(LevelInfo& l) {
    l.menuButton = "Airport_button.png";
    l.menuButtonPos = {230, 160, 0};
    l.scoreRowPos = {102, 247};
    l.scoreRowSize = {165, 33};
    l.scoreBestPos = {280, 246};
    setHud(l, {0, 0, 2}, {268, 402, Z}, {0, 0, 2}, {268, 382, Z}, {0, 0, 2}, {268, 362, Z},
           {0, 0, 2}, {268, 304, 0});
    l.canFront = "Airport_Canfront.png";
    l.basketX = 160;
    l.basketY = 166;
    l.canFrontDepth = 7.57425f;
    l.basketDepth = 10.099f;
    l.rimHalfWidth = 28;
    l.rimHeight = 36;
    l.floorDrop = 20;
    setFans(l, "fan_l1l2_left.png", {24, 35, 0.9f}, {121, 198}, "fan_l1l2_right.png",
            {304, 35, 0.9f}, {121, 198});
    l.windTextPos = {0, 0, 4.25f};
    l.windArrowPos = {0, 0, 3.7f};
    l.windSize = {0.9f, 0.7f};
    l.cameraHeight = 4.471f;
    l.fieldOfView = 45;
    l.backgroundSound = "AirportNoise.mp3";
    l.leftSounds[0] = "AirportLeft0.wav";
    l.leftSounds[1] = "AirportLeft1.wav";
    l.rightSounds[0] = "AirportRight0.wav";
    l.rightSounds[1] = "AirportRight1.wav";
    l.background = "Airport.png";
}

void fillBasement(LevelInfo& l) {
    l.menuButton = "Basement_button.png";
    l.menuButtonPos = {230, 108, 0};
    l.scoreRowPos = {117, 200};
    l.scoreRowSize = {196, 35};
    l.scoreBestPos = {280, 198};
    setHud(l, {0, 0, -10}, {91, 365, Z}, {0, 0, -5.5f}, {89, 342, Z}, {0, 0, 0}, {91, 321, Z},
           {0, 0, 0}, {284, 40, 0});
    l.canFront = "canfront_basement.png";
    l.basketX = 161;
    l.basketY = 221;
    l.canFrontDepth = 18.645f;
    l.basketDepth = 19.483f;
    l.rimHalfWidth = 18;
    l.rimHeight = 18;
    l.floorDrop = 13;
    l.foreground = "Basement_foreground.png";
    l.foregroundPos = {160, 284, 12};
    setFans(l, "Fan_Bmt_L.png", {14, 224, 8}, {28, 79}, "Fan_Bmt_R.png", {290, 171, 5}, {63, 134});
    l.windTextPos = {0, 0, 5.5f};
    l.windArrowPos = {0, 0, 4.5f};
    l.windSize = {1.5f, 1.5f};
    l.cameraHeight = 6.037f;
    l.fieldOfView = 43.357f;
    l.backgroundSound = "BasementAmbient.mp3";
    l.leftSounds[0] = "mopper_urinal.wav";
    l.leftSounds[1] = "crooner_worldtour.wav";
    l.rightSounds[0] = "MetalClank.wav";
    l.rightSounds[1] = "Rats.wav";
    l.background = "Basement.png";
}

} // namespace

void initializeData() {
    menu_info = {"MMenu.png", "HS_btn_green.png", {63, 343}};
    score_menu_info = {"SBoard_menu.png", {269, 156}, {103, 42}};

    for (LevelInfo& l : level_info)
        l = LevelInfo{};
    fillEasy(level_info[0]);
    fillMedium(level_info[1]);
    fillHard(level_info[2]);
    fillAirport(level_info[3]);
    fillBasement(level_info[4]);
    for (LevelInfo& l : level_info) {
        l.windColour = {1, 1, 1, 1};
        // The foregrounds are cropped to what shows of them: placed where the full ones were.
        for (auto [name, pos] : {std::pair{l.foreground, &l.foregroundPos},
                                 std::pair{l.foreground2, &l.foreground2Pos}}) {
            const Vector2<float> shift = overlayShift(name);
            pos->x += shift.x;
            pos->y += shift.y;
        }
    }
}

} // namespace fg
