#include "front_support.h"

#include "ads/ads.h"
#include "ads/adwhirl.h"
#include "core/evt.h"
#include "core/platform.h"
#include "gfx/sprite.h"
#include "gfx/texture.h"
#include "support/gl_context.h"

#include <GLES/gl.h>
#include <cstdio>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

std::vector<std::string> log_lines;

struct TestSupplier : AdSupplier {
    explicit TestSupplier(std::string n, bool freeze = false)
        : name(std::move(n)), freeze(freeze) {}
    ~TestSupplier() override { log_lines.push_back(name + " deleted"); }
    void setActive(bool a, bool g) override {
        AdSupplier::setActive(a, g);
        log_lines.push_back(name + " active " + std::to_string(a) + std::to_string(g));
    }
    void drawAd(Vector2<float> o) override {
        log_lines.push_back(name + " draw " + std::to_string(int(o.x)) + "," +
                            std::to_string(int(o.y)));
    }
    bool shouldFreezeGame() const override {
        log_lines.push_back(name + " asked");
        return freeze;
    }
    std::string name;
    bool freeze;
};

// Stands in for the application's "getMainView" answer.
int fake_view = 0;
bool view_available = true;
int view_requests = 0;
void answerMainView(void*, void* payload) {
    ++view_requests;
    if (view_available) *static_cast<void**>(payload) = &fake_view;
}

void frames(int n, double dt) {
    for (int i = 0; i < n; ++i)
        evt::publish("onFrame", &dt);
}

class AdsTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        ASSERT_TRUE(testgl::init());
        static bool subscribed = false;
        if (!subscribed) evt::subscribe("getMainView", evt::Callback(&answerMainView, nullptr));
        subscribed = true;
    }
    void SetUp() override {
        log_lines.clear();
        view_available = true;
        view_requests = 0;
        AdSupplier::setAdsEnabled(true);
    }
    void TearDown() override {
        AdSupplier::releaseAdSuppliers(nullptr, nullptr);
        texture_mgr.cleanup();
    }
    // A banner supplier set up as "registerAds" does it.
    static AdWhirlAdSupplier* banner(int location) {
        auto* s = new AdWhirlAdSupplier(location);
        evt::subscribe("onFrame", evt::Callback(s, &AdWhirlAdSupplier::onFrame));
        AdSupplier::registerAdSupplier(s);
        return s;
    }
    static std::vector<uint8_t> drawn() {
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        glEnable(GL_TEXTURE_2D);
        glEnableClientState(GL_VERTEX_ARRAY);
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        glVertexPointer(2, GL_FLOAT, 0, fg::quad_verts);
        // Whatever projection the scene left behind, the banner uses its own.
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glFrustumf(-1, 1, -1, 1, 0.1f, 10);
        glMatrixMode(GL_MODELVIEW);
        AdSupplier::drawAdSuppliers({-200, 0});
        return testgl::readPixels();
    }
};

TEST_F(AdsTest, RegistryCallsEverySupplierInOrderAndOwnsThem) {
    EXPECT_FALSE(AdSupplier::adsFreezingGame()); // empty registry
    AdSupplier::registerAdSupplier(new TestSupplier("a"));
    AdSupplier::registerAdSupplier(new TestSupplier("b", true));
    AdSupplier::registerAdSupplier(new TestSupplier("c"));
    EXPECT_EQ(AdSupplier::supplierCount(), 3);

    AdSupplier::setAdSuppliers(true, false);
    AdSupplier::drawAdSuppliers({-12.5f, 3});
    EXPECT_TRUE(AdSupplier::adsFreezingGame());
    EXPECT_EQ(log_lines, (std::vector<std::string>{"a active 10", "b active 10", "c active 10",
                                                   "a draw -12,3", "b draw -12,3", "c draw -12,3",
                                                   "a asked", "b asked", "c asked"}));

    log_lines.clear();
    evt::publish("onShutdown");
    EXPECT_EQ(log_lines, (std::vector<std::string>{"a deleted", "b deleted", "c deleted"}));
    EXPECT_EQ(AdSupplier::supplierCount(), 0);
    log_lines.clear();
    AdSupplier::setAdSuppliers(true, true);
    EXPECT_FALSE(AdSupplier::adsFreezingGame());
    EXPECT_TRUE(log_lines.empty());
}

