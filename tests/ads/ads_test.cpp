// SPDX-License-Identifier: MIT
// The house banners sliding in and out. (The registry is seen at work in the controller test.)
#include "level_driver.h"

#include "ads/adwhirl.h"
#include "core/platform.h"
#include "gfx/texture.h"
#include "support/run.h"

#include <GLES/gl.h>
#include <cstdio>
#include <gtest/gtest.h>

namespace {

int fake_view = 0, view_requests = 0;

void frames(int n, double dt = 0.02) {
    for (int i = 0; i < n; ++i)
        evt::publish("onFrame", &dt);
}

// A banner supplier set up as "registerAds" does it.
AdWhirlAdSupplier* banner(int location) {
    auto* s = new AdWhirlAdSupplier(location);
    evt::subscribe("onFrame", evt::Callback(s, &AdWhirlAdSupplier::onFrame));
    AdSupplier::registerAdSupplier(s);
    return s;
}

// The colour the suppliers draw at (x, y) from the top over a black screen, ignoring the
// scene's projection and the screens' offset.
uint32_t drawnAt(int x, int y) {
    leveltest::clearScreen();
    glFrustumf(-1, 1, -1, 1, 0.1f, 10);
    AdSupplier::drawAdSuppliers({-200, 0});
    return testgl::rgbAt(testgl::readPixels(), x, y);
}

TEST(AdsTest, BannersSlideInWhenSelectedAndOutAndAwayWhenNot) {
    ASSERT_TRUE(testgl::init() && leveltest::makeResourceDir());
    auto answer = [](void*, void* p) { ++view_requests, *static_cast<void**>(p) = &fake_view; };
    evt::subscribe("getMainView", evt::Callback(answer, nullptr));
    leveltest::writeImage("house_banner_0.png", 320, 50, 0xE02020);
    leveltest::writeImage("house_banner_1.png", 320, 50, 0x2020E0);
    // The menu banner waits below the screen and slides in over 0.25 s; once a level is chosen it
    // slides out and is detached at the end; in the level the game banner, with the other picture,
    // comes down from the top. Back on the menu the view is fetched again (one per attachment:
    // menu, game, menu) and the next picture shown; a selection while still attached keeps it;
    // after the last picture the first comes again.
    AdWhirlAdSupplier* menuAd = banner(AdWhirlViewDelegate::LOCATION_BOTTOM);
    AdWhirlAdSupplier* gameAd = banner(AdWhirlViewDelegate::LOCATION_TOP);
    // The selection made (0: none, 1: the menu, 2: no banner, a level being chosen, 3: the game),
    // then 20 ms frames; then the menu banner's top and whether each banner is attached.
    const std::tuple<int, int, float, bool, bool> steps[] = {
        {1, 0, 480, true, false}, {0, 5, 460, true, false},  {0, 10, 430, true, false},
        {2, 6, 454, true, false}, {0, 7, 480, false, false}, {3, 13, 480, false, true}};
    for (const auto& [select, n, top, menuOn, gameOn] : steps) {
        if (select) AdSupplier::setAdSuppliers(select != 2, select > 1);
        frames(n);
        EXPECT_NEAR(menuAd->m_delegate->frame().y, top, 1e-3) << n;
        EXPECT_EQ(std::pair(menuAd->m_main_view != nullptr, gameAd->m_main_view != nullptr),
                  std::pair(menuOn, gameOn))
            << n;
    }
    EXPECT_EQ(std::tuple(drawnAt(160, 49), drawnAt(160, 51), drawnAt(160, 470)),
              std::tuple(0x2020E0u, 0u, 0u));
    AdSupplier::setAdSuppliers(true, false);
    AdSupplier::setAdSuppliers(true, false);
    EXPECT_EQ(std::pair(view_requests, std::string(menuAd->m_delegate->bannerName())),
              std::pair(3, std::string("house_banner_1.png")));
    AdSupplier::setAdSuppliers(false, false);
    frames(13);
    AdSupplier::setAdSuppliers(true, false);
    EXPECT_STREQ(menuAd->m_delegate->bannerName(), "house_banner_0.png");

    // A folder without a usable picture (here a broken one) shows no banner; a readable picture
    // beside the broken one is shown.
    const std::string img = std::string(platform::getBasePath()) + "img/house_banner_";
    testrun::writeFile(img + "0.png", "not a picture");
    std::remove((img + "1.png").c_str());
    for (bool readable : {false, true}) {
        if (readable) leveltest::writeImage("house_banner_1.png", 320, 50, 0x2020E0);
        AdSupplier::releaseAdSuppliers(nullptr, nullptr); // the pictures are read afresh
        texture_mgr.cleanup();
        AdWhirlAdSupplier* ad = banner(AdWhirlViewDelegate::LOCATION_BOTTOM);
        AdSupplier::setAdSuppliers(true, false);
        frames(20);
        EXPECT_EQ(
            std::tuple(ad->m_delegate->adReady(), ad->m_delegate->frame().y, drawnAt(160, 470)),
            std::tuple(readable, readable ? 430.0f : 480.0f, readable ? 0x2020E0u : 0u));
    }
    AdSupplier::releaseAdSuppliers(nullptr, nullptr);
}

} // namespace
