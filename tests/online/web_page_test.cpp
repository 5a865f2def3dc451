// SPDX-License-Identifier: MIT
// The in-app page against a real server on 127.0.0.1: loads, failures, cancelled loads, links
// and scrolling, driven by http::poll() as the frame loop drives it.
#include "local_server.h"
#include "online/web_page.h"

#include <gtest/gtest.h>

namespace {

struct Events : web::Listener {
    int started = 0, finished = 0;
    std::vector<std::pair<int, std::string>> failures;
    void didStartLoad() override { ++started; }
    void didFinishLoad() override { ++finished; }
    void didFailLoad(int code, const std::string& d) override { failures.emplace_back(code, d); }
};

void settle(web::WebPage& p) {
    // Up to 750 frames of 20 ms (15 s or more), counted, not timed.
    for (int frames = 0; p.loading() && frames < 750; ++frames) {
        http::poll();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

http::Request get(const std::string& url) {
    return {url, "GET", "", ""};
}

} // namespace

TEST(WebPage, PostedBoardReplacesThePlaceholderScrollsAndLinksLoadInside) {
    testsrv::Server srv;
    web::WebPage p(320, 436);
    Events ev;
    p.setListener(&ev);
    p.loadHtml("<body><h1>loading...</h1></body>");
    p.loadRequest(
        {srv.url("/board"), "POST", "token=t&gid=1&id=me", "application/x-www-form-urlencoded"});
    EXPECT_TRUE(p.loading());
    EXPECT_EQ(ev.started, 2);
    EXPECT_NE(p.html().find("loading..."), std::string::npos) << "the old page stays meanwhile";
    settle(p);
    EXPECT_EQ(ev.finished, 2);
    EXPECT_TRUE(ev.failures.empty());
    EXPECT_NE(p.html().find("<p>token=t&gid=1&id=me</p>"), std::string::npos);
    EXPECT_GT(p.contentHeight(), 436) << "a hundred rows run past the view";

    std::vector<uint8_t> px;
    EXPECT_TRUE(p.render(px));
    ASSERT_EQ(px.size(), 320u * 436 * 4);
    EXPECT_EQ(px[0], 0x10) << "the page's own background";
    EXPECT_EQ(px[2], 0x40);
    EXPECT_FALSE(p.render(px)) << "nothing changed, nothing drawn";
    p.scrollBy(-50);
    EXPECT_EQ(p.scroll(), 0);
    p.scrollBy(100000);
    EXPECT_EQ(p.scroll(), p.contentHeight() - 436);
    EXPECT_TRUE(p.render(px));
    p.scrollBy(-p.scroll());

    EXPECT_FALSE(p.tap(300, 430)) << "a tap that misses the link";
    bool followed = false;
    for (int y = 0; y < 120 && !followed; y += 2)
        for (int x = 8; x < 80 && !followed; x += 6)
            followed = p.tap(x, y);
    ASSERT_TRUE(followed) << "no link found at the top of the page";
    settle(p);
    EXPECT_NE(p.html().find("second"), std::string::npos);
    EXPECT_EQ(p.url(), srv.url("/next"));
}

TEST(WebPage, FailuresAndCancelledLoadsKeepTheOldPage) {
    testsrv::Server srv, closed;
    closed.stop();
    web::WebPage p(320, 436);
    Events ev;
    p.setListener(&ev);
    p.loadHtml("<body>first</body>");
    // A server failure, with or without a page, is a failure that says the status.
    for (const char* path : {"/empty500", "/page500"}) {
        p.loadRequest(get(srv.url(path)));
        settle(p);
        EXPECT_EQ(ev.failures.back(),
                  std::make_pair(500, std::string("The score server sent an error (500).")));
    }
    ASSERT_EQ(ev.failures.size(), 2u);
    EXPECT_EQ(p.html(), "<body>first</body>");
    // A page that is not there shows the server's page, as a browser does.
    p.loadRequest(get(srv.url("/missing")));
    settle(p);
    EXPECT_EQ(ev.failures.size(), 2u);
    EXPECT_EQ(p.html(), "not here");
    // Nobody listening: a connection failure that says so.
    p.loadRequest(get(closed.url("/gone")));
    settle(p);
    ASSERT_EQ(ev.failures.size(), 3u);
    EXPECT_EQ(ev.failures[2],
              std::make_pair(-1, std::string("The score server could not be reached.")));
    EXPECT_EQ(p.html(), "not here");

    // A new load cancels the one under way; stopLoading drops one silently.
    p.loadRequest(get(srv.url("/slow")));
    p.loadHtml("<body>placeholder</body>");
    ASSERT_EQ(ev.failures.size(), 4u);
    EXPECT_EQ(ev.failures[3].first, web::CANCELLED);
    EXPECT_FALSE(p.loading());
    p.loadRequest(get(srv.url("/slow")));
    p.stopLoading();
    for (int i = 0; i < 10; ++i) {
        http::poll();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(ev.failures.size(), 4u) << "a dropped load reports nothing";
    EXPECT_EQ(p.html(), "<body>placeholder</body>");
    EXPECT_EQ(http::active(), 0);
}
