// SPDX-License-Identifier: MIT
// Requests over real HTTP to a server on 127.0.0.1, driven by poll() as the frame loop does.
#include "local_server.h"
#include "online/http.h"

#include <cstdio>
#include <gtest/gtest.h>

namespace {

struct Seen {
    int calls = 0, status = -1;
    std::string data;
    void* user = nullptr;
};

void record(void* seen, void* result) {
    auto* s = static_cast<Seen*>(seen);
    auto* r = static_cast<http::Result*>(result);
    ++s->calls;
    s->data.assign(r->data ? reinterpret_cast<const char*>(r->data) : "", r->data ? r->length : 0);
    s->status = r->status;
    s->user = r->user;
}

// Polls every 20 ms, like the frame loop, until the callback ran; returns the frames it took. A
// poll that blocked shows as too few frames (the slow reply's case wants frames to go on).
int pollUntil(const Seen& s, double seconds = 10) {
    int frames = 0;
    while (!s.calls && frames < seconds / 0.02) {
        http::poll();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        ++frames;
    }
    return frames;
}

std::string slurp(const std::string& path) {
    std::string out(64, '\0');
    FILE* f = fopen(path.c_str(), "rb");
    if (!f) return "<missing>";
    out.resize(fread(out.data(), 1, out.size(), f));
    fclose(f);
    return out;
}

TEST(Http, MemoryModePostsTheEncodedFormAndFileModeReplacesOnlyOnSuccess) {
    testsrv::Server srv;
    Seen s;
    int user = 7;
    http::UrlDelegate d(evt::Callback(&record, &s), &user);
    http::start({srv.url("/echo"), "POST", "token=a&total=" + http::formEncode("12 & up"),
                 "application/x-www-form-urlencoded"},
                &d);
    pollUntil(s);
    EXPECT_EQ(s.calls, 1);
    EXPECT_EQ(s.status, 200);
    EXPECT_EQ(s.user, &user);
    EXPECT_EQ(s.data, "application/x-www-form-urlencoded|token=a&total=12%20%26%20up");
    EXPECT_EQ(http::active(), 0);
    EXPECT_EQ(http::formEncode("abcXYZ019-._~"), "abcXYZ019-._~");

    char tmpl[] = "/tmp/flingo-http-XXXXXX";
    const std::string dest = std::string(mkdtemp(tmpl)) + "/page.html";
    FILE* f = fopen(dest.c_str(), "wb");
    fputs("old", f);
    fclose(f);
    Seen miss, ok;
    http::UrlDelegate d1(evt::Callback(&record, &miss), dest, nullptr);
    http::start({srv.url("/missing"), "GET", "", ""}, &d1);
    pollUntil(miss);
    EXPECT_EQ(miss.status, 404);
    EXPECT_EQ(slurp(dest), "old") << "a failed load keeps the old file";
    EXPECT_EQ(slurp(dest + ".tmp"), "not here");
    http::UrlDelegate d2(evt::Callback(&record, &ok), dest, nullptr);
    http::start({srv.url("/echo"), "POST", "x", "text/plain"}, &d2);
    pollUntil(ok);
    EXPECT_EQ(ok.status, 200);
    EXPECT_EQ(slurp(dest), "text/plain|x");
}

TEST(Http, FailuresReachTheCallbackWithoutStallingFrames) {
    testsrv::Server srv, dead;
    dead.stop();
    http::setTimeout(1);
    struct Case {
        std::string url;
        int status;
        const char* text; // the data, or a part of it
        int min_frames;
        const char* post = nullptr; // the body of a POST
    } cases[] = {
        {srv.url("/page500"), 500, "server trouble", 0},
        {srv.url("/big"), 0, "The reply was too large.", 0},
        {srv.url("/hugeheader"), 0, "The reply was too large.", 0},
        {dead.url("/"), 0, "The score server could not be reached.", 0},
        {srv.url("/slow"), 0, "The score server did not answer in time.", 6}, // frames went on
        {srv.url("/loop"), 0, "The score server sent the page round in circles.", 0},
        {srv.url("/away"), 0, "The score server sent the page to another address.", 0, "id=me"},
        {srv.url("/ftp"), 0, "The score server sent the page to another address.", 0},
        {srv.url("/again"), 200, "text/plain|id=me", 0, "id=me"}, // 307: the same POST again
        {srv.url("/then"), 200, "second", 0, "id=me"}};           // 303: a GET
    for (const Case& c : cases) {
        Seen s;
        http::UrlDelegate d(evt::Callback(&record, &s), nullptr);
        http::start(
            {c.url, c.post ? "POST" : "GET", c.post ? c.post : "", c.post ? "text/plain" : ""}, &d);
        const int frames = pollUntil(s);
        EXPECT_EQ(s.status, c.status) << c.url;
        EXPECT_NE(s.data.find(c.text), std::string::npos) << c.url << ": " << s.data;
        EXPECT_FALSE(s.data.empty()) << c.url;
        EXPECT_GE(frames, c.min_frames) << c.url;
    }
    http::setTimeout(20);

    Seen s;
    http::UrlDelegate d(evt::Callback(&record, &s), nullptr);
    const int id = http::start({srv.url("/slow"), "GET", "", ""}, &d);
    http::poll();
    http::cancel(id);
    EXPECT_EQ(http::active(), 0);
    pollUntil(s, 0.2);
    EXPECT_EQ(s.calls, 0) << "cancelled loads are silent";
}

} // namespace
