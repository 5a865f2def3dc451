#include "front_support.h"

#include "core/evt.h"
#include "game/score_menu.h"
#include "gfx/sprite.h"
#include "gfx/texture.h"
#include "support/gl_context.h"

#include <GLES/gl.h>
#include <gtest/gtest.h>

namespace {

// The catalogue's layout of the score board.
const Vector2<int> ROW_POS[5] = {{84, 393}, {101, 347}, {83, 297}, {102, 247}, {117, 200}};
const Vector2<float> ROW_SIZE[5] = {{121, 34}, {155, 32}, {127, 31}, {165, 33}, {196, 35}};
const Vector2<int> BEST_POS[5] = {{280, 393}, {280, 344}, {280, 295}, {280, 246}, {280, 198}};

class ScoreMenuTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        ASSERT_TRUE(testgl::init());
        front::makeResourceDir();
        front::writeImage("board.png", 320, 480, 0x304050FF);
    }

    void SetUp() override {
        sm_ = new ScoreMenu();
        sm_->create("board.png", {269, 156}, {103, 42});
        front::record({"flingoPlaySound", "gotoMenu", "showScores"});
    }

    void TearDown() override {
        front::stopRecording();
        delete sm_;
        texture_mgr.cleanup();
    }

    void unlockAll() {
        for (int i = 0; i < 5; ++i)
            sm_->setLevel(i, ROW_POS[i], ROW_SIZE[i], BEST_POS[i]);
    }
    static void tap(float x, float y) {
        Vector2<float> p = {x, y};
        evt::publish("onPtrUp", &p);
    }

    ScoreMenu* sm_ = nullptr;
};

TEST_F(ScoreMenuTest, TapAreasPublishTheirActionsOnlyWhileActive) {
    unlockAll();
    tap(269, 156); // still sliding in: ignored
    EXPECT_TRUE(front::events().empty());
    sm_->active = 1;

    // Left edge of the back area, exactly: back to the menu.
    tap(269 - 51.5f, 156);
    ASSERT_EQ(front::names(), (std::vector<std::string>{"flingoPlaySound", "gotoMenu"}));
    EXPECT_EQ(front::events()[0].text, "Computer.wav");
    front::events().clear();
    tap(269 - 51.6f, 156);
    EXPECT_TRUE(front::events().empty());

    // Each row asks for its own board; the corners are inside.
    for (int i = 0; i < 5; ++i) {
        front::events().clear();
        tap(ROW_POS[i].x + ROW_SIZE[i].x * 0.5f, ROW_POS[i].y - ROW_SIZE[i].y * 0.5f);
        ASSERT_EQ(front::names(), (std::vector<std::string>{"flingoPlaySound", "showScores"}))
            << "row " << i;
        EXPECT_EQ(evt::payloadInt(front::events()[1].payload), i);
    }
    // Between two rows there is nothing.
    front::events().clear();
    tap(84, 393 - 17.5f);
    EXPECT_TRUE(front::events().empty());
}

TEST_F(ScoreMenuTest, BackAreaWinsOverARowAndLockedRowsDoNothing) {
    sm_->active = 1;
    // Level 4's row is widened to reach into the back area.
    sm_->setLevel(4, {200, 160}, {200, 40}, BEST_POS[4]);
    tap(260, 160);
    EXPECT_EQ(front::names(), (std::vector<std::string>{"flingoPlaySound", "gotoMenu"}));

    front::events().clear();
    tap(84, 393); // level 0 is locked: no row yet
    EXPECT_TRUE(front::events().empty());
    sm_->setLevel(0, ROW_POS[0], ROW_SIZE[0], BEST_POS[0]);
    tap(84, 393);
    EXPECT_EQ(front::names(), (std::vector<std::string>{"flingoPlaySound", "showScores"}));
}

TEST_F(ScoreMenuTest, BestNumbersExistOnlyForPlacedLevels) {
    sm_->setBest(1, 1234);
    EXPECT_EQ(sm_->bestLabels[1], nullptr);
    unlockAll();
    sm_->setBest(1, 1234);
    ASSERT_NE(sm_->bestLabels[1], nullptr);
    sm_->setBest(1, 5);
    EXPECT_NE(sm_->bestLabels[1], nullptr);
    if (front::haveFonts()) {
        EXPECT_GT(sm_->bestLabels[1]->frameSize.x, 0);
        EXPECT_LT(sm_->bestLabels[1]->frameSize.x, 60);
    }
}

class ScoreMenuDrawTest : public ScoreMenuTest {
  protected:
    // Renders into a black screen and returns the pixels.
    std::vector<uint8_t> draw(Vector2<float> offset) {
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
        sm_->render(offset);
        return testgl::readPixels();
    }
    // Columns of one row band that are lit in SCORE_COLOR's hue (green above red and blue).
    static std::vector<int> greenColumns(const std::vector<uint8_t>& px, int yTop, int yBottom) {
        std::vector<int> cols;
        for (int x = 0; x < 320; ++x)
            for (int y = yTop; y <= yBottom; ++y) {
                uint32_t c = testgl::rgbAt(px, x, y);
                int r = (c >> 16) & 0xFF, g = (c >> 8) & 0xFF;
                if (g > 200 && r < 100) {
                    cols.push_back(x);
                    break;
                }
            }
        return cols;
    }
};

TEST_F(ScoreMenuDrawTest, BackgroundFollowsTheOffsetAndNumbersMoveInWholePixels) {
    unlockAll();
    sm_->setBest(1, 1234);

    // Background: 320 wide, centred at offset.x + 160.
    auto px = draw({-100.7f, 0});
    EXPECT_EQ(testgl::rgbAt(px, 10, 240), 0x304050u);
    EXPECT_EQ(testgl::rgbAt(px, 218, 240), 0x304050u);
    EXPECT_EQ(testgl::rgbAt(px, 220, 240), 0x000000u);
    px = draw({160.7f, 0});
    EXPECT_EQ(testgl::rgbAt(px, 159, 240), 0x000000u);
    EXPECT_EQ(testgl::rgbAt(px, 162, 240), 0x304050u);

    if (!front::haveFonts()) GTEST_SKIP() << "the game's fonts are not built";
    // The number of level 1, centred at (280 + truncated offset, 344): rows around 480 - 344.
    px = draw({-100.7f, 0});
    const auto exact = greenColumns(px, 480 - 344 - 12, 480 - 344 + 12);
    px = draw({-100.0f, 0});
    const auto whole = greenColumns(px, 480 - 344 - 12, 480 - 344 + 12);
    ASSERT_FALSE(whole.empty());
    EXPECT_EQ(exact, whole) << "the offset is truncated towards zero for the numbers";
    // The ink lies within the label's quad centred at x 280 - 100.
    const float half = sm_->bestLabels[1]->frameSize.x * 0.5f;
    EXPECT_GE(whole.front(), 180 - half - 1);
    EXPECT_LE(whole.back(), 180 + half + 1);
    EXPECT_GT(whole.back() - whole.front(), 20) << "four digits";
    px = draw({-101.0f, 0});
    EXPECT_NE(greenColumns(px, 480 - 344 - 12, 480 - 344 + 12), whole);
}

} // namespace
