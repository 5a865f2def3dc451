// SPDX-License-Identifier: MIT
// HTML pages laid out by litehtml and drawn by cairo, read back as pixels.
#include "html.h"
#include "online/page.h"
#include "support/run.h"

#include <array>
#include <gtest/gtest.h>
#include <tuple>

namespace {

// The bounding box {x0, y0, x1, y1} of the pixels of one colour in rows [y, y + rows) of the
// page drawn 320 wide; NONE when there are none.
constexpr std::array<int, 4> NONE = {1 << 30, 1 << 30, -1, -1};
std::array<int, 4> box(page::Page* p, int y, int rows, uint32_t colour) {
    std::vector<uint8_t> px;
    page::draw(p, y, rows, px);
    EXPECT_EQ(px.size(), 320u * rows * 4);
    std::array<int, 4> b = NONE;
    for (size_t i = 0; i + 3 < px.size(); i += 4)
        if ((uint32_t(px[i]) << 16 | uint32_t(px[i + 1]) << 8 | px[i + 2]) == colour) {
            const int x = static_cast<int>(i / 4 % 320), y = static_cast<int>(i / 4 / 320);
            b = {std::min(b[0], x), std::min(b[1], y), std::max(b[2], x), std::max(b[3], y)};
        }
    return b;
}

} // namespace

// (The loading placeholder's look is the whole-game runs' to check.)
TEST(Page, ALongBoardHighlightsThePlayersRowAndLinksResolve) {
    // The player's own row (tr.me: #1f4d2e) far down a board: not on the first screen, on the
    // last, the whole row wide.
    std::vector<scores::Entry> rows;
    for (int i = 0; i < 100; ++i)
        rows.push_back({"uid" + std::to_string(i), 1000 - i});
    page::Page* p = page::create(html::board("Hard Level Scores", rows, "uid90", 910, 91, ""), 320);
    EXPECT_EQ(box(p, 0, 436, 0x1f4d2e), NONE);
    const std::array<int, 4> me = box(p, page::height(p) - 436, 436, 0x1f4d2e);
    EXPECT_GT(me[2] - me[0], 250);
    page::destroy(p);

    const std::string base = "http://127.0.0.1:8642/users/profile";
    EXPECT_EQ(page::resolveUrl(base, "/a/b"), "http://127.0.0.1:8642/a/b");
    EXPECT_EQ(page::resolveUrl(base, "other"), "http://127.0.0.1:8642/users/other");
    EXPECT_EQ(page::resolveUrl(base, "https://x.test/y"), "https://x.test/y");
    EXPECT_EQ(page::resolveUrl("http://h", "z"), "http://h/z");
}

// (Arbitrary bytes are the fuzz target's.)
TEST(Page, DeepOrBrokenPagesLayOutQuicklyWithoutCrashing) {
    std::string tables, divs, sloppy = "<body><table>";
    // Deep nesting would take litehtml minutes (tables double the work per level); such pages
    // are refused quickly instead. One that is not refused would not finish: the test time-out
    // (cmake/flingo.cmake) fails it.
    for (int i = 0; i < 40; ++i)
        tables += "<div><table><tr><td>";
    for (int i = 0; i < 5000; ++i)
        divs += "<div>";
    // A sloppy but real page: 120 rows, each with a <font> never closed. The parser closes them
    // at the end of each cell, so the page is shallow and shows whole.
    for (int i = 0; i < 120; ++i)
        sloppy += "<tr><td><font color=red>" + std::to_string(i) + "<td><font size=2>player";
    // The page, and its height at least and at most.
    for (const auto& [in, low, high] : std::vector<std::tuple<std::string, int, int>>{
             {"", 0, 2000},
             {tables, 0, 2000},
             {divs, 0, 2000},
             {"<style>body{color:red;background:#zzz}</style>x", 0, 2000},
             {sloppy + "</table></body>", 120 * 15, 1 << 30}}) {
        page::Page* p = page::create(in, 320);
        box(p, 0, 100, 0); // drawn whole
        EXPECT_TRUE(page::height(p) >= low && page::height(p) <= high) << page::height(p);
        page::destroy(p);
    }
}

// A picture is drawn at its size where the page puts it once it has been added, and asked for
// once; pictures that cannot be decoded or are too large are left out, with a reason.
TEST(Page, PicturesDecodedOrLeftOut) {
    const std::string good = testrun::solidPng(30, 10, 0xff00ff);
    const std::string html =
        "<body style='margin:0'><img src='/p.png' style='display:block'></body>";
    const std::string url = "http://127.0.0.1:1/p.png";
    for (const std::string& bytes :
         {good, testrun::solidPng(3000, 1, 0xff00ff), good.substr(0, good.size() / 2),
          std::string("\xff\xd8\xff\xe0\x01\x02\x03\x04\x05\x06")}) { // the last: a JPEG's start
        const bool fits = bytes == good;
        page::Images* images = page::createImages();
        page::Page* p = page::create(html, 320, "http://127.0.0.1:1/board", images);
        EXPECT_EQ(page::takeWanted(images), std::vector<std::string>{url});
        std::string error;
        const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
        EXPECT_EQ(page::addImage(images, url, data, bytes.size(), error), fits) << error;
        EXPECT_EQ(error.empty(), fits);
        page::destroy(p);
        p = page::create(html, 320, "http://127.0.0.1:1/board", images);
        EXPECT_TRUE(page::takeWanted(images).empty());
        EXPECT_EQ(box(p, 0, 40, 0xff00ff), (fits ? std::array<int, 4>{0, 0, 29, 9} : NONE));
        page::destroy(p);
        page::destroyImages(images);
    }
}
