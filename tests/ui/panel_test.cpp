// SPDX-License-Identifier: MIT
// The alert, navigation bar and busy indicator pictures: where their buttons are and that their
// texts and spokes are drawn.
#include "ui/panel.h"

#include <gtest/gtest.h>

namespace {

// Pixels within the rectangle brighter than the limit (the sum of the channels, by alpha).
int brightPixels(const panel::Image& img, const panel::Rect& r, int limit) {
    int n = 0;
    for (int y = static_cast<int>(r.y); y < static_cast<int>(r.y + r.h); ++y)
        for (int x = static_cast<int>(r.x); x < static_cast<int>(r.x + r.w); ++x) {
            const uint8_t* p = &img.rgba[(static_cast<size_t>(y) * img.width + x) * 4];
            n += (p[0] + p[1] + p[2]) * p[3] / 255 > limit;
        }
    return n;
}

} // namespace

TEST(Panel, AlertNavBarAndSpinnerPictures) {
    panel::Image img;
    std::vector<panel::Rect> rects;
    panel::alert("Submit Score?",
                 "Would you like to submit your best score for this level to the online high "
                 "score board?",
                 {"No", "Yes"}, img, rects);
    ASSERT_EQ(std::tuple(img.width, img.height, rects.size()), std::tuple(320, 480, 2u));
    EXPECT_LT(rects[0].x + rects[0].w, rects[1].x) << "No at the left of Yes, apart";
    EXPECT_FLOAT_EQ(rects[0].y, rects[1].y);
    for (const panel::Rect& r : rects) {
        EXPECT_TRUE(r.x > 0 && r.x + r.w < 320 && r.y > 100 && r.y + r.h < 400) << r.x << r.y;
        EXPECT_GT(brightPixels(img, r, 600), 10) << "a label on each button";
    }
    // The screen around the panel is dimmed, not hidden.
    EXPECT_TRUE(img.rgba[3] > 60 && img.rgba[3] < 200) << int(img.rgba[3]);

    // One button spans the panel; a long message keeps its button on the screen.
    panel::alert("Error loading webpage", "x", {"Ok"}, img, rects);
    ASSERT_EQ(rects.size(), 1u);
    EXPECT_GT(rects[0].w, 200);
    // Its title and message, above the button, are centred on the screen.
    long sum = 0, n = 0;
    for (int y = 100; y < static_cast<int>(rects[0].y); ++y)
        for (int x = 0; x < 320; ++x)
            if (brightPixels(img, {float(x), float(y), 1, 1}, 700)) sum += x, ++n;
    EXPECT_TRUE(n > 100 && std::abs(double(sum) / double(n) - 160) < 8) << sum / n;
    panel::alert("t", std::string(5000, 'w'), {"Ok"}, img, rects);
    ASSERT_EQ(rects.size(), 1u);
    EXPECT_TRUE(rects[0].y >= 0 && rects[0].y + rects[0].h <= 480) << rects[0].y;
    // The bar's back button at the left, labelled, and its title in the middle; the spinner's spoke
    // pointing up the brightest and white, its centre empty, the gray style darker.
    panel::Rect back;
    panel::navBar(" Hard Level Scores", "Back", img, back);
    EXPECT_EQ(std::pair(img.width, img.height), std::pair(320, panel::NAV_BAR_HEIGHT));
    EXPECT_TRUE(back.x + back.w < 120 && back.h > 20 && brightPixels(img, back, 700) > 10);
    EXPECT_GT(brightPixels(img, {130, 5, 60, 34}, 700), 20);
    panel::spinner(37, true, img);
    ASSERT_EQ(img.width, 37);
    const uint8_t* up = &img.rgba[(5 * 37 + 18) * 4];
    EXPECT_EQ(std::tuple(up[0], up[3] > 200, img.rgba[(18 * 37 + 18) * 4 + 3]),
              std::tuple(255, true, 0));
    panel::spinner(20, false, img);
    EXPECT_LT(img.rgba[(3 * 20 + 10) * 4], 200);
}
