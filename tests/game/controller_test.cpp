#include "front_support.h"

#include "ads/ads.h"
#include "ads/adwhirl.h"
#include "core/evt.h"
#include "game/flingo.h"
#include "game/level.h"
#include "game/level_defs.h"
#include "game/menu.h"
#include "game/score_menu.h"
#include "gfx/sprite.h"
#include "gfx/texture.h"
#include "save/savedata.h"
#include "save/scores.h"
#include "support/gl_context.h"

#include <GLES/gl.h>
#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>

namespace {

// Everything the start-up published, in order.
std::vector<front::Event> startup_events;

// A supplier that can freeze the game; registered once and left in place (false by default).
bool freeze_game = false;
struct FreezingSupplier : AdSupplier {
    bool shouldFreezeGame() const override { return freeze_game; }
};

int fake_view = 0;
void answerMainView(void*, void* payload) {
    *static_cast<void**>(payload) = &fake_view;
}

class ControllerTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        static bool started = false;
        if (started) return;
        started = true;
        ASSERT_TRUE(testgl::init());
        front::makeResourceDir();
        front::makeDataDir();
        front::writeImage("MMenu.png", 320, 480, 0x2040A0FF);
        front::writeImage("SBoard_menu.png", 320, 480, 0x306030FF);
        front::writeImage("Level1.png", 320, 480, 0xC0C020FF);
        front::writeImage("house_banner_0.png", 320, 50, 0xE02020FF);
        evt::subscribe("getMainView", evt::Callback(&answerMainView, nullptr));

        front::record({});
        ASSERT_TRUE(fg::initialize());
        startup_events = front::events();
        front::stopRecording();
        fg::activate();
        AdSupplier::registerAdSupplier(new FreezingSupplier());
    }

    // The end of the run: "onShutdown" releases the screens and the suppliers, and may come
    // twice; frames and requests after it do nothing.
    static void TearDownTestSuite() {
        evt::publish("onShutdown");
        EXPECT_EQ(fg::getMenu(), nullptr);
        EXPECT_EQ(fg::getScoreMenu(), nullptr);
        EXPECT_EQ(fg::getLevelObject(), nullptr);
        EXPECT_EQ(AdSupplier::supplierCount(), 0);
        evt::publish("onShutdown");
        evt::publish("gotoLevel", 1);
        evt::publish("setBest", 9);
        frame();
        EXPECT_EQ(fg::getState(), fg::STATE_MENU);
        texture_mgr.cleanup();
    }

    void SetUp() override {
        ASSERT_EQ(fg::getState(), fg::STATE_MENU);
        front::record({"flingoPlaySound", "gotoLevel", "gotoScores", "gotoMenu", "setSound",
                       "setBackgroundSound", "stopFireworks", "onLevelUnlocked", "showScores"});
    }

    void TearDown() override {
        front::stopRecording();
        freeze_game = false;
        backToMenu();
    }

    static void frame(double dt = 0.02) {
        evt::publish("onFrame", &dt);
        evt::publish("render");
    }
    static void tap(float x, float y) {
        Vector2<float> p = {x, y};
        evt::publish("onPtrDown", &p);
        evt::publish("onPtrUp", &p);
    }
    static void backToMenu() {
        for (int i = 0; i < 80 && fg::getState() != fg::STATE_MENU; ++i) {
            fg::goBack();
            frame();
        }
    }
    static void enterLevel(int index) {
        evt::publish("gotoLevel", index);
        for (int i = 0; i < 40 && fg::getState() != fg::STATE_LEVEL; ++i)
            frame();
        ASSERT_EQ(fg::getState(), fg::STATE_LEVEL);
    }
    static bool published(const char* name) {
        const auto n = front::names();
        return std::find(n.begin(), n.end(), name) != n.end();
    }
};

