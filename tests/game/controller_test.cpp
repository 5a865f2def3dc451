// SPDX-License-Identifier: MIT
#include "front_support.h"

#include "ads/ads.h"
#include "game/flingo.h"
#include "game/level.h"
#include "game/level_defs.h"
#include "game/menu.h"
#include "game/score_menu.h"
#include "gfx/sprite.h"
#include "gfx/texture.h"
#include "save/savedata.h"
#include "save/scores.h"

#include <algorithm>

using namespace fg;

namespace {

bool freeze_game = false;
int fake_view = 0;

struct FreezingSupplier : AdSupplier {
    bool shouldFreezeGame() const override { return freeze_game; }
};

void frame(int n = 1, double dt = 0.02) {
    for (int i = 0; i < n; ++i) {
        evt::publish("onFrame", &dt);
        evt::publish("render");
    }
}
void backToMenu() {
    for (int i = 0; i < 80 && getState() != STATE_MENU; ++i, frame())
        goBack();
}
// From the menu into state s (numbered 0 to 6 in the order the header lists them).
void reach(int s, int level = 0) {
    if (s == STATE_MENU) return;
    evt::publish(s <= STATE_SCORES_TO_MENU ? "gotoScores" : "gotoLevel", level);
    if (s != STATE_MENU_TO_SCORES && s != STATE_MENU_TO_LEVEL) frame(18);
    if (s == STATE_SCORES_TO_MENU || s == STATE_LEVEL_TO_MENU) evt::publish("gotoMenu");
    ASSERT_EQ(getState(), s);
}
bool saw(const std::string& e) {
    return std::find(front::events().begin(), front::events().end(), e) != front::events().end();
}

class ControllerTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        ASSERT_TRUE(testgl::init());
        ASSERT_TRUE(front::makeResourceDir());
        front::makeDataDir();
        front::writeImage("MMenu.png", 320, 480, 0x2040A0FF);
        front::writeImage("Level1.png", 320, 480, 0xC0C020FF);
        front::writeImage("house_banner_0.png", 320, 50, 0xE02020FF);
        auto answer = [](void*, void* p) { *static_cast<void**>(p) = &fake_view; };
        evt::subscribe("getMainView", evt::Callback(answer, nullptr));
        ASSERT_TRUE(initialize());
        activate();
        AdSupplier::registerAdSupplier(new FreezingSupplier());
    }
    // "onShutdown" may come twice; frames and requests after it do nothing.
    static void TearDownTestSuite() {
        evt::publish("onShutdown");
        EXPECT_EQ(getMenu(), nullptr);
        EXPECT_EQ(AdSupplier::supplierCount(), 0);
        evt::publish("onShutdown");
        evt::publish("gotoLevel", 1);
        evt::publish("setBest", 9);
        frame();
        EXPECT_EQ(getState(), STATE_MENU);
        texture_mgr.cleanup();
    }
    void SetUp() override {
        front::record(
            {"flingoPlaySound", "gotoMenu", "setBackgroundSound", "onLevelUnlocked", "showScores"});
    }
    void TearDown() override { backToMenu(); }
};

// Requests are taken on the menu, the score menu and a level, never during a slide; the back
// key plays the click of the screen's own back button.
TEST_F(ControllerTest, StateTable) {
    const char* const requests[] = {"gotoLevel", "gotoScores", "gotoMenu", "back"};
    // The state after each request, one digit per request, for states 0 to 6.
    const char* const after[] = {"4100", "1111", "2233", "3333", "4444", "5566", "6666"};
    const std::string click[] = {
        "", "", "flingoPlaySound Computer.wav", "", "", "flingoPlaySound Crumple.wav", ""};
    for (int from = 0; from < 7; ++from)
        for (int r = 0; r < 4; ++r) {
            backToMenu();
            reach(from);
            front::events().clear();
            const bool back = r < 3 ? (evt::publish(requests[r], 0), false) : goBack();
            EXPECT_EQ(getState(), after[from][r] - '0') << "from " << from << " on " << requests[r];
            if (r < 3) continue;
            EXPECT_EQ(back, !click[from].empty()) << "from " << from;
            EXPECT_EQ(front::events().empty() ? "" : front::events()[0], click[from]);
        }
}

// On the score menu each row, its far corner included, asks for its own board, and the back
// area returns to the menu; taps while it slides in do nothing.
TEST_F(ControllerTest, ScoreMenuTapRows) {
    auto tap = [](float x, float y) {
        front::events().clear();
        Vector2<float> p = {x, y};
        evt::publish("onPtrUp", &p);
        return front::events();
    };
    const Vector2<int> back = score_menu_info.backButtonPos;
    const float edge = back.x - score_menu_info.backButtonSize.x / 2;
    reach(STATE_MENU_TO_SCORES);
    EXPECT_EQ(tap(edge, back.y), front::Events{});
    frame(18);
    for (int i = 0; i < 5; ++i) {
        const Vector2<int> p = level_info[i].scoreRowPos;
        const Vector2<float> s = level_info[i].scoreRowSize;
        EXPECT_EQ(
            tap(p.x + s.x / 2, p.y - s.y / 2),
            (front::Events{"flingoPlaySound Computer.wav", "showScores " + std::to_string(i)}));
        EXPECT_EQ(tap(p.x + s.x / 2 + 0.5f, p.y), front::Events{}) << "beside row " << i;
    }
    EXPECT_EQ(tap(edge - 0.1f, back.y), front::Events{});
    EXPECT_EQ(tap(edge, back.y), (front::Events{"flingoPlaySound Computer.wav", "gotoMenu",
                                                "setBackgroundSound OfficeNoise.mp3"}));
    EXPECT_EQ(getState(), STATE_SCORES_TO_MENU);
}

