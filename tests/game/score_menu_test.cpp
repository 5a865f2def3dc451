#include "front_support.h"

#include "game/score_menu.h"

using front::Events;

namespace {

const Vector2<int> ROW_POS[5] = {{84, 393}, {101, 347}, {83, 297}, {102, 247}, {117, 200}};
const Vector2<float> ROW_SIZE[5] = {{121, 34}, {155, 32}, {127, 31}, {165, 33}, {196, 35}};

class ScoreMenuTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        ASSERT_TRUE(testgl::init());
        ASSERT_TRUE(front::makeResourceDir());
        front::writeImage("board.png", 320, 480, 0x304050FF);
    }
    void SetUp() override {
        sm.create("board.png", {269, 156}, {103, 42});
        for (int i = 1; i < 5; ++i) // level 0 stays locked
            sm.setLevel(i, ROW_POS[i], ROW_SIZE[i], {280, 393 - 49 * i});
        front::record({"flingoPlaySound", "gotoMenu", "showScores"});
    }
    void TearDown() override { front::stopRecording(); }
    Events tap(float x, float y) {
        front::events().clear();
        Vector2<float> p = {x, y};
        evt::publish("onPtrUp", &p);
        return front::events();
    }
    ScoreMenu sm;
};

Events clicked(std::string action) {
    return {"flingoPlaySound Computer.wav", action};
}

TEST_F(ScoreMenuTest, TapRowsAndTheBackArea) {
    EXPECT_EQ(tap(269, 156), Events{}) << "inactive while sliding in";
    sm.active = 1;
    EXPECT_EQ(tap(269 - 51.5f, 156), clicked("gotoMenu")) << "the back area's edge";
    EXPECT_EQ(tap(269 - 51.6f, 156), Events{});
    EXPECT_EQ(tap(84, 393), Events{}) << "a locked level has no row";
    EXPECT_EQ(tap(101, 347 - 16.5f), Events{}) << "just below a row";
    for (int i = 1; i < 5; ++i) // the far corners are inside
        EXPECT_EQ(tap(ROW_POS[i].x + ROW_SIZE[i].x / 2, ROW_POS[i].y - ROW_SIZE[i].y / 2),
                  clicked("showScores " + std::to_string(i)));
    sm.setLevel(4, {200, 160}, {200, 40}, {280, 197}); // reaching into the back area
    EXPECT_EQ(tap(260, 160), clicked("gotoMenu")) << "the back area comes first";
    sm.setBest(0, 12);
    sm.setBest(1, 1234);
    EXPECT_EQ(sm.bestLabels[0], nullptr) << "a locked level shows no number";
    EXPECT_NE(sm.bestLabels[1], nullptr);
}

} // namespace
