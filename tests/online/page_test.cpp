// SPDX-License-Identifier: MIT
// HTML pages laid out by litehtml and drawn by cairo, read back as pixels.
#include "html.h"
#include "online/page.h"
#include "support/run.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

uint32_t rgb(const std::vector<uint8_t>& px, int w, int x, int y) {
    const uint8_t* p = &px[(static_cast<size_t>(y) * w + x) * 4];
    return (uint32_t(p[0]) << 16) | (uint32_t(p[1]) << 8) | p[2];
}

// Bounding box of the pixels of one colour.
struct Box {
    int x0 = 1 << 30, y0 = 1 << 30, x1 = -1, y1 = -1;
    bool empty() const { return x1 < 0; }
};
Box find(const std::vector<uint8_t>& px, int w, int h, uint32_t colour) {
    Box b;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (rgb(px, w, x, y) == colour) {
                b.x0 = std::min(b.x0, x), b.x1 = std::max(b.x1, x);
                b.y0 = std::min(b.y0, y), b.y1 = std::max(b.y1, y);
            }
    return b;
}

TEST(Page, LoadingPlaceholderIsGreenHeadingOnBlack) {
    page::Page* p = page::create("<body style=\"background-color:#000000;color:#07FF6D;\"><center>"
                                 "<h1>loading...</h1></center></body>",
                                 320);
    std::vector<uint8_t> px;
    page::draw(p, 0, 436, px);
    ASSERT_EQ(px.size(), 320u * 436 * 4);
    EXPECT_EQ(rgb(px, 320, 2, 2), 0x000000u);
    EXPECT_EQ(rgb(px, 320, 318, 430), 0x000000u);
    Box green = find(px, 320, 436, 0x07ff6d);
    ASSERT_FALSE(green.empty()) << "no heading drawn";
    // Centred, near the top, a heading's size.
    EXPECT_NEAR((green.x0 + green.x1) / 2.0, 160.0, 12.0);
    EXPECT_LT(green.y1, 100);
    EXPECT_GT(green.x1 - green.x0, 60);
    page::destroy(p);
}

TEST(Page, LongBoardScrollsAndHighlightsThePlayer) {
    std::vector<scores::Entry> rows;
    for (int i = 0; i < 100; ++i)
        rows.push_back({"uid" + std::to_string(i), 1000 - i});
    std::string html = html::board("Hard Level Scores", rows, "uid90", 910, 91, "");
    page::Page* p = page::create(html, 320);
    EXPECT_EQ(page::caption(p), "Hard Level Scores");
    EXPECT_GT(page::height(p), 100 * 20);

    std::vector<uint8_t> top, bottom;
    page::draw(p, 0, 436, top);
    page::draw(p, page::height(p) - 436, 436, bottom);
    EXPECT_NE(top, bottom);
    // The player's own row (tr.me: #1f4d2e) is far down: not on the first screen, on the last.
    EXPECT_TRUE(find(top, 320, 436, 0x1f4d2e).empty());
    Box me = find(bottom, 320, 436, 0x1f4d2e);
    ASSERT_FALSE(me.empty());
    EXPECT_GT(me.x1 - me.x0, 250); // the whole row width
    page::destroy(p);
}

TEST(Page, LinksAndUrls) {
    page::Page* p = page::create("<body style='margin:0'><a href='/scores/top' "
                                 "style='display:block;height:40px'>Top</a><p>text</p></body>",
                                 320);
    EXPECT_EQ(page::linkAt(p, 10, 20), "/scores/top");
    EXPECT_EQ(page::linkAt(p, 10, 100), "");
    page::destroy(p);

    const std::string base = "http://127.0.0.1:8642/users/profile";
    EXPECT_EQ(page::resolveUrl(base, "/a/b"), "http://127.0.0.1:8642/a/b");
    EXPECT_EQ(page::resolveUrl(base, "other"), "http://127.0.0.1:8642/users/other");
    EXPECT_EQ(page::resolveUrl(base, "https://x.test/y"), "https://x.test/y");
    EXPECT_EQ(page::resolveUrl("http://h", "z"), "http://h/z");
}

TEST(Page, GarbageLaysOutQuicklyWithoutCrashing) {
    std::string junk;
    for (int i = 0; i < 4000; ++i)
        junk += static_cast<char>((i * 7919) % 256);
    // Deep nesting would take litehtml minutes (tables double the work per level); such pages
    // are refused quickly instead.
    std::string tables, divs;
    for (int i = 0; i < 40; ++i)
        tables += "<div><table><tr><td>";
    for (int i = 0; i < 5000; ++i)
        divs += "<div>";
    for (const std::string& in : {std::string(), junk, tables, divs,
                                  std::string("<style>body{color:red;background:#zzz}</style>x")}) {
        page::Page* p = page::create(in, 320);
        std::vector<uint8_t> px;
        page::draw(p, 0, 100, px);
        EXPECT_EQ(px.size(), 320u * 100 * 4);
        EXPECT_LT(page::height(p), 2000);
        page::destroy(p);
    }
    // A page that is not refused would not finish: the test time-out (cmake/flingo.cmake) fails it.

    // A sloppy but real page: 120 rows, each with a <font> never closed. The parser closes them
    // at the end of each cell, so the page is shallow and shows whole.
    std::string sloppy = "<body><table>";
    for (int i = 0; i < 120; ++i)
        sloppy += "<tr><td><font color=red>" + std::to_string(i) + "<td><font size=2>player";
    page::Page* p = page::create(sloppy + "</table></body>", 320);
    EXPECT_GT(page::height(p), 120 * 15) << "refused or cut short";
    page::destroy(p);
}

// A picture is drawn at its size where the page puts it once it has been added; pictures that
// cannot be decoded or are too large are left out.
TEST(Page, PicturesDecodedOrLeftOut) {
    const std::string good = testrun::solidPng(30, 10, 0xff00ff),
                      wide = testrun::solidPng(3000, 1, 0xff00ff),
                      cut = good.substr(0, good.size() / 2),
                      junk = "\xff\xd8\xff\xe0\x01\x02\x03\x04\x05\x06"; // a JPEG's start
    struct Case {
        const std::string& bytes;
        bool added;
    } cases[] = {{good, true}, {wide, false}, {cut, false}, {junk, false}};
    for (const Case& c : cases) {
        page::Images* images = page::createImages();
        const std::string html = "<body style='margin:0;background:#000'><img src='/p.png'></body>";
        page::Page* p = page::create(html, 320, "http://127.0.0.1:1/board", images);
        EXPECT_EQ(page::takeWanted(images), std::vector<std::string>{"http://127.0.0.1:1/p.png"});
        std::string error;
        EXPECT_EQ(page::addImage(images, "http://127.0.0.1:1/p.png",
                                 reinterpret_cast<const uint8_t*>(c.bytes.data()), c.bytes.size(),
                                 error),
                  c.added)
            << error;
        EXPECT_EQ(error.empty(), c.added) << "a reason for every picture left out";
        page::destroy(p);
        p = page::create(html, 320, "http://127.0.0.1:1/board", images);
        EXPECT_TRUE(page::takeWanted(images).empty()) << "each picture is asked for once";
        std::vector<uint8_t> px;
        page::draw(p, 0, 40, px);
        const Box pic = find(px, 320, 40, 0xff00ff);
        EXPECT_EQ(pic.empty(), !c.added);
        if (c.added) {
            EXPECT_TRUE(pic.x0 == 0 && pic.x1 == 29 && pic.y1 - pic.y0 == 9) << "at its size";
        }
        page::destroy(p);
        page::destroyImages(images);
    }
}

} // namespace
