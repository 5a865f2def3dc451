// SPDX-License-Identifier: MIT
// The game's controller: its screens, slides, requests, bests and unlocks.
#include "level_driver.h"

#include "ads/ads.h"
#include "game/flingo.h"
#include "game/menu.h"
#include "game/score_menu.h"
#include "gfx/sprite.h"
#include "gfx/texture.h"
#include "save/savedata.h"
#include "save/scores.h"

#include <algorithm>
#include <gtest/gtest.h>

using namespace fg;
using leveltest::Events;
using leveltest::take;

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
// Back to the menu, then into state s (numbered 0 to 6 in the order the header lists them).
void reach(int s, int level = 0) {
    backToMenu();
    if (s == STATE_MENU) return;
    evt::publish(s <= STATE_SCORES_TO_MENU ? "gotoScores" : "gotoLevel", level);
    if (s != STATE_MENU_TO_SCORES && s != STATE_MENU_TO_LEVEL) frame(18);
    if (s == STATE_SCORES_TO_MENU || s == STATE_LEVEL_TO_MENU) evt::publish("gotoMenu");
    ASSERT_EQ(getState(), s);
}

struct Controller : testing::Test {
    static void SetUpTestSuite() {
        ASSERT_TRUE(testgl::init() && leveltest::makeResourceDir());
        leveltest::writeImage("MMenu.png", 320, 480, 0x2040A0);
        leveltest::writeImage("Level1.png", 320, 480, 0xC0C020);
        leveltest::writeImage("SBoard_menu.png", 320, 480, 0x20A040);
        leveltest::writeImage("house_banner_0.png", 320, 50, 0xE02020);
        auto answer = [](void*, void* p) { *static_cast<void**>(p) = &fake_view; };
        evt::subscribe("getMainView", evt::Callback(answer, nullptr));
        AdSupplier::registerAdSupplier(new FreezingSupplier()); // before the banners
        ASSERT_TRUE(initialize());
        activate();
    }
    // "onShutdown" deletes every ad supplier, which hear no more frames; it may come twice;
    // frames and requests after it do nothing.
    static void TearDownTestSuite() {
        evt::publish("onShutdown");
        EXPECT_EQ(
            std::tuple(getMenu(), AdSupplier::supplierCount(), evt::subscriberCount("onFrame")),
            std::tuple((Menu*)nullptr, 0, 1));
        evt::publish("onShutdown");
        evt::publish("gotoLevel", 1);
        evt::publish("setBest", 9);
        frame();
        EXPECT_EQ(getState(), STATE_MENU);
        texture_mgr.cleanup();
    }
    void SetUp() override {
        leveltest::record(
            {"flingoPlaySound", "gotoMenu", "setBackgroundSound", "onLevelUnlocked", "showScores"});
    }
    void TearDown() override { backToMenu(); }
};

// Requests are taken on the menu, the score menu and a level, never during a slide; the back
// key plays the click of the screen's own back button.
TEST_F(Controller, StateTableAndScoreMenuTaps) {
    const char* const requests[] = {"gotoLevel", "gotoScores", "gotoMenu", "back"};
    // The state after each request, one digit per request, for states 0 to 6.
    const char* const after[] = {"4100", "1111", "2233", "3333", "4444", "5566", "6666"};
    const char* const click[] = {"", "", "Computer.wav", "", "", "Crumple.wav", ""};
    for (int from = 0; from < 7; ++from)
        for (int r = 0; r < 4; ++r) {
            reach(from);
            take();
            const bool back = r < 3 ? (evt::publish(requests[r], 0), false) : goBack();
            EXPECT_EQ(getState(), after[from][r] - '0') << "from " << from << " on " << requests[r];
            if (r < 3) continue;
            const Events heard = take();
            EXPECT_EQ(std::pair(back, heard.empty() ? "" : heard[0]),
                      std::pair(*click[from] != 0, std::string(click[from])))
                << "from " << from;
        }
    // On the score menu each row, its far corner included, asks for its own board, and the back
    // area returns to the menu; taps while it slides in do nothing.
    auto tap = [](float x, float y) { leveltest::touch("onPtrUp", x, y); };
    const Vector2<int> back = score_menu_info.backButtonPos;
    const float edge = back.x - score_menu_info.backButtonSize.x / 2;
    reach(STATE_MENU_TO_SCORES);
    take();
    tap(edge, back.y);
    frame(18);
    Events want;
    for (int i = 0; i < 5; ++i) {
        const Vector2<int> p = level_info[i].scoreRowPos;
        const Vector2<float> s = level_info[i].scoreRowSize;
        tap(p.x + s.x / 2, p.y - s.y / 2);
        tap(p.x + s.x / 2 + 0.5f, p.y); // beside the row
        want.insert(want.end(), {"Computer.wav", "showScores " + std::to_string(i)});
    }
    tap(edge - 0.1f, back.y);
    tap(edge, back.y);
    want.insert(want.end(), {"Computer.wav", "gotoMenu", "setBackgroundSound OfficeNoise.mp3"});
    EXPECT_EQ(take(), want);
    EXPECT_EQ(getState(), STATE_SCORES_TO_MENU);
}

