// The in-app page against a real server on 127.0.0.1: loads, failures, cancelled loads, links
// and scrolling, driven by http::poll() as the frame loop drives it.
#include "online/web_page.h"

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>

namespace {

class PageServer {
  public:
    PageServer() {
        svr.Post("/board", [](const httplib::Request& req, httplib::Response& res) {
            std::string rows;
            for (int i = 0; i < 100; ++i)
                rows += "<tr><td>" + std::to_string(i + 1) + "</td><td>player</td></tr>";
            res.set_content("<html><head><title>Board</title></head><body style='background:"
                            "#102040;color:#fff'><p>" +
                                req.body + "</p><a href='/next'>next page</a><table>" + rows +
                                "</table></body></html>",
                            "text/html");
        });
        svr.Get("/next", [](const httplib::Request&, httplib::Response& res) {
            res.set_content("<body><h1>second</h1></body>", "text/html");
        });
        svr.Get("/empty500",
                [](const httplib::Request&, httplib::Response& res) { res.status = 500; });
        svr.Get("/page500", [](const httplib::Request&, httplib::Response& res) {
            res.status = 500;
            res.set_content("<body><h1>server trouble</h1></body>", "text/html");
        });
        svr.Get("/slow", [this](const httplib::Request&, httplib::Response& res) {
            for (int i = 0; i < 60 && !stopping; ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            res.set_content("<body>late</body>", "text/html");
        });
        svr.set_keep_alive_max_count(1); // no idle connection holds up the stop
        port = svr.bind_to_any_port("127.0.0.1");
        thread = std::thread([this] { svr.listen_after_bind(); });
        while (!svr.is_running())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ~PageServer() {
        stopping = true;
        svr.stop();
        thread.join();
    }
    std::string url(const char* path) const {
        return "http://127.0.0.1:" + std::to_string(port) + path;
    }
    httplib::Server svr;
    int port = 0;
    std::thread thread;
    std::atomic<bool> stopping{false};
};

struct Events : web::Listener {
    int started = 0, finished = 0;
    std::vector<std::pair<int, std::string>> failures;
    void didStartLoad() override { ++started; }
    void didFinishLoad() override { ++finished; }
    void didFailLoad(int code, const std::string& d) override { failures.emplace_back(code, d); }
};

// Polls every 20 ms until the page stops loading (or the time is up).
void settle(web::WebPage& p, double seconds = 15) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (p.loading() && std::chrono::steady_clock::now() < end) {
        http::poll();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

http::Request get(const std::string& url) {
    http::Request r;
    r.url = url;
    return r;
}

} // namespace

TEST(WebPage, PostedBoardReplacesThePlaceholderAndLinksLoadInside) {
    PageServer srv;
    web::WebPage p(320, 436);
    Events ev;
    p.setListener(&ev);
    p.loadHtml("<body><h1>loading...</h1></body>");
    EXPECT_EQ(ev.started, 1);
    EXPECT_EQ(ev.finished, 1);

    http::Request req{srv.url("/board"), "POST", "token=t&gid=1&id=me",
                      "application/x-www-form-urlencoded"};
    p.loadRequest(req);
    EXPECT_TRUE(p.loading());
    EXPECT_EQ(ev.started, 2);
    EXPECT_NE(p.html().find("loading..."), std::string::npos) << "the old page stays meanwhile";
    settle(p);
    ASSERT_FALSE(p.loading());
    EXPECT_EQ(ev.finished, 2);
    EXPECT_TRUE(ev.failures.empty());
    EXPECT_NE(p.html().find("<p>token=t&gid=1&id=me</p>"), std::string::npos)
        << "the page shows what the server got";
    EXPECT_GT(p.contentHeight(), 436) << "a hundred rows run past the view";

    std::vector<uint8_t> px;
    EXPECT_TRUE(p.render(px));
    ASSERT_EQ(px.size(), 320u * 436 * 4);
    EXPECT_EQ(px[0], 0x10); // the page's own background, top-left
    EXPECT_EQ(px[2], 0x40);
    EXPECT_FALSE(p.render(px)) << "nothing changed, nothing drawn";

    // Scrolling stays within the page and redraws.
    p.scrollBy(-50);
    EXPECT_EQ(p.scroll(), 0);
    p.scrollBy(100000);
    EXPECT_EQ(p.scroll(), p.contentHeight() - 436);
    EXPECT_TRUE(p.render(px));
    p.scrollBy(-p.scroll());

    // A tap that misses the link does nothing; one on it loads the target inside the page.
    EXPECT_FALSE(p.tap(300, 430));
    bool followed = false;
    for (int y = 0; y < 120 && !followed; y += 2)
        for (int x = 8; x < 80 && !followed; x += 6)
            followed = p.tap(x, y);
    ASSERT_TRUE(followed) << "no link found at the top of the page";
    settle(p);
    EXPECT_NE(p.html().find("second"), std::string::npos);
    EXPECT_EQ(p.url(), srv.url("/next"));
}

TEST(WebPage, FailuresAreReportedAndTheOldPageStays) {
    PageServer srv;
    web::WebPage p(320, 436);
    Events ev;
    p.setListener(&ev);
    p.loadHtml("<body>first</body>");

    // An error status with nothing to show is a failure that says the status.
    p.loadRequest(get(srv.url("/empty500")));
    settle(p);
    ASSERT_EQ(ev.failures.size(), 1u);
    EXPECT_EQ(ev.failures[0].first, 500);
    EXPECT_NE(ev.failures[0].second.find("500"), std::string::npos);
    EXPECT_EQ(p.html(), "<body>first</body>");

    // An error status with a page shows the page, as a browser does.
    p.loadRequest(get(srv.url("/page500")));
    settle(p);
    EXPECT_EQ(ev.failures.size(), 1u);
    EXPECT_NE(p.html().find("server trouble"), std::string::npos);

    // Nobody listening: a connection failure with the library's description.
    PageServer closed;
    const std::string dead = closed.url("/gone");
    closed.svr.stop();
    closed.thread.join();
    closed.thread = std::thread([] {}); // the destructor joins it
    p.loadRequest(get(dead));
    settle(p);
    ASSERT_EQ(ev.failures.size(), 2u);
    EXPECT_EQ(ev.failures[1].first, -1);
    EXPECT_FALSE(ev.failures[1].second.empty());
    EXPECT_NE(p.html().find("server trouble"), std::string::npos);
}

TEST(WebPage, ANewLoadCancelsTheOldOneAndStopLoadingIsSilent) {
    PageServer srv;
    web::WebPage p(320, 436);
    Events ev;
    p.setListener(&ev);
    p.loadRequest(get(srv.url("/slow")));
    p.loadHtml("<body>placeholder</body>");
    ASSERT_EQ(ev.failures.size(), 1u);
    EXPECT_EQ(ev.failures[0].first, web::CANCELLED);
    EXPECT_FALSE(p.loading());

    p.loadRequest(get(srv.url("/slow")));
    p.stopLoading();
    for (int i = 0; i < 10; ++i) {
        http::poll();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(ev.failures.size(), 1u) << "a dropped load reports nothing";
    EXPECT_EQ(p.html(), "<body>placeholder</body>");
    EXPECT_EQ(http::active(), 0);
}

TEST(WebPage, ReplyThatNeverComesTimesOutWithoutBlocking) {
    PageServer srv;
    http::setTimeout(0.5);
    web::WebPage p(320, 436);
    Events ev;
    p.setListener(&ev);
    p.loadRequest(get(srv.url("/slow")));
    int frames = 0;
    const auto t0 = std::chrono::steady_clock::now();
    while (p.loading() && frames < 1000) {
        const auto f0 = std::chrono::steady_clock::now();
        http::poll();
        EXPECT_LT(std::chrono::steady_clock::now() - f0, std::chrono::milliseconds(500));
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        ++frames;
    }
    http::setTimeout(20);
    ASSERT_EQ(ev.failures.size(), 1u);
    const std::string& why = ev.failures[0].second;
    EXPECT_TRUE(why.find("timed out") != std::string::npos ||
                why.find("Timeout") != std::string::npos)
        << why;
    EXPECT_GE(frames, 10) << "the loop kept going while it waited";
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(10));
}
