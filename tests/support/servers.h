// SPDX-License-Identifier: MIT
// An HTTP server in the test's own process on 127.0.0.1 at a free port: add routes to svr, then
// start(). Replies that wait end early once `stopping` is set, so a stop never waits for them.
#pragma once
#include <httplib.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

namespace testsrv {

class Http {
  public:
    void start() {
        svr.set_keep_alive_max_count(1); // no idle connection holds up the stop
        port = svr.bind_to_any_port("127.0.0.1");
        thread = std::thread([this] { svr.listen_after_bind(); });
        while (!svr.is_running()) // a stop before the server runs would be lost
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    void stop() {
        stopping = true;
        svr.stop();
        if (thread.joinable()) thread.join();
    }
    ~Http() { stop(); }
    std::string url(const std::string& path = "") const {
        return "http://127.0.0.1:" + std::to_string(port) + path;
    }
    // Naps up to the given seconds, ending early on a stop.
    void nap(double seconds) {
        for (int i = 0; i < seconds * 50 && !stopping; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }

    httplib::Server svr;
    int port = 0;
    std::thread thread;
    std::atomic<bool> stopping{false};
};

} // namespace testsrv
