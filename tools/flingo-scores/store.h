// SPDX-License-Identifier: MIT
// The score boards of the reference score service, behind one small interface with two engines:
// SQLite (a file, for one host) and PostgreSQL (several stateless servers over one database).
// Ranks come from a per-board histogram (total -> players) kept in the same transaction as the
// bests, so a board costs the same at a thousand players and at ten million. Ties share a rank.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace scores {

struct Entry {
    std::string uid;
    int64_t total = 0;
};

struct Row {
    int64_t rank = 0; // 1 + players with a higher total
    std::string uid;
    int64_t total = 0;
};

// What a board page shows: the top rows and, when the player is below them, a few rows around
// the player. best -1 (rank 0) when the player has no score on the board.
struct Board {
    std::vector<Row> top;
    std::vector<Row> near;
    int64_t best = -1;
    int64_t rank = 0;
};

class Store {
  public:
    virtual ~Store() = default;
    // Keeps the player's best for the board (the position of the best throw goes with it).
    // False when the database cannot be reached or refuses; nothing is half-stored then.
    virtual bool submit(int32_t gid, const std::string& uid, int64_t total, double lat,
                        double lng) = 0;
    // False when the database cannot be reached.
    virtual bool board(int32_t gid, const std::string& uid, int rows, Board& out) = 0;
    virtual bool healthy() = 0;
};

// "postgresql://..." or "postgres://..." opens PostgreSQL (when built in), anything else is a
// SQLite file. Null with a message when the database cannot be opened or migrated.
std::unique_ptr<Store> openSqlite(const std::string& path, std::string& error);
std::unique_ptr<Store> openPostgres(const std::string& url, std::string& error);
bool isPostgresUrl(const std::string& where);

} // namespace scores
