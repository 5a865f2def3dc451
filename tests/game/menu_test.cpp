#include "front_support.h"

#include "core/evt.h"
#include "game/menu.h"
#include "gfx/sprite.h"
#include "gfx/texture.h"
#include "support/gl_context.h"

#include <GLES/gl.h>
#include <cstdlib>
#include <gtest/gtest.h>

using namespace menu;

namespace {

const Vector3<float> BUTTON_POS[5] = {
    {230, 316, 0}, {230, 264, 0}, {230, 212, 0}, {230, 160, 0}, {230, 108, 0}};
const Vector3<float> SCORES_POS = {63, 343, 0};
const Vector3<float> NO_BEST = {0, 0, 0};

class MenuTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        ASSERT_TRUE(testgl::init());
        front::makeResourceDir();
        front::writeImage("menu_bg.png", 320, 480, 0x2040A0FF);
        front::writeImage("scores_btn.png", 80, 40, 0x20C040FF);
        front::writeImage("level_btn.png", 100, 40, 0xFFFFFFFF);
    }

    void SetUp() override {
        menu_ = new Menu();
        menu_->create("menu_bg.png", "scores_btn.png", SCORES_POS, true);
        for (int i = 0; i < 5; ++i)
            menu_->setMenuButton(i, "level_btn.png", BUTTON_POS[i], NO_BEST);
        menu_->activate();
        front::record({"flingoPlaySound", "gotoLevel", "gotoScores", "setSound"});
    }

    void TearDown() override {
        front::stopRecording();
        delete menu_;
        texture_mgr.cleanup();
    }

    static void down(float x, float y) {
        Vector2<float> p = {x, y};
        evt::publish("onPtrDown", &p);
    }
    static void up(float x, float y) {
        Vector2<float> p = {x, y};
        evt::publish("onPtrUp", &p);
    }
    static bool nearRgb(uint32_t got, uint32_t want) {
        for (int shift = 0; shift <= 16; shift += 8) {
            int a = int((got >> shift) & 0xFF), b = int((want >> shift) & 0xFF);
            if (std::abs(a - b) > 2) return false;
        }
        return true;
    }
    static bool isColour(Vector4<float> c, Vector4<float> want) {
        return c.x == want.x && c.y == want.y && c.z == want.z && c.w == want.w;
    }
    bool allWhite() const {
        for (const auto& c : menu_->buttonColours)
            if (!isColour(c, UNSELECTION_COLOR)) return false;
        return isColour(menu_->labelColour, {1, 1, 1, 1}) &&
               isColour(menu_->soundColour, SOUND_COLOR);
    }

    Menu* menu_ = nullptr;
};

TEST_F(MenuTest, LevelButtonTapsStartTheLevelOnlyWhenReleasedOnTheSameButton) {
    // Press and release on level 2: the click, then the level.
    down(230, 212);
    EXPECT_TRUE(isColour(menu_->buttonColours[2], SELECTION_COLOR));
    EXPECT_TRUE(isColour(menu_->buttonColours[1], UNSELECTION_COLOR));
    EXPECT_EQ(menu_->pressedButton, 2);
    up(230, 212);
    ASSERT_EQ(front::names(), (std::vector<std::string>{"flingoPlaySound", "gotoLevel"}));
    EXPECT_EQ(front::events()[0].text, "Crumple.wav");
    EXPECT_EQ(evt::payloadInt(front::events()[1].payload), 2);
    EXPECT_EQ(menu_->pressedButton, -1);

    // Pressed on 2, released on 3: nothing starts and every button is white again.
    front::events().clear();
    down(230, 212);
    up(230, 160);
    EXPECT_TRUE(front::events().empty());
    EXPECT_TRUE(allWhite());

    // Pressed on 2, slid to the scores button: the scores open.
    down(230, 212);
    up(63, 343);
    ASSERT_EQ(front::names(), (std::vector<std::string>{"flingoPlaySound", "gotoScores"}));
    EXPECT_EQ(front::events()[0].text, "Computer.wav");

    // The button's edges count: 100 x 40 centred at (230, 264).
    front::events().clear();
    down(180, 244);
    up(280, 284);
    ASSERT_EQ(front::names(), (std::vector<std::string>{"flingoPlaySound", "gotoLevel"}));
    EXPECT_EQ(evt::payloadInt(front::events()[1].payload), 1);
    front::events().clear();
    down(179.5f, 264);
    up(179.5f, 264);
    EXPECT_TRUE(front::events().empty());
}