TEST_F(ControllerTest, FreshStartShowsEveryLevelWithTutorialAndSoundOn) {
    std::vector<std::string> order;
    for (const auto& e : startup_events)
        if (e.name == "setSound" || e.name == "setBackgroundSound" || e.name == "registerAds")
            order.push_back(e.name + (e.text.empty() ? "" : ":" + e.text));
    EXPECT_EQ(order, (std::vector<std::string>{"setSound", "setBackgroundSound:OfficeNoise.mp3",
                                               "registerAds"}));
    EXPECT_EQ(startup_events.back().name, "registerAds");
    const auto sound = std::find_if(startup_events.begin(), startup_events.end(),
                                    [](const front::Event& e) { return e.name == "setSound"; });
    EXPECT_EQ(evt::payloadInt(sound->payload), 1);

    EXPECT_STREQ(fg::level_info[0].tutorial, "tutorial.png");
    Menu* menu = fg::getMenu();
    ASSERT_NE(menu, nullptr);
    for (int i = 0; i < 5; ++i) {
        EXPECT_NE(menu->levelButtons[i], nullptr) << "level " << i;
        EXPECT_EQ(menu->bestLabels[i], nullptr) << "the catalogue shows no bests on the menu";
        EXPECT_EQ(fg::getScoreMenu()->rowPositions[i].x, fg::level_info[i].scoreRowPos.x);
        EXPECT_NE(fg::getScoreMenu()->bestLabels[i], nullptr);
    }
    EXPECT_EQ(fg::getHighestLevel(), 4);
    EXPECT_TRUE(menu->soundOn);
    EXPECT_EQ(menu->active, 1); // activated
    EXPECT_EQ(fg::getScoreMenu()->active, 0);
    EXPECT_EQ(fg::getLevel(), -1);
    EXPECT_EQ(fg::getLevelObject()->background, nullptr)
        << "no level is built before one is entered";
    EXPECT_EQ(AdSupplier::supplierCount(), 3);
}

TEST_F(ControllerTest, ScoreMenuSlideEndsOnTheSeventeenthMovingFrameAndIgnoresRequests) {
    tap(63, 343); // the scores button
    EXPECT_TRUE(published("gotoScores"));
    ASSERT_EQ(fg::getState(), fg::STATE_MENU_TO_SCORES);
    EXPECT_EQ(fg::getMenu()->active, 0);
    EXPECT_EQ(fg::getOffset().y, -1.0f);

    frame(0.5); // the first frame does not move, however long the step was
    EXPECT_EQ(fg::getOffset().x, 0.0f);
    EXPECT_EQ(fg::getOffset().y, 0.0f);

    // Requests during the slide: the level and the scores are ignored; "gotoMenu" only changes
    // the track.
    front::events().clear();
    evt::publish("gotoLevel", 2);
    evt::publish("gotoScores");
    evt::publish("gotoMenu");
    EXPECT_EQ(fg::getState(), fg::STATE_MENU_TO_SCORES);
    EXPECT_EQ(fg::getLevel(), -1);
    EXPECT_TRUE(published("setBackgroundSound"));
    EXPECT_EQ(fg::getOffset().x, 0.0f);

    for (int i = 1; i <= 16; ++i)
        frame();
    EXPECT_EQ(fg::getState(), fg::STATE_MENU_TO_SCORES);
    EXPECT_NEAR(fg::getOffset().x, -307.2f, 1e-3);
    EXPECT_EQ(fg::getScoreMenu()->active, 0);
    frame();
    EXPECT_EQ(fg::getState(), fg::STATE_SCORES);
    EXPECT_NEAR(fg::getOffset().x, -326.4f, 1e-3) << "the overshoot is kept";
    EXPECT_EQ(fg::getScoreMenu()->active, 1);

    // The board of level 3, then back through the back area.
    front::events().clear();
    tap(102, 247);
    EXPECT_EQ(front::names(), (std::vector<std::string>{"flingoPlaySound", "showScores"}));
    tap(269, 156);
    ASSERT_EQ(fg::getState(), fg::STATE_SCORES_TO_MENU);
    EXPECT_EQ(fg::getScoreMenu()->active, 0);
    EXPECT_EQ(fg::getOffset().x, -320.0f);
    frame();
    EXPECT_EQ(fg::getOffset().x, -320.0f);
    for (int i = 1; i <= 16; ++i)
        frame();
    EXPECT_EQ(fg::getState(), fg::STATE_SCORES_TO_MENU);
    EXPECT_EQ(fg::getMenu()->active, 0);
    frame();
    EXPECT_EQ(fg::getState(), fg::STATE_MENU);
    EXPECT_NEAR(fg::getOffset().x, 6.4f, 1e-3);
    EXPECT_EQ(fg::getMenu()->active, 1);
}

