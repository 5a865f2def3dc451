// SPDX-License-Identifier: MIT
// The main menu: its buttons, the sound switch, the new level's pulse and the drawing.
#include "level_driver.h"

#include "game/menu.h"
#include "gfx/sprite.h"

#include <gtest/gtest.h>

using namespace menu;
using leveltest::Events;
using leveltest::rgba;
using leveltest::take;
using leveltest::touch;

namespace {

struct MenuTest : testing::Test {
    static void SetUpTestSuite() {
        ASSERT_TRUE(testgl::init() && leveltest::makeResourceDir());
        leveltest::writeImage("menu_bg.png", 320, 480, 0x2040A0);
        leveltest::writeImage("scores_btn.png", 80, 40, 0x20C040);
        leveltest::writeImage("level_btn.png", 100, 40, 0xFFFFFF);
    }
    void SetUp() override {
        menu.create("menu_bg.png", "scores_btn.png", {63, 343, 0}, true);
        for (int i = 0; i < 5; ++i)
            menu.setMenuButton(i, "level_btn.png", {230, 316.0f - 52 * i, 0}, {0, 0, 0});
        menu.activate();
        leveltest::record({"flingoPlaySound", "gotoLevel", "gotoScores", "setSound"});
    }
    Menu menu;
};

// Down at one point, up at another: the release starts what was pressed only while it is still
// under the finger, and every colour is plain again afterwards. Inactive, as during a slide, it
// hears nothing.
TEST_F(MenuTest, ReleasesStartWhatWasPressed) {
    // Down, up, the button pressed and what is heard.
    const std::tuple<float, float, float, float, int, Events> cases[] = {
        {230, 212, 230, 212, 2, {"Crumple.wav", "gotoLevel 2"}},
        {230, 212, 230, 160, 2, {}}, // released on another button
        {230, 212, 63, 343, 2, {"Computer.wav", "gotoScores"}},
        {180, 244, 280, 284, 1, {"Crumple.wav", "gotoLevel 1"}}, // corners
        {179.5f, 264, 179.5f, 264, -1, {}},
    };
    for (bool active : {true, false}) {
        if (!active) menu.deactivate();
        for (const auto& [x0, y0, x1, y1, pressed, want] : cases) {
            touch("onPtrDown", x0, y0);
            EXPECT_EQ(menu.pressedButton, active ? pressed : -1) << x0 << "," << y0;
            touch("onPtrUp", x1, y1);
            EXPECT_EQ(take(), active ? want : Events{}) << x0 << "," << y0;
            EXPECT_EQ(rgba(menu.buttonColours[std::max(pressed, 0)]), rgba(UNSELECTION_COLOR));
        }
        touch("onPtrUp", 283, 376); // the sound switch
        EXPECT_EQ(take(), active ? (Events{"setSound 0", "Crumple.wav"}) : Events{});
    }
}

// The switch reaches twice its label's half width from its centre; "off" is wider than "on".
TEST_F(MenuTest, SoundSwitchNewLevelPulseAndDrawing) {
    const int onWidth = menu.soundLabel->frameSize.x;
    ASSERT_GT(onWidth, 0);
    touch("onPtrDown", 283, 376);
    EXPECT_EQ(rgba(menu.soundColour), rgba({0.5f, 0, 0, 1}));
    touch("onPtrUp", 283, 376);
    ASSERT_GT(menu.soundLabel->frameSize.x, onWidth);
    touch("onPtrUp", 283.0f - menu.soundLabel->frameSize.x, 376);
    touch("onPtrUp", 283.0f - onWidth - 0.5f, 376);
    EXPECT_TRUE(menu.soundOn);
    EXPECT_EQ(take(), (Events{"setSound 0", "Crumple.wav", "setSound 1", "Crumple.wav"}));
    touch("onPtrDown", 63, 343); // the scores button darkens
    EXPECT_EQ(rgba(menu.labelColour), rgba({0.25f, 0.25f, 0.25f, 1}));
    // The unlocked level's button pulses once a second between white and the selection colour.
    menu.setNewLevel(3);
    const float steps[][2] = {{0.25f, 0.5f}, {0.25f, 0}, {1.5f, 1}, {1.25f, 0.5f}};
    for (const auto& [dt, white] : steps) {
        menu.update(dt);
        EXPECT_NEAR(menu.buttonColours[3].z, 0.7f + 0.3f * white, 1e-4) << dt;
    }
    touch("onPtrDown", 230, 160);
    touch("onPtrUp", 230, 160);
    menu.update(0.25f);
    EXPECT_EQ(rgba(menu.buttonColours[3]), rgba(UNSELECTION_COLOR));
    // Shifted by the slide offset, buttons drawn 10% larger, the pressed one tinted.
    menu.update(0.02f);
    touch("onPtrDown", 230, 212);
    leveltest::clearScreen();
    menu.render({-100, 0});
    const auto px = testgl::readPixels(); // row 0 at the top: screen y 264 is row 216
    // Button 1 spans x 75 to 185; the background ends at x 220.
    EXPECT_EQ(std::tuple(testgl::rgbAt(px, 77, 216), testgl::rgbAt(px, 73, 216),
                         testgl::rgbAt(px, 230, 216)),
              std::tuple(0xFFFFFFu, 0x2040A0u, 0u));
    const uint32_t tinted = testgl::rgbAt(px, 130, 480 - 212);
    EXPECT_NEAR(int(tinted >> 16), 0x99, 2);
    EXPECT_NEAR(int(tinted & 0xFF), 0xB3, 2);
}

} // namespace