TEST_F(AdsTest, RegisterAdsMakesTheMenuThenTheGameSupplierUnlessAdsAreOff) {
    const int framesBefore = evt::subscriberCount("onFrame");
    AdSupplier::setAdsEnabled(false);
    evt::publish("registerAds");
    EXPECT_EQ(AdSupplier::supplierCount(), 0);
    EXPECT_EQ(evt::subscriberCount("onFrame"), framesBefore);

    AdSupplier::setAdsEnabled(true);
    evt::publish("registerAds");
    EXPECT_EQ(AdSupplier::supplierCount(), 2);
    EXPECT_EQ(evt::subscriberCount("onFrame"), framesBefore + 2);
    // The banner suppliers neither freeze the game nor ask for a view before they are wanted.
    EXPECT_FALSE(AdSupplier::adsFreezingGame());
    EXPECT_EQ(view_requests, 0);

    evt::publish("onShutdown");
    EXPECT_EQ(AdSupplier::supplierCount(), 0);
    EXPECT_EQ(evt::subscriberCount("onFrame"), framesBefore) << "deleted suppliers hear no frames";
}

} // namespace

namespace {

class BannerTest : public AdsTest {
  protected:
    static void SetUpTestSuite() {
        AdsTest::SetUpTestSuite();
        front::makeResourceDir();
        front::writeImage("house_banner_0.png", 320, 50, 0xE02020FF);
        front::writeImage("house_banner_1.png", 320, 50, 0x2020E0FF);
    }
};

TEST_F(BannerTest, MenuBannerSlidesInAtTheBottomWhileTheGameBannerStaysDetached) {
    AdWhirlAdSupplier* menuAd = banner(AdWhirlViewDelegate::LOCATION_BOTTOM);
    AdWhirlAdSupplier* gameAd = banner(AdWhirlViewDelegate::LOCATION_TOP);
    EXPECT_TRUE(menuAd->m_showing);
    EXPECT_EQ(menuAd->m_main_view, nullptr);

    AdSupplier::setAdSuppliers(true, false);
    EXPECT_EQ(menuAd->m_main_view, &fake_view);
    EXPECT_EQ(gameAd->m_main_view, nullptr);
    EXPECT_EQ(view_requests, 1);
    EXPECT_TRUE(menuAd->m_delegate->adReady());
    EXPECT_STREQ(menuAd->m_delegate->bannerName(), "house_banner_0.png");
    EXPECT_FLOAT_EQ(menuAd->m_delegate->frame().y, 480); // waits below the screen
    EXPECT_FLOAT_EQ(menuAd->m_delegate->frame().height, 50);

    frames(2, 0.05); // 0.15 s left: t = 0.6
    EXPECT_NEAR(menuAd->m_delegate->frame().y, 430 + 0.6 * 50, 1e-3);
    frames(3, 0.05);
    EXPECT_NEAR(menuAd->m_slide_time, 0, 1e-9);
    EXPECT_FLOAT_EQ(menuAd->m_delegate->frame().y, 430);
    frames(3, 0.05); // nothing more moves
    EXPECT_FLOAT_EQ(menuAd->m_delegate->frame().y, 430);
    EXPECT_EQ(gameAd->m_main_view, nullptr);

    // Drawn over everything at the bottom 50 rows, not moved by the screens' offset.
    auto px = drawn();
    EXPECT_EQ(testgl::rgbAt(px, 5, 479), 0xE02020u);
    EXPECT_EQ(testgl::rgbAt(px, 315, 431), 0xE02020u);
    EXPECT_EQ(testgl::rgbAt(px, 160, 428), 0x000000u);
}

TEST_F(BannerTest, SlideOutDetachesAndALaterSelectionFetchesTheViewAgain) {
    AdWhirlAdSupplier* menuAd = banner(AdWhirlViewDelegate::LOCATION_BOTTOM);
    AdWhirlAdSupplier* gameAd = banner(AdWhirlViewDelegate::LOCATION_TOP);
    AdSupplier::setAdSuppliers(true, false);
    frames(13, 0.02);
    ASSERT_FLOAT_EQ(menuAd->m_delegate->frame().y, 430);

    // A level is chosen: every banner slides out; the menu's is detached at the end.
    AdSupplier::setAdSuppliers(false, true);
    EXPECT_FALSE(menuAd->m_showing);
    frames(6, 0.02);
    EXPECT_NEAR(menuAd->m_delegate->frame().y, 430 + (1 - 4 * 0.13) * 50, 1e-3);
    EXPECT_EQ(menuAd->m_main_view, &fake_view);
    frames(7, 0.02);
    EXPECT_FLOAT_EQ(menuAd->m_delegate->frame().y, 480);
    EXPECT_EQ(menuAd->m_main_view, nullptr);
    auto px = drawn();
    EXPECT_EQ(testgl::rgbAt(px, 160, 470), 0x000000u);

    // The level is in: the game banner comes down from the top.
    AdSupplier::setAdSuppliers(true, true);
    EXPECT_EQ(gameAd->m_main_view, &fake_view);
    EXPECT_EQ(menuAd->m_main_view, nullptr);
    EXPECT_FLOAT_EQ(gameAd->m_delegate->frame().y, -50);
    frames(13, 0.02);
    EXPECT_FLOAT_EQ(gameAd->m_delegate->frame().y, 0);
    px = drawn();
    EXPECT_EQ(testgl::rgbAt(px, 160, 0), 0x2020E0u);
    EXPECT_EQ(testgl::rgbAt(px, 160, 49), 0x2020E0u);
    EXPECT_EQ(testgl::rgbAt(px, 160, 51), 0x000000u);
    EXPECT_EQ(testgl::rgbAt(px, 160, 470), 0x000000u);

    // Back on the menu: the menu banner asks for the view again, re-attaches and shows the
    // next house banner.
    const int before = view_requests;
    AdSupplier::setAdSuppliers(true, false);
    EXPECT_EQ(view_requests, before + 1);
    EXPECT_EQ(menuAd->m_main_view, &fake_view);
    EXPECT_TRUE(menuAd->m_showing);
    EXPECT_STREQ(menuAd->m_delegate->bannerName(), "house_banner_1.png");
    EXPECT_FLOAT_EQ(menuAd->m_delegate->frame().y, 480);
    // Selected again while still attached (no slide-out finished): the same banner stays.
    AdSupplier::setAdSuppliers(true, false);
    EXPECT_STREQ(menuAd->m_delegate->bannerName(), "house_banner_1.png");
    frames(13, 0.02);
    px = drawn();
    EXPECT_EQ(testgl::rgbAt(px, 160, 470), 0x2020E0u);
    // Two banners in the folder: the third showing is the first banner again.
    AdSupplier::setAdSuppliers(false, false);
    frames(13, 0.02);
    AdSupplier::setAdSuppliers(true, false);
    EXPECT_STREQ(menuAd->m_delegate->bannerName(), "house_banner_0.png");
}

TEST_F(BannerTest, WithoutAViewNothingChanges) {
    AdWhirlAdSupplier* menuAd = banner(AdWhirlViewDelegate::LOCATION_BOTTOM);
    view_available = false;
    AdSupplier::setAdSuppliers(true, false);
    EXPECT_EQ(view_requests, 1);
    EXPECT_EQ(menuAd->m_main_view, nullptr);
    EXPECT_DOUBLE_EQ(menuAd->m_slide_time, 0);
    EXPECT_FALSE(menuAd->m_delegate->isViewLoaded());
    frames(20, 0.02);
    auto px = drawn();
    EXPECT_EQ(testgl::rgbAt(px, 160, 470), 0x000000u);
}

class NoBannerTest : public AdsTest {
  protected:
    static void SetUpTestSuite() {
        AdsTest::SetUpTestSuite();
        front::makeResourceDir(); // a resource folder without house banners
    }
};

TEST_F(NoBannerTest, WithNoAdTheBannerWaitsOffScreen) {
    AdWhirlAdSupplier* menuAd = banner(AdWhirlViewDelegate::LOCATION_BOTTOM);
    AdSupplier::setAdSuppliers(true, false);
    EXPECT_EQ(menuAd->m_main_view, &fake_view);
    EXPECT_FALSE(menuAd->m_delegate->adReady());
    frames(30, 0.02);
    EXPECT_DOUBLE_EQ(menuAd->m_slide_time, 0.25);
    EXPECT_FLOAT_EQ(menuAd->m_delegate->frame().y, 480);
    auto px = drawn();
    EXPECT_EQ(testgl::rgbAt(px, 160, 470), 0x000000u);
}

} // namespace

namespace {

TEST_F(NoBannerTest, ABrokenBannerFileIsSkipped) {
    const std::string path = std::string(platform::getBasePath()) + "img/house_banner_0.png";
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fputs("not a picture", f);
    std::fclose(f);
    front::writeImage("house_banner_1.png", 320, 50, 0x2020E0FF);

    AdWhirlAdSupplier* menuAd = banner(AdWhirlViewDelegate::LOCATION_BOTTOM);
    AdSupplier::setAdSuppliers(true, false);
    EXPECT_TRUE(menuAd->m_delegate->adReady());
    EXPECT_STREQ(menuAd->m_delegate->bannerName(), "house_banner_1.png");
    frames(13, 0.02);
    auto px = drawn();
    EXPECT_EQ(testgl::rgbAt(px, 160, 470), 0x2020E0u);
    std::remove(path.c_str());
    std::remove((std::string(platform::getBasePath()) + "img/house_banner_1.png").c_str());
}

} // namespace