TEST_F(MenuTest, PressFeedbackOnScoresButtonAndSoundLabel) {
    down(63, 343);
    EXPECT_EQ(menu_->pressedButton, -1);
    EXPECT_TRUE(isColour(menu_->labelColour, {0.25f, 0.25f, 0.25f, 1}));
    up(0, 0); // released on nothing: nothing happens, colours reset
    EXPECT_TRUE(front::events().empty());
    EXPECT_TRUE(allWhite());

    if (!front::haveFonts()) GTEST_SKIP() << "the game's fonts are not built";
    down(283, 376);
    EXPECT_TRUE(isColour(menu_->soundColour, {0.5f, 0, 0, 1}));
    EXPECT_TRUE(isColour(menu_->labelColour, {1, 1, 1, 1}));
}

TEST_F(MenuTest, SoundSwitchTogglesWithATouchAreaTwiceTheLabel) {
    if (!front::haveFonts()) GTEST_SKIP() << "the game's fonts are not built";
    ASSERT_TRUE(menu_->soundOn);
    const Vector2<int> onSize = menu_->soundLabel->frameSize;
    ASSERT_GT(onSize.x, 0);

    up(283, 376);
    ASSERT_EQ(front::names(), (std::vector<std::string>{"setSound", "flingoPlaySound"}));
    EXPECT_EQ(front::events()[0].payload, nullptr); // false
    EXPECT_EQ(front::events()[1].text, "Crumple.wav");
    EXPECT_FALSE(menu_->soundOn);
    EXPECT_GT(menu_->soundLabel->frameSize.x, onSize.x) << "\"Sound: off\" is wider than \"on\"";

    // Twice the half width from the centre is still on the switch; a little further is not.
    front::events().clear();
    const float reach = static_cast<float>(menu_->soundLabel->frameSize.x);
    up(283 - reach, 376);
    ASSERT_EQ(front::names(), (std::vector<std::string>{"setSound", "flingoPlaySound"}));
    EXPECT_EQ(evt::payloadInt(front::events()[0].payload), 1);
    EXPECT_TRUE(menu_->soundOn);
    front::events().clear();
    const float onReach = static_cast<float>(menu_->soundLabel->frameSize.x);
    up(283 - onReach - 0.5f, 376);
    EXPECT_TRUE(front::events().empty());
}

TEST_F(MenuTest, NewLevelPulsesUntilItsButtonStartsTheLevel) {
    menu_->setNewLevel(3);
    auto near = [](Vector4<float> c, float r, float g, float b) {
        return std::abs(c.x - r) < 1e-4f && std::abs(c.y - g) < 1e-4f &&
               std::abs(c.z - b) < 1e-4f && c.w == 1.0f;
    };
    menu_->update(0.25f); // a quarter of the way: halfway between white and the selection
    EXPECT_TRUE(near(menu_->buttonColours[3], 0.8f, 0.8f, 0.85f));
    menu_->update(0.25f);
    EXPECT_TRUE(near(menu_->buttonColours[3], 0.6f, 0.6f, 0.7f));
    menu_->update(0.5f);
    EXPECT_TRUE(near(menu_->buttonColours[3], 1, 1, 1));
    menu_->update(1.25f); // several periods at once wrap the same way
    EXPECT_TRUE(near(menu_->buttonColours[3], 0.8f, 0.8f, 0.85f));
    EXPECT_FLOAT_EQ(menu_->buttonScales[3], 1.1f);

    // Holding the button keeps it at the selection colour.
    down(230, 160);
    menu_->update(0.3f);
    EXPECT_TRUE(isColour(menu_->buttonColours[3], SELECTION_COLOR));
    EXPECT_FLOAT_EQ(menu_->blink, 0.5f);
    up(230, 160);
    EXPECT_EQ(evt::payloadInt(front::events().back().payload), 3);
    EXPECT_EQ(menu_->newLevel, -1);
    menu_->update(0.25f);
    EXPECT_TRUE(isColour(menu_->buttonColours[3], UNSELECTION_COLOR));
}

