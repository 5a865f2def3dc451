// Requests over real HTTP to a server on 127.0.0.1, driven by poll() as the frame loop does.
#include "online/http.h"

#include <httplib.h>

#include <arpa/inet.h>
#include <chrono>
#include <cstdio>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

struct Seen {
    bool called = false;
    int calls = 0;
    std::string data;
    int status = -1;
    void* user = nullptr;
};

void record(void* seen, void* result) {
    auto* s = static_cast<Seen*>(seen);
    auto* r = static_cast<http::Result*>(result);
    s->called = true;
    ++s->calls;
    s->data.assign(r->data ? reinterpret_cast<const char*>(r->data) : "", r->data ? r->length : 0);
    s->status = r->status;
    s->user = r->user;
}

class TestServer {
  public:
    TestServer() {
        svr.Post("/echo", [](const httplib::Request& req, httplib::Response& res) {
            res.set_content(req.get_header_value("Content-Type") + "|" + req.body, "text/plain");
        });
        svr.Get("/missing", [](const httplib::Request&, httplib::Response& res) {
            res.status = 404;
            res.set_content("not here", "text/plain");
        });
        svr.Get("/fail", [](const httplib::Request&, httplib::Response& res) {
            res.status = 500;
            res.set_content("broken", "text/plain");
        });
        svr.Get("/big", [](const httplib::Request&, httplib::Response& res) {
            res.set_content(std::string(5 * 1024 * 1024, 'x'), "text/html");
        });
        svr.Get("/slow", [this](const httplib::Request&, httplib::Response& res) {
            for (int i = 0; i < 40 && !stopping; ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            res.set_content("late", "text/plain");
        });
        port = svr.bind_to_any_port("127.0.0.1");
        thread = std::thread([this] { svr.listen_after_bind(); });
    }
    ~TestServer() {
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

// Polls like the frame loop: every 20 ms, never blocking, until the callback ran.
int pollUntil(const Seen& s, double seconds = 10) {
    int frames = 0;
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!s.called && std::chrono::steady_clock::now() < end) {
        const auto t0 = std::chrono::steady_clock::now();
        http::poll();
        // Generous for a loaded machine; the slow-reply case below also counts the frames that
        // went on while it waited.
        EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(1000))
            << "poll() blocked the frame";
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        ++frames;
    }
    return frames;
}

TEST(Http, MemoryModePostsTheFormAndGetsTheWholeBody) {
    TestServer srv;
    Seen s;
    int user = 7;
    http::UrlDelegate d(evt::Callback(&record, &s), &user);
    http::start({srv.url("/echo"), "POST", "token=a&total=" + http::formEncode("12 & up"),
                 "application/x-www-form-urlencoded"},
                &d);
    pollUntil(s);
    ASSERT_TRUE(s.called);
    EXPECT_EQ(s.calls, 1);
    EXPECT_EQ(s.status, 200);
    EXPECT_EQ(s.user, &user);
    EXPECT_EQ(s.data, "application/x-www-form-urlencoded|token=a&total=12%20%26%20up");
    EXPECT_EQ(http::active(), 0);
    EXPECT_EQ(http::formEncode("abcXYZ019-._~"), "abcXYZ019-._~");
}

TEST(Http, FileModeReplacesOnlyOnSuccess) {
    TestServer srv;
    char tmpl[] = "/tmp/flingo-http-XXXXXX";
    std::string dest = std::string(mkdtemp(tmpl)) + "/page.html";
    FILE* f = fopen(dest.c_str(), "wb");
    fputs("old", f);
    fclose(f);

    Seen s;
    http::UrlDelegate d(evt::Callback(&record, &s), dest, nullptr);
    http::start({srv.url("/missing"), "GET", "", ""}, &d);
    pollUntil(s);
    ASSERT_TRUE(s.called);
    EXPECT_EQ(s.status, 404);
    int size = 0;
    char buf[64] = {};
    f = fopen(dest.c_str(), "rb");
    size = static_cast<int>(fread(buf, 1, sizeof buf, f));
    fclose(f);
    EXPECT_EQ(std::string(buf, size), "old");
    f = fopen((dest + ".tmp").c_str(), "rb");
    ASSERT_NE(f, nullptr);
    size = static_cast<int>(fread(buf, 1, sizeof buf, f));
    fclose(f);
    EXPECT_EQ(std::string(buf, size), "not here");

    Seen ok;
    http::UrlDelegate d2(evt::Callback(&record, &ok), dest, nullptr);
    http::start({srv.url("/echo"), "POST", "x", "text/plain"}, &d2);
    pollUntil(ok);
    EXPECT_EQ(ok.status, 200);
    f = fopen(dest.c_str(), "rb");
    size = static_cast<int>(fread(buf, 1, sizeof buf, f));
    fclose(f);
    EXPECT_EQ(std::string(buf, size), "text/plain|x");
}

TEST(Http, FailuresReachTheCallbackWithoutStallingFrames) {
    TestServer srv;
    {
        Seen s;
        http::UrlDelegate d(evt::Callback(&record, &s), nullptr);
        http::start({srv.url("/fail"), "GET", "", ""}, &d);
        pollUntil(s);
        EXPECT_EQ(s.status, 500);
        EXPECT_EQ(s.data, "broken");
    }
    {
        Seen s;
        http::UrlDelegate d(evt::Callback(&record, &s), nullptr);
        http::start({srv.url("/big"), "GET", "", ""}, &d);
        pollUntil(s);
        EXPECT_EQ(s.status, 0);
        EXPECT_EQ(s.data, "The reply is too large.");
    }
    {
        // Nobody listens on this port any more.
        int dead = 0;
        {
            int fd = socket(AF_INET, SOCK_STREAM, 0);
            sockaddr_in a{};
            a.sin_family = AF_INET;
            a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
            socklen_t len = sizeof a;
            getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
            dead = ntohs(a.sin_port);
            close(fd);
        }
        Seen s;
        http::UrlDelegate d(evt::Callback(&record, &s), nullptr);
        http::start({"http://127.0.0.1:" + std::to_string(dead) + "/", "GET", "", ""}, &d);
        pollUntil(s);
        EXPECT_EQ(s.status, 0);
        EXPECT_FALSE(s.data.empty());
    }
    {
        http::setTimeout(0.3);
        Seen s;
        http::UrlDelegate d(evt::Callback(&record, &s), nullptr);
        http::start({srv.url("/slow"), "GET", "", ""}, &d);
        int frames = pollUntil(s);
        EXPECT_EQ(s.status, 0);
        EXPECT_NE(s.data.find("timed out"), std::string::npos) << s.data;
        EXPECT_GT(frames, 5); // the frames went on meanwhile
        http::setTimeout(20);
    }
    {
        Seen s;
        http::UrlDelegate d(evt::Callback(&record, &s), nullptr);
        int id = http::start({srv.url("/slow"), "GET", "", ""}, &d);
        http::poll();
        http::cancel(id);
        EXPECT_EQ(http::active(), 0);
        pollUntil(s, 0.2);
        EXPECT_FALSE(s.called); // cancelled loads are silent
    }
}

} // namespace
