// SPDX-License-Identifier: MIT
// The score table of the reference score service, in SQLite.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

struct sqlite3;

namespace scores {

struct Entry {
    std::string uid;
    int64_t total = 0;
};

class Store {
  public:
    // Opens (creating when needed) the database file. False with a message on failure.
    bool open(const std::string& path, std::string& error);
    ~Store();

    // Keeps the player's best for the board; the position of the best throw goes with it.
    bool submit(int32_t gid, const std::string& uid, int64_t total, double lat, double lng);
    std::vector<Entry> top(int32_t gid, int limit);
    // The player's best and rank on the board (rank 0, best -1 when the player has none).
    void standing(int32_t gid, const std::string& uid, int64_t& best, int64_t& rank);

  private:
    sqlite3* m_db = nullptr;
    std::mutex m_lock; // the server answers on several threads; one connection
};

} // namespace scores
