// SPDX-License-Identifier: MIT
// Requests and the in-app page over real HTTP to a server on 127.0.0.1, driven by http::poll()
// every 20 ms as the frame loop drives them: forms, saved files, failures, redirects, cancelled
// loads, links and scrolling.
#include "online/http.h"
#include "online/web_page.h"
#include "support/run.h"
#include "support/servers.h"

#include <array>
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
        // Path, status, page (none when empty).
        for (const auto& [path, status, page] :
             std::vector<std::tuple<std::string, int, std::string>>{
                 {"/next", 200, "<body><h1>second</h1></body>"},
                 {"/missing", 404, "not here"},
                 {"/empty404", 404, ""},
                 {"/page500", 500, "<body><h1>server trouble</h1></body>"},
                 {"/big", 200, std::string(5 << 20, 'x')}})
            svr.Get(path, [=](Req, Res r) {
                r.status = status;
                if (!page.empty()) r.set_content(page, "text/html");
            });
        svr.Get("/hugeheader", [](Req, Res r) {
            r.set_header("X-Filler", std::string(1 << 20, 'h'));
            r.set_content("<body>x</body>", "text/html");
        });
        svr.Get("/slow", [this](Req, Res r) {
            nap(3);
            r.set_content("<body>late</body>", "text/html");
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

// What a request's callback got, and the frames it took.
struct Seen {
    int calls = 0, status = -1, frames = 0;
    std::string data;
};

void record(void* seen, void* result) {
    auto* s = static_cast<Seen*>(seen);
    auto* r = static_cast<http::Result*>(result);
    ++s->calls;
    s->data.assign(r->data ? reinterpret_cast<const char*>(r->data) : "", r->data ? r->length : 0);
    s->status = r->status;
}

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

http::Request get(const std::string& url) {
    return {url, "GET", "", ""};
}

// Starts the request (into the file when one is named) and polls until its callback ran.
Seen fetch(const http::Request& req, const std::string& file = "") {
    Seen s;
    const evt::Callback cb(&record, &s);
    http::UrlDelegate d =
        file.empty() ? http::UrlDelegate(cb, nullptr) : http::UrlDelegate(cb, file, nullptr);
    http::start(req, &d);
    s.frames = pollUntil([&] { return s.calls; });
    return s;
}

} // namespace

TEST(Http, FormsFilesFailuresAndRedirectsReachTheCallbackWithoutStallingFrames) {
    Server srv; // (a server that is down is the page's case)
    // (Forms and their encoding: the submissions show them, here and in the whole-game runs.)
    // Into a file: only a load that succeeds replaces it.
    const std::string dest = testrun::tempDir() + "/page.html";
    testrun::writeFile(dest, "old");
    EXPECT_EQ(fetch(get(srv.url("/missing")), dest).status, 404);
    EXPECT_EQ(testrun::readFile(dest), "old");
    EXPECT_EQ(testrun::readFile(dest + ".tmp"), "not here");
    EXPECT_EQ(fetch({srv.url("/echo"), "POST", "x", "text/plain"}, dest).status, 200);
    EXPECT_EQ(testrun::readFile(dest), "text/plain|x");

    http::setTimeout(1);
    // The URL, the status, the data or a part of it, the frames it takes at least, a POST's body.
    const std::tuple<std::string, int, const char*, int, const char*> cases[] = {
        {srv.url("/page500"), 500, "server trouble", 0, nullptr},
        {srv.url("/big"), 0, "The reply was too large.", 0, nullptr},
        {srv.url("/hugeheader"), 0, "The reply was too large.", 0, nullptr},
        {srv.url("/slow"), 0, "The score server did not answer in time.", 6, nullptr}, // frames on
        {srv.url("/loop"), 0, "The score server sent the page round in circles.", 0, nullptr},
        {srv.url("/away"), 0, "The score server sent the page to another address.", 0, "id=me"},
        {srv.url("/ftp"), 0, "The score server sent the page to another address.", 0, nullptr},
        {srv.url("/again"), 200, "text/plain|id=me", 0, "id=me"}, // 307: the same POST again
        {srv.url("/then"), 200, "second", 0, "id=me"}};           // 303: a GET
    for (const auto& [url, status, text, min_frames, post] : cases) {
        const Seen s =
            fetch({url, post ? "POST" : "GET", post ? post : "", post ? "text/plain" : ""});
        EXPECT_EQ(s.status, status) << url;
        EXPECT_NE(s.data.find(text), std::string::npos) << url << ": " << s.data;
        EXPECT_GE(s.frames, min_frames) << url;
    }
    http::setTimeout(20);
    // (Cancelled loads are silent: the page's stopLoading shows it.)
}

namespace {
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

TEST(WebPage, BoardsScrollLinksLoadInsideAndFailuresKeepTheOldPage) {
    Server srv, closed;
    closed.stop();
    web::WebPage p(320, 436);
    Events ev;
    p.setListener(&ev);
    p.loadHtml("<body><h1>loading...</h1></body>");
    p.loadRequest(
        {srv.url("/board"), "POST", "token=t&gid=1&id=me", "application/x-www-form-urlencoded"});
    pollUntil([&] { return !p.loading(); });
    EXPECT_EQ(ev.heard, (std::vector<std::string>{"start", "finish", "start", "finish"}));
    EXPECT_NE(p.html().find("<p>token=t&gid=1&id=me</p>"), std::string::npos);
    EXPECT_GT(p.contentHeight(), 436) << "a hundred rows run past the view";

    std::vector<uint8_t> px;
    EXPECT_TRUE(p.render(px));
    EXPECT_EQ(px.size() == 320u * 436 * 4 ? px[0] << 8 | px[2] : -1, 0x1040) << "its background";
    EXPECT_FALSE(p.render(px)) << "nothing changed, nothing drawn";
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
    // does; nobody listening says so.
    const std::string first = "<body><h1>second</h1></body>",
                      error500 = "500 The score server sent an error (500).";
    for (const auto& [url, heard, html] : std::vector<std::array<std::string, 3>>{
             {srv.url("/page500"), error500, first},
             {srv.url("/empty404"), "404 The score server sent an error (404).", first},
             {srv.url("/missing"), "finish", "not here"},
             {closed.url("/gone"), "-1 The score server could not be reached.", "not here"}}) {
        p.loadRequest(get(url));
        pollUntil([&] { return !p.loading(); });
        EXPECT_EQ(ev.heard.back(), heard) << url;
        EXPECT_EQ(p.html(), html) << url;
    }
    // A new load cancels the one under way; stopLoading drops one silently.
    p.loadRequest(get(srv.url("/slow")));
    p.loadHtml("<body>placeholder</body>");
    EXPECT_EQ(std::vector(ev.heard.end() - 3, ev.heard.end()),
              (std::vector<std::string>{std::to_string(web::CANCELLED) + " cancelled", "start",
                                        "finish"}));
    EXPECT_FALSE(p.loading());
    const size_t heard = ev.heard.size();
    p.loadRequest(get(srv.url("/slow")));
    p.stopLoading();
    pollUntil([] { return false; }, 10);
    EXPECT_EQ(ev.heard.size(), heard + 1) << "a dropped load reports nothing after its start";
    EXPECT_EQ(p.html(), "<body>placeholder</body>");
    EXPECT_EQ(http::active(), 0);
}