// Slides move 960 points a second from their second frame on (the first frame's step came
// before the slide) and end on the 17th moving frame, keeping the overshoot. An ad that
// freezes the game holds everything, the texture clean-up of each update included.
TEST_F(ControllerTest, SlidesEndOnTheSeventeenthMovingFrame) {
    texture_mgr.release(texture_mgr.get("no_longer_used.png"));
    freeze_game = true;
    evt::publish("gotoScores");
    frame(2);
    freeze_game = false;
    EXPECT_NE(texture_mgr.find("no_longer_used.png"), nullptr);
    for (const char* request : {"gotoScores", "gotoLevel"}) {
        evt::publish(request, 0);
        for (bool back : {false, true}) {
            const int sliding = getState();
            frame(1, 0.5);
            EXPECT_EQ(getOffset().x, back ? -320.0f : 0.0f) << request;
            frame(16);
            EXPECT_EQ(getState(), sliding) << request;
            EXPECT_NEAR(getOffset().x, back ? -12.8f : -307.2f, 1e-3) << request;
            EXPECT_EQ(getMenu()->active + getScoreMenu()->active, 0) << request;
            frame();
            EXPECT_NE(getState(), sliding) << request;
            EXPECT_NEAR(getOffset().x, back ? 6.4f : -326.4f, 1e-3) << request;
            if (back) break;
            EXPECT_EQ(request[4] == 'L' ? getLevelObject()->state : getScoreMenu()->active, 1);
            goBack();
        }
        EXPECT_EQ(getMenu()->active, 1);
    }
    EXPECT_EQ(texture_mgr.find("no_longer_used.png"), nullptr);
}

// A level entered, new bests stored (its threshold unlocks the next level once), back to the
// menu and the same level resumed unchanged; the last level has nothing after it to unlock.
TEST_F(ControllerTest, BestsUnlocksAndResumedLevels) {
    level_info[3].unlockScore = level_info[4].unlockScore = 5;
    reach(STATE_SCORES); // its numbers made before the new bests
    backToMenu();
    reach(STATE_LEVEL, 3);
    Level* level = getLevelObject();
    for (int best : {4, 5, 6}) {
        front::events().clear();
        evt::publish("setBest", best);
        EXPECT_EQ(saw("onLevelUnlocked"), best == 5) << "best " << best;
    }
    scoreSubmitted(3, 6);
    level->score = 6;
    const float wind = level->wind;
    backToMenu();
    reach(STATE_LEVEL, 3);
    EXPECT_TRUE(saw("setBackgroundSound AirportNoise.mp3"));
    EXPECT_EQ(level->state, Level::READY);
    EXPECT_EQ(level->score, 6);
    EXPECT_EQ(level->wind, wind);
    EXPECT_EQ(scores::readBest(3), 6);
    EXPECT_EQ(scores::readSubmitted(3), 6);
    EXPECT_EQ(getMenu()->newLevel, 4);
    backToMenu();
    reach(STATE_LEVEL, 4);
    EXPECT_EQ(level->score, 0);
    front::events().clear();
    evt::publish("setBest", 5);
    EXPECT_FALSE(saw("onLevelUnlocked"));
    EXPECT_EQ(scores::readBest(4), 5);
    backToMenu();
    reach(STATE_LEVEL, 3); // made afresh: Submit stays grey, its best was sent
    EXPECT_FALSE(level->canSubmit);
    // The score menu shows the bests as they are now, whenever its numbers are made.
    backToMenu();
    reach(STATE_SCORES);
    for (auto [row, best] : {std::pair{3, "6"}, std::pair{4, "5"}}) {
        const Sprite now(24, -32, score_menu::SCORE_FONT, best, score_menu::SCORE_COLOR, 0);
        ASSERT_NE(getScoreMenu()->bestLabels[row], nullptr) << row;
        EXPECT_EQ(getScoreMenu()->bestLabels[row]->texture, now.texture) << row;
    }
    backToMenu();
    level_info[3].unlockScore = level_info[4].unlockScore = 0;
}

// Once shown, the tutorial is saved as seen and no level made afterwards gets it.
TEST_F(ControllerTest, TheTutorialIsShownOnce) {
    evt::publish("onTutorialShown");
    ASSERT_TRUE(savedata::load());
    EXPECT_TRUE(savedata::read(false, "tutorial_shown"));
    EXPECT_EQ(level_info[0].tutorial, nullptr);
    level_info[0].tutorial = "tutorial.png";
}

TEST_F(ControllerTest, SlidesDrawBothScreensAndTheBannerOnTop) {
    frame(15); // the menu banner slides in
    auto px = testgl::readPixels();
    EXPECT_EQ(testgl::rgbAt(px, 100, 240), 0x2040A0u);
    EXPECT_EQ(testgl::rgbAt(px, 100, 440), 0xE02020u);
    evt::publish("gotoLevel", 0);
    frame();
    frame(8, 1.0 / 48); // halfway: 160 points
    px = testgl::readPixels();
    EXPECT_EQ(testgl::rgbAt(px, 60, 240), 0x2040A0u);
    EXPECT_EQ(testgl::rgbAt(px, 260, 240), 0xC0C020u);
    EXPECT_EQ(testgl::rgbAt(px, 100, 440), 0x2040A0u) << "the banner is sliding out";
}

} // namespace
