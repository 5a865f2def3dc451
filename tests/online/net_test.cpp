// SPDX-License-Identifier: MIT
// Requests and the in-app page over real HTTP to a server on 127.0.0.1, driven by http::poll()
// every 20 ms as the frame loop drives them: saved files, boards, links and scrolling, failures
// and redirects, cancelled loads.
#include "online/http.h"
#include "online/web_page.h"
#include "support/run.h"
#include "support/servers.h"

#include <gtest/gtest.h>
#include <tuple>

namespace {

using Req = const httplib::Request&;
using Res = httplib::Response&;

// The replies the tests need.
struct Server : testsrv::Http {
    Server() {
        svr.Post("/echo", [](Req q, Res r) {
            r.set_content(q.get_header_value("Content-Type") + "|" + q.body, "text/plain");
        });
        svr.Post("/board", [](Req q, Res r) {
            std::string rows;
            for (int i = 0; i < 100; ++i)
                rows += "<tr><td>" + std::to_string(i + 1) + "</td><td>player</td></tr>";
            r.set_content("<body style='background:#102040;color:#fff;margin:0'><a href='/next' "
                          "style='display:block;height:40px'>next</a><p>" +
                              q.body + "</p><table>" + rows + "</table></body>",
                          "text/html");
        });
        // Path, status, page (none when empty), seconds before the reply, filler header bytes.
        for (const auto& [path, status, page, wait, filler] :
             std::vector<std::tuple<std::string, int, std::string, int, int>>{
                 {"/next", 200, "<body><h1>second</h1></body>", 0, 0},
                 {"/missing", 404, "not here", 0, 0},
                 {"/empty404", 404, "", 0, 0},
                 {"/page500", 500, "<body><h1>server trouble</h1></body>", 0, 0},
                 {"/big", 200, std::string(5 << 20, 'x'), 0, 0},
                 {"/hugeheader", 200, "<body>x</body>", 0, 80 << 10},
                 {"/slow", 200, "<body>late</body>", 3, 0}})
            svr.Get(path, [=, this](Req, Res r) {
                nap(wait);
                if (filler) r.set_header("X-Filler", std::string(filler, 'h'));
                r.status = status;
                if (!page.empty()) r.set_content(page, "text/html");
            });
        // Redirects: round in circles, to another host name of the same address, to another
        // scheme, and two that stay (a POST repeated by 307, a GET after 303).
        svr.Get("/loop", [](Req, Res r) { r.set_redirect("/loop", 302); });
        svr.Post("/away", [this](Req, Res r) {
            r.set_redirect("http://localhost:" + std::to_string(port) + "/echo", 307);
        });
        svr.Get("/ftp", [](Req, Res r) { r.set_redirect("ftp://127.0.0.1/x", 302); });
        svr.Post("/again", [](Req, Res r) { r.set_redirect("/echo", 307); });
        svr.Post("/then", [](Req, Res r) { r.set_redirect("/next", 303); });
        start();
    }
};

// Polls every 20 ms until `done` (at most `frames` times); returns the frames it took. A poll
// that blocked shows as too few frames.
template <class Done> int pollUntil(Done done, int frames = 750) {
    int n = 0;
    for (; !done() && n < frames; ++n) {
        http::poll();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return n;
}

// What a page's listener heard, in order.
struct Events : web::Listener {
    std::vector<std::string> heard;
    void didStartLoad() override { heard.push_back("start"); }
    void didFinishLoad() override { heard.push_back("finish"); }
    void didFailLoad(int code, const std::string& d) override {
        heard.push_back(std::to_string(code) + " " + d);
    }
};

} // namespace

TEST(WebPage, SavedFilesBoardsScrollLinksLoadInsideAndFailuresKeepTheOldPage) {
    Server srv, closed;
    closed.stop();
    // A saved file is replaced only by a load that succeeds.
    const std::string dest = testrun::tempDir() + "/page.html";
    testrun::writeFile(dest, "old");
    for (const auto& [path, want] :
         {std::pair{"/missing", "old"}, {"/next", "<body><h1>second</h1></body>"}}) {
        bool done = false;
        const auto markDone = [](void* done, void*) { *static_cast<bool*>(done) = true; };
        http::UrlDelegate d(evt::Callback(markDone, &done), dest, nullptr);
        http::start({srv.url(path), "GET", "", ""}, &d);
        pollUntil([&] { return done; });
        EXPECT_EQ(testrun::readFile(dest), want) << path;
    }
    web::WebPage p(320, 436);
    Events ev;
    p.setListener(&ev);
    p.loadHtml("<body><h1>loading...</h1></body>");
    p.loadRequest(
        {srv.url("/board"), "POST", "token=t&gid=1&id=me", "application/x-www-form-urlencoded"});
    pollUntil([&] { return !p.loading(); });
    EXPECT_EQ(ev.heard, (std::vector<std::string>{"start", "finish", "start", "finish"}));
    EXPECT_NE(p.html().find("<p>token=t&gid=1&id=me</p>"), std::string::npos);

    // (What a page shows is on the whole-game runs' screenshots.) A scroll draws it again.
    std::vector<uint8_t> px;
    EXPECT_TRUE(p.render(px));
    p.scrollBy(-50);
    EXPECT_EQ(p.scroll(), 0);
    p.scrollBy(100000);
    EXPECT_EQ(p.scroll(), p.contentHeight() - 436);
    EXPECT_TRUE(p.render(px));
    p.scrollBy(-p.scroll());

    EXPECT_FALSE(p.tap(300, 430)) << "a tap that misses the link";
    ASSERT_TRUE(p.tap(20, 20));
    pollUntil([&] { return !p.loading(); });
    EXPECT_EQ(p.url(), srv.url("/next"));

    // A server failure, with or without a page, says the status and keeps the old page, as does
    // a missing page with nothing to show; one that comes with a page shows it, as a browser
    // does. Failures on the way say what went wrong, redirects that stay on the host are
    // followed, and the frames go on meanwhile. The URL, a POST's body, what the listener heard
    // last, the page shown after (empty: the one before), the frames the load takes at least.
    http::setTimeout(1);
    const std::string error = "-1 The score server ";
    for (const auto& [url, post, heard, html, frames] :
         std::vector<std::tuple<std::string, const char*, std::string, std::string, int>>{
             {srv.url("/page500"), "", "500 The score server sent an error (500).", "", 0},
             {srv.url("/empty404"), "", "404 The score server sent an error (404).", "", 0},
             {srv.url("/missing"), "", "finish", "not here", 0},
             {closed.url("/gone"), "", error + "could not be reached.", "", 0},
             {srv.url("/big"), "", "-1 The reply was too large.", "", 0},
             {srv.url("/hugeheader"), "", "-1 The reply was too large.", "", 0},
             {srv.url("/slow"), "", error + "did not answer in time.", "", 6},
             {srv.url("/loop"), "", error + "sent the page round in circles.", "", 0},
             {srv.url("/away"), "id=me", error + "sent the page to another address.", "", 0},
             {srv.url("/ftp"), "", error + "sent the page to another address.", "", 0},
             {srv.url("/again"), "id=me", "finish", "text/plain|id=me", 0}, // the same POST again
             {srv.url("/then"), "id=me", "finish", "<body><h1>second</h1></body>", 0}}) { // a GET
        const std::string before = p.html();
        p.loadRequest({url, *post ? "POST" : "GET", post, *post ? "text/plain" : ""});
        EXPECT_GE(pollUntil([&] { return !p.loading(); }), frames) << url;
        EXPECT_EQ(ev.heard.back(), heard) << url;
        EXPECT_EQ(p.html(), html.empty() ? before : html) << url;
    }
    http::setTimeout(20);

    // A new load cancels the one under way; stopLoading drops one silently.
    p.loadRequest({srv.url("/slow"), "GET", "", ""});
    p.loadHtml("<body>placeholder</body>");
    EXPECT_EQ(std::vector(ev.heard.end() - 3, ev.heard.end()),
              (std::vector<std::string>{std::to_string(web::CANCELLED) + " cancelled", "start",
                                        "finish"}));
    const size_t heard = ev.heard.size();
    p.loadRequest({srv.url("/slow"), "GET", "", ""});
    p.stopLoading();
    pollUntil([] { return false; }, 10);
    EXPECT_EQ(ev.heard.size(), heard + 1) << "a dropped load reports nothing after its start";
    EXPECT_EQ(p.html(), "<body>placeholder</body>");
    EXPECT_EQ(http::active(), 0);
}