TEST_F(ControllerTest, ALevelResumesUnchangedAndAnotherIsBuiltAfresh) {
    tap(230, 316 - 52 * 2); // level 2's button
    ASSERT_EQ(fg::getState(), fg::STATE_MENU_TO_LEVEL);
    Level* level = fg::getLevelObject();
    EXPECT_EQ(level->info, &fg::level_info[2]);
    EXPECT_EQ(level->state, Level::INACTIVE);
    EXPECT_EQ(front::events().back().text, "OfficeNoise.mp3");
    for (int i = 0; i < 17; ++i)
        frame();
    EXPECT_EQ(fg::getState(), fg::STATE_MENU_TO_LEVEL);
    evt::publish("gotoScores"); // ignored while sliding
    frame();
    ASSERT_EQ(fg::getState(), fg::STATE_LEVEL);
    EXPECT_EQ(level->state, Level::READY) << "the saved play state is restored";

    level->score = 3;
    const float wind = level->wind;
    front::events().clear();
    ASSERT_TRUE(fg::goBack()); // Escape: as the level's Menu button
    EXPECT_EQ(fg::getState(), fg::STATE_LEVEL_TO_MENU);
    ASSERT_GE(front::events().size(), 2u);
    EXPECT_EQ(front::events()[0].text, "Crumple.wav");
    EXPECT_EQ(front::events()[1].name, "gotoMenu");
    EXPECT_EQ(level->state, Level::INACTIVE);
    EXPECT_EQ(level->savedState, Level::READY);
    EXPECT_TRUE(published("stopFireworks"));
    EXPECT_FALSE(fg::goBack()) << "no way back during a slide";
    evt::publish("gotoLevel", 0); // ignored on the way back as well
    EXPECT_EQ(fg::getState(), fg::STATE_LEVEL_TO_MENU);
    EXPECT_EQ(level->info, &fg::level_info[2]);
    backToMenu();

    front::events().clear();
    enterLevel(2);
    EXPECT_EQ(level->score, 3);
    EXPECT_EQ(level->wind, wind);
    ASSERT_GE(front::events().size(), 2u);
    EXPECT_EQ(front::events()[1].text, "OfficeNoise.mp3") << "the track is set again";
    backToMenu();

    enterLevel(3);
    EXPECT_EQ(fg::getLevel(), 3);
    EXPECT_EQ(level->info, &fg::level_info[3]);
    EXPECT_EQ(level->score, 0);
    EXPECT_EQ(front::events()[front::events().size() - 1].text, "AirportNoise.mp3");
}

TEST_F(ControllerTest, NewBestsAreStoredAndUnlockOnceAtTheThreshold) {
    enterLevel(1);
    evt::publish("setBest", 4);
    EXPECT_EQ(fg::scores::readBest(1), 4);
    EXPECT_EQ(fg::getBestScore(), 4);
    EXPECT_FALSE(published("onLevelUnlocked"));

    // Give level 1 a threshold of 5: reaching it unlocks level 2 once.
    fg::level_info[1].unlockScore = 5;
    evt::publish("setBest", 5);
    EXPECT_TRUE(published("onLevelUnlocked"));
    EXPECT_EQ(fg::getMenu()->newLevel, 2);
    EXPECT_EQ(fg::getHighestLevel(), 4);
    front::events().clear();
    evt::publish("setBest", 6);
    EXPECT_FALSE(published("onLevelUnlocked"));
    EXPECT_EQ(fg::scores::readBest(1), 6);
    fg::level_info[1].unlockScore = 0;

    // Submitting marks the current best as sent.
    evt::publish("postScore");
    EXPECT_EQ(fg::scores::readSubmitted(1), 6);
    backToMenu();

    // The last level has nothing after it: its threshold only stores the score.
    enterLevel(4);
    fg::level_info[4].unlockScore = 2;
    front::events().clear();
    evt::publish("setBest", 2);
    fg::level_info[4].unlockScore = 0;
    EXPECT_EQ(fg::scores::readBest(4), 2);
    EXPECT_FALSE(published("onLevelUnlocked"));
    EXPECT_EQ(fg::getMenu()->newLevel, 2);
}

TEST_F(ControllerTest, SoundSwitchAndTutorialFlagAreSaved) {
    evt::publish("setSound", false);
    ASSERT_TRUE(savedata::load()); // what is on disk now
    EXPECT_FALSE(savedata::read(true, "sound"));
    evt::publish("setSound", true);
    ASSERT_TRUE(savedata::load());
    EXPECT_TRUE(savedata::read(false, "sound"));

    // The first level shows the tutorial until the level reports it shown; levels built
    // after that do not.
    enterLevel(0);
    EXPECT_NE(fg::getLevelObject()->tutorial, nullptr);
    evt::publish("onTutorialShown");
    EXPECT_EQ(fg::level_info[0].tutorial, nullptr);
    ASSERT_TRUE(savedata::load());
    EXPECT_TRUE(savedata::read(false, "tutorial_shown"));
    backToMenu();
    enterLevel(1);
    backToMenu();
    enterLevel(0);
    EXPECT_EQ(fg::getLevelObject()->tutorial, nullptr);
    fg::level_info[0].tutorial = "tutorial.png";
}

