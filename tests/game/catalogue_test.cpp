#include "game/level_defs.h"

#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <string>

namespace {

const fg::LevelInfo& fill(int i) {
    fg::initializeData();
    return fg::level_info[i];
}

int leading(const char* const (&names)[4]) {
    int n = 0;
    while (n < 4 && names[n])
        ++n;
    return n;
}

} // namespace

TEST(Catalogue, LabelDepthAndCanFrontAreTheExactFloats) {
    fg::initializeData();
    const float z = std::nextafter(449.89f, 0.0f); // one step below the float nearest 449.89
    for (const fg::LevelInfo& l : fg::level_info) {
        EXPECT_EQ(l.hudScorePos.z, z);
        EXPECT_EQ(l.hudBestPos.z, z);
        EXPECT_EQ(l.hudSubmitPos.z, z);
        EXPECT_EQ(l.hudMenuPos.z, 0.0f); // the Menu button is not a label
        EXPECT_LT(l.hudScorePos.z, 449.9f);
    }
    EXPECT_EQ(fg::level_info[0].canFrontDepth, fg::level_info[0].basketDepth - 2.0f);
    EXPECT_NE(fg::level_info[0].canFrontDepth, 6.282f);
}

// The landing geometry every level's art was drawn for: rim edges, ball radius at the landing
// depth, rim line, top of the flight and floor line.
TEST(Catalogue, LandingGeometryOfEveryRow) {
    struct Geometry {
        int rimLeft, rimRight;
        double s, r, rimLine, top, floor;
    };
    const Geometry expected[5] = {{123, 197, 0.2650, 11.40, 213, 353, 153},
                                  {138, 186, 0.1914, 8.23, 301, 411, 255},
                                  {148, 172, 0.0950, 4.08, 338, 448, 316},
                                  {132, 188, 0.2283, 9.82, 202, 342, 146},
                                  {143, 179, 0.1330, 5.72, 239, 379, 208}};
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(i);
        const fg::LevelInfo& l = fill(i);
        const Geometry& g = expected[i];
        EXPECT_EQ(int(l.basketX - l.rimHalfWidth), g.rimLeft);
        EXPECT_EQ(int(l.rimHalfWidth + l.basketX), g.rimRight);
        const double s = 2.99 / (3 + l.basketDepth);
        EXPECT_NEAR(s, g.s, 5e-5);
        EXPECT_NEAR(86 * 0.5 * s, g.r, 5e-3);
        EXPECT_EQ(l.rimHeight + l.basketY, g.rimLine);
        EXPECT_EQ(l.rimHeight + l.basketY + (l.apexHeight ? l.apexHeight : 140), g.top);
        EXPECT_EQ(l.basketY - l.floorDrop, g.floor);
    }
}

TEST(Catalogue, SoundListsAndForegrounds) {
    const int left[5] = {4, 4, 4, 2, 2};
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(i);
        const fg::LevelInfo& l = fill(i);
        EXPECT_EQ(leading(l.leftSounds), left[i]);
        EXPECT_EQ(leading(l.rightSounds), 2);
        EXPECT_EQ(l.foreground2 != nullptr, i == 1);  // only Medium has a second one
        EXPECT_GT(l.windTextPos.z, l.windArrowPos.z); // the number lies beyond the arrow
    }
    EXPECT_EQ(fill(3).foreground, nullptr); // the airport has nothing in front
}

TEST(Catalogue, UnlistedFieldsAreZeroAndEachFanHasOneLayer) {
    fg::initializeData();
    fg::level_info[0].tutorial = "tutorial.png";
    fg::level_info[2].catcherRadius = 9;
    fg::initializeData(); // fills afresh: nothing left over from before
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(i);
        const fg::LevelInfo& l = fg::level_info[i];
        EXPECT_EQ(l.tutorial, nullptr);
        EXPECT_EQ(l.unlockScore, 0);
        EXPECT_EQ(l.menuBestPos.x + l.menuBestPos.y + l.menuBestPos.z, 0.0f);
        EXPECT_EQ(l.hudBoard, nullptr);
        EXPECT_EQ(l.catcherSprite, nullptr);
        EXPECT_EQ(l.catcherSound, nullptr);
        EXPECT_EQ(l.catcherRadius, 0);
        EXPECT_FALSE(l.hasMenuText);
        EXPECT_FALSE(l.celebrationMode);
        EXPECT_EQ(l.canFrontSize.x + l.canFrontSize.y, 0);
        EXPECT_EQ(l.menuButtonPos.x, 230.0f);
        EXPECT_EQ(l.menuButtonPos.y, 316.0f - 52.0f * float(i));
        for (int g = 0; g < 2; ++g) {
            const fg::FanLayer& f = l.fans[g][0];
            ASSERT_NE(f.texture, nullptr);
            EXPECT_EQ(f.scale.x, 1.0f);
            EXPECT_EQ(f.scale.y, 1.0f);
            EXPECT_EQ(f.scroll.x + f.scroll.y + f.windRange.x + f.windRange.y, 0.0f);
            EXPECT_EQ(f.duration, 0.1f);
            EXPECT_EQ(f.frameCount, 0);
            for (int j = 1; j < fg::FAN_LAYERS; ++j)
                EXPECT_EQ(l.fans[g][j].texture, nullptr);
        }
    }
    EXPECT_EQ(fg::level_info[4].fans[0][0].frameSize.x, 28);
    EXPECT_EQ(fg::level_info[4].fans[1][0].frameSize.y, 134);
    EXPECT_EQ(fg::level_info[4].fans[1][0].position.z, 5.0f);
}

TEST(Catalogue, MenuRecords) {
    fg::initializeData();
    EXPECT_STREQ(fg::menu_info.scoresButton, "HS_btn_green.png");
    EXPECT_EQ(fg::menu_info.scoresButtonPos.y, 343);
    EXPECT_STREQ(fg::score_menu_info.background, "SBoard_menu.png");
    EXPECT_EQ(fg::score_menu_info.backButtonSize.x, 103.0f);
}
