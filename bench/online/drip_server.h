// SPDX-License-Identifier: MIT
// A local server that answers "/users/profile" with a page sent in 40 slow pieces, 25 ms apart,
// after an optional wait: a page load that spans many frames. The hooks, if set, are called on
// the server's thread when the request arrives and when the last piece has gone.
#pragma once

#include <httplib.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <string>
#include <thread>

struct DripServer {
    httplib::Server svr;
    std::thread thread;
    int port = 0;
    std::string body;
    std::function<void()> onAsked, onAnswered;

    DripServer(std::string page, std::chrono::milliseconds wait = {}) : body(std::move(page)) {
        svr.Post("/users/profile", [this, wait](const httplib::Request&, httplib::Response& res) {
            if (onAsked) onAsked();
            std::this_thread::sleep_for(wait);
            res.set_chunked_content_provider(
                "text/html", [this](size_t offset, httplib::DataSink& sink) {
                    if (offset >= body.size()) {
                        if (onAnswered) onAnswered();
                        sink.done();
                        return true;
                    }
                    std::this_thread::sleep_for(std::chrono::milliseconds(25));
                    const size_t n = std::min<size_t>(body.size() / 40 + 1, body.size() - offset);
                    return sink.write(body.data() + offset, n);
                });
        });
        port = svr.bind_to_any_port("127.0.0.1");
        thread = std::thread([this] { svr.listen_after_bind(); });
        while (!svr.is_running())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ~DripServer() {
        svr.stop();
        thread.join();
    }
};