TEST_F(ControllerTest, EachUpdateCleansTheTextureCacheUnlessAnAdFreezesTheGame) {
    texture_mgr.release(texture_mgr.get("no_longer_used.png"));
    ASSERT_NE(texture_mgr.find("no_longer_used.png"), nullptr);

    // Frozen: nothing advances and nothing is cleaned up or drawn.
    freeze_game = true;
    evt::publish("gotoScores");
    frame();
    frame();
    EXPECT_EQ(fg::getOffset().x, 0.0f);
    EXPECT_NE(texture_mgr.find("no_longer_used.png"), nullptr);
    freeze_game = false;

    frame();
    EXPECT_EQ(texture_mgr.find("no_longer_used.png"), nullptr);
    frame();
    EXPECT_NEAR(fg::getOffset().x, -19.2f, 1e-3);
}

TEST_F(ControllerTest, SlidesDrawBothScreensAndBannersComeLast) {
    for (int i = 0; i < 15; ++i)
        frame(); // the menu banner slides in
    auto px = testgl::readPixels();
    EXPECT_EQ(testgl::rgbAt(px, 100, 240), 0x2040A0u);
    EXPECT_EQ(testgl::rgbAt(px, 100, 470), 0xE02020u) << "the banner over the menu";
    EXPECT_EQ(testgl::rgbAt(px, 100, 440), 0xE02020u);

    // Halfway to level 0: menu on the left, level background on the right, no banner.
    evt::publish("gotoLevel", 0);
    frame();
    for (int i = 0; i < 8; ++i)
        frame(0.02083333);
    EXPECT_NEAR(fg::getOffset().x, -160.0f, 0.01);
    px = testgl::readPixels();
    EXPECT_EQ(testgl::rgbAt(px, 60, 240), 0x2040A0u);
    EXPECT_EQ(testgl::rgbAt(px, 260, 240), 0xC0C020u);
    // The banner is on its way out: 0.19 s of its 0.25 s slide.
    EXPECT_EQ(testgl::rgbAt(px, 100, 440), 0x2040A0u);
    EXPECT_EQ(testgl::rgbAt(px, 100, 475), 0xE02020u);
}

} // namespace

namespace {

// The screen projection: 320 x (480 + the remembered height offset), depth 0 to 450.
TEST_F(ControllerTest, SizeGlRemembersItsHeightOffset) {
    auto projection = [] {
        GLfloat m[16];
        glGetFloatv(GL_PROJECTION_MATRIX, m);
        return std::vector<float>(m, m + 16);
    };
    evt::publish("sizeGl");
    auto p = projection();
    EXPECT_FLOAT_EQ(p[0], 2.0f / 320);
    EXPECT_FLOAT_EQ(p[5], 2.0f / 480);
    EXPECT_FLOAT_EQ(p[10], -2.0f / 450);

    int offset = 20;
    evt::publish("sizeGl", &offset);
    EXPECT_FLOAT_EQ(projection()[5], 2.0f / 500);
    evt::publish("sizeGl"); // no payload: the last offset stays
    EXPECT_FLOAT_EQ(projection()[5], 2.0f / 500);
    offset = 0;
    evt::publish("sizeGl", &offset);
    EXPECT_FLOAT_EQ(projection()[5], 2.0f / 480);
}

} // namespace

namespace {

TEST_F(ControllerTest, EscapeLeavesTheScoreMenuWithItsBackClickAndDoesNothingOnTheMenu) {
    EXPECT_FALSE(fg::goBack());
    EXPECT_TRUE(front::events().empty());
    evt::publish("gotoScores");
    for (int i = 0; i < 18; ++i)
        frame();
    ASSERT_EQ(fg::getState(), fg::STATE_SCORES);
    front::events().clear();
    EXPECT_TRUE(fg::goBack());
    ASSERT_GE(front::events().size(), 2u);
    EXPECT_EQ(front::events()[0].text, "Computer.wav");
    EXPECT_EQ(front::events()[1].name, "gotoMenu");
    EXPECT_EQ(fg::getState(), fg::STATE_SCORES_TO_MENU);
}

} // namespace
