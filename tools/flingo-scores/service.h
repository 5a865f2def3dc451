// SPDX-License-Identifier: MIT
// The score service's requests and replies, apart from any HTTP server: the two form-posted
// endpoints (a submission, a board), /healthz, the per-address submission limit.
#pragma once

#include "store.h"

#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

namespace service {

struct BoardInfo {
    int32_t gid = 0;
    std::string token;
    std::string title;
};

// The boards the game is built with (src/online/boards.h).
std::vector<BoardInfo> defaultBoards();

struct Request {
    std::string method, path, body, address;
};

struct Reply {
    int status = 200;
    std::string type = "text/html; charset=utf-8";
    std::string body;
    std::string allow; // the Allow header of a 405
};

class Service {
  public:
    // submitsPerMinute 0: no limit.
    Service(scores::Store& store, std::vector<BoardInfo> boards, int submitsPerMinute);
    Reply handle(const Request& req); // called on several threads at once

    // The clock of the rate limit, replaceable by tests.
    using Clock = std::chrono::steady_clock;
    std::chrono::steady_clock::time_point (*now)() = Clock::now;

  private:
    bool allowSubmit(const std::string& address);

    scores::Store& m_store;
    std::vector<BoardInfo> m_boards;
    int m_perMinute;
    struct Window {
        Clock::time_point start;
        int count = 0;
    };
    std::mutex m_lock;
    std::unordered_map<std::string, Window> m_windows;
    Clock::time_point m_lastSweep;
};

} // namespace service