TEST_F(MenuTest, InactiveMenuIgnoresInputAndUpdates) {
    menu_->deactivate();
    for (float s : menu_->buttonScales)
        EXPECT_EQ(s, 0.0f);
    down(230, 212);
    EXPECT_EQ(menu_->pressedButton, -1);
    up(230, 212);
    up(63, 343);
    EXPECT_TRUE(front::events().empty());
    menu_->update(0.02f);
    EXPECT_EQ(menu_->buttonScales[0], 0.0f);

    // create leaves the menu inactive as well.
    menu_->activate();
    menu_->create("menu_bg.png", "scores_btn.png", SCORES_POS, false);
    EXPECT_EQ(menu_->active, 0);
    EXPECT_EQ(menu_->levelButtons[0], nullptr);
    up(63, 343);
    EXPECT_TRUE(front::events().empty());
}

TEST_F(MenuTest, BestNumbersOnlyWhereAPositionIsGiven) {
    menu_->setBest(1, 0);
    EXPECT_EQ(menu_->bestLabels[1], nullptr);
    menu_->setMenuButton(1, "level_btn.png", BUTTON_POS[1], {150, 264, 0});
    menu_->setMenuButton(1, "level_btn.png", BUTTON_POS[1], NO_BEST); // keeps the position
    EXPECT_EQ(menu_->bestPositions[1].x, 150.0f);
    menu_->setBest(1, 42);
    ASSERT_NE(menu_->bestLabels[1], nullptr);
    if (front::haveFonts()) {
        EXPECT_GT(menu_->bestLabels[1]->frameSize.x, 0);
    }
}

TEST_F(MenuTest, DrawsButtonsScaledTintedAndShifted) {
    menu_->update(0.02f); // active: buttons at 1.1
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrthof(0, 320, 0, 480, 0, 450);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glVertexPointer(2, GL_FLOAT, 0, fg::quad_verts);

    down(230, 212); // button 2 tinted with the selection colour
    menu_->render({0, 0});
    auto px = testgl::readPixels();
    // Pixel rows count from the top: screen y 212 is row 480 - 212 = 268.
    EXPECT_EQ(testgl::rgbAt(px, 230, 480 - 264), 0xFFFFFFu);
    EXPECT_PRED2(nearRgb, testgl::rgbAt(px, 230, 480 - 212), 0x9999B3u);
    // 10% larger than the 100-pixel image: x 175 to 285.
    EXPECT_EQ(testgl::rgbAt(px, 177, 480 - 264), 0xFFFFFFu);
    EXPECT_EQ(testgl::rgbAt(px, 173, 480 - 264), 0x2040A0u);
    EXPECT_EQ(testgl::rgbAt(px, 63, 480 - 343), 0x20C040u);

    // Shifted by the slide offset; the part left of the screen is gone.
    glClear(GL_COLOR_BUFFER_BIT);
    menu_->render({-100, 0});
    px = testgl::readPixels();
    EXPECT_EQ(testgl::rgbAt(px, 130, 480 - 264), 0xFFFFFFu);
    EXPECT_EQ(testgl::rgbAt(px, 200, 480 - 264), 0x2040A0u);
    EXPECT_EQ(testgl::rgbAt(px, 230, 480 - 264), 0x000000u);
}

} // namespace