// Slides move 960 points a second from their second frame on (the first frame's step came
// before the slide) and end on the 17th moving frame, keeping the overshoot; both screens are
// drawn side by side, the banner on top. An ad that freezes the game holds everything, the
// texture clean-up of each update included.
TEST_F(Controller, Slides) {
    frame(15); // the menu banner slides in
    EXPECT_EQ(testgl::rgbAt(testgl::readPixels(), 100, 440), 0xE02020u);
    texture_mgr.release(texture_mgr.get("no_longer_used.png"));
    freeze_game = true;
    evt::publish("gotoScores");
    frame(2);
    freeze_game = false;
    EXPECT_NE(texture_mgr.find("no_longer_used.png"), nullptr);
    // The request, the screen beside the menu, where the slide stops and what is active then.
    const std::tuple<const char*, uint32_t, float, int> slides[] = {
        {"gotoScores", 0x20A040, -326.4f, 10},
        {"gotoMenu", 0x20A040, 6.4f, 100},
        {"gotoLevel", 0xC0C020, -326.4f, 1},
        {"gotoMenu", 0xC0C020, 6.4f, 100}};
    for (const auto& [request, beside, stop, after] : slides) {
        SCOPED_TRACE(request);
        evt::publish(request, 0);
        const int sliding = getState();
        frame(1, 0.5);
        frame(8); // 153.6 points: the menu at the left, the other screen at the right
        const auto px = testgl::readPixels();
        EXPECT_EQ(std::pair(testgl::rgbAt(px, 60, 240), testgl::rgbAt(px, 260, 240)),
                  std::pair(0x2040A0u, beside));
        frame(8);
        EXPECT_EQ(std::pair(getState(), getMenu()->active + getScoreMenu()->active),
                  std::pair(sliding, 0));
        frame();
        // What is active, a digit each for the menu, the score menu and the level.
        EXPECT_EQ(getMenu()->active * 100 + getScoreMenu()->active * 10 + getLevelObject()->state,
                  getState() != sliding ? after : -1);
        EXPECT_NEAR(getOffset().x, stop, 1e-3);
    }
    EXPECT_EQ(texture_mgr.find("no_longer_used.png"), nullptr);
}

// Level 3 entered three times (resumed after the first), then the last level, each time with a
// new best: the level's own track heard once, the next level unlocked at the threshold only,
// nothing after the last level. Made afresh, a level whose best was sent keeps Submit grey. Once
// shown, the tutorial is saved as seen and no level made afterwards gets it.
TEST_F(Controller, BestsUnlocksResumedLevelsAndTheTutorial) {
    level_info[3].unlockScore = level_info[4].unlockScore = 5;
    reach(STATE_SCORES); // its numbers made before the new bests
    for (auto [row, best] : {std::pair{3, 4}, {3, 5}, {3, 6}, {4, 5}}) {
        reach(STATE_LEVEL, row);
        evt::publish("setBest", best);
        const Events heard = take();
        const std::string track =
            std::string("setBackgroundSound ") + level_info[row].backgroundSound;
        EXPECT_EQ(std::pair(std::ranges::count(heard, "onLevelUnlocked"),
                            std::ranges::count(heard, track)),
                  std::pair(long(row == 3 && best == 5), 1L))
            << row << " " << best;
        EXPECT_EQ(std::tuple(getLevelObject()->state, scores::readBest(row), getMenu()->newLevel),
                  std::tuple(Level::READY, best, best < 5 ? -1 : 4));
    }
    scoreSubmitted(3, 6);
    reach(STATE_LEVEL, 3);
    EXPECT_FALSE(getLevelObject()->canSubmit);
    // The score menu shows the bests as they are now, whenever its numbers are made.
    reach(STATE_SCORES);
    for (auto [row, best] : {std::pair{3, "6"}, std::pair{4, "5"}}) {
        const Sprite now(24, -32, score_menu::SCORE_FONT, best, score_menu::SCORE_COLOR, 0);
        ASSERT_NE(getScoreMenu()->bestLabels[row], nullptr) << row;
        EXPECT_EQ(getScoreMenu()->bestLabels[row]->texture, now.texture) << row;
    }
    level_info[3].unlockScore = level_info[4].unlockScore = 0;

    evt::publish("onTutorialShown");
    EXPECT_TRUE(savedata::load() && savedata::read(false, "tutorial_shown"));
    EXPECT_EQ(level_info[0].tutorial, nullptr);
    level_info[0].tutorial = "tutorial.png";
}

} // namespace
