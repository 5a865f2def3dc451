// SPDX-License-Identifier: MIT
// A small HTTP server on 127.0.0.1 at a free port, with the replies the online tests need.
#pragma once
#include <httplib.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

namespace testsrv {

class Server {
  public:
    Server() {
        using Req = const httplib::Request&;
        using Res = httplib::Response&;
        svr.Post("/echo", [](Req q, Res r) {
            r.set_content(q.get_header_value("Content-Type") + "|" + q.body, "text/plain");
        });
        svr.Post("/board", [](Req q, Res r) {
            std::string rows;
            for (int i = 0; i < 100; ++i)
                rows += "<tr><td>" + std::to_string(i + 1) + "</td><td>player</td></tr>";
            r.set_content("<body style='background:#102040;color:#fff'><p>" + q.body +
                              "</p><a href='/next'>next page</a><table>" + rows + "</table></body>",
                          "text/html");
        });
        svr.Get("/next",
                [](Req, Res r) { r.set_content("<body><h1>second</h1></body>", "text/html"); });
        svr.Get("/missing",
                [](Req, Res r) { r.status = 404, r.set_content("not here", "text/plain"); });
        svr.Get("/empty500", [](Req, Res r) { r.status = 500; });
        svr.Get("/page500", [](Req, Res r) {
            r.status = 500, r.set_content("<body><h1>server trouble</h1></body>", "text/html");
        });
        svr.Get("/big", [](Req, Res r) { r.set_content(std::string(5 << 20, 'x'), "text/html"); });
        svr.Get("/slow", [this](Req, Res r) {
            for (int i = 0; i < 60 && !stopping; ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            r.set_content("<body>late</body>", "text/html");
        });
        svr.set_keep_alive_max_count(1); // no idle connection holds up the stop
        port = svr.bind_to_any_port("127.0.0.1");
        thread = std::thread([this] { svr.listen_after_bind(); });
        while (!svr.is_running()) // a stop before the server runs would be lost
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ~Server() { stop(); }
    void stop() {
        stopping = true;
        svr.stop();
        if (thread.joinable()) thread.join();
    }
    std::string url(const char* path) const {
        return "http://127.0.0.1:" + std::to_string(port) + path;
    }

    httplib::Server svr;
    int port = 0;
    std::thread thread;
    std::atomic<bool> stopping{false};
};

} // namespace testsrv
