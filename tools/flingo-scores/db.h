// SPDX-License-Identifier: MIT
// One database connection as the store sees it: statements with $1.. parameters and text
// results, the same SQL on both engines. The store logic in store.cpp is written once over it.
#pragma once

#include "store.h"

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <variant>
#include <vector>

namespace scores {

using Param = std::variant<int64_t, double, std::string>;
using Rows = std::vector<std::vector<std::string>>;

class Conn {
  public:
    virtual ~Conn() = default;
    // Runs one statement; rows (when given) receive the result. False on any failure.
    virtual bool exec(const char* sql, const std::vector<Param>& params, Rows* rows) = 0;
    // False when the connection is lost; the pool then drops it and opens a new one.
    virtual bool alive() = 0;
    // Starts a write transaction that holds the player's row from the first read on.
    virtual const char* beginWrite() const = 0;
    virtual const char* beginRead() const = 0;
    // Appended to the read of the player's current best inside a write transaction.
    virtual const char* lockRow() const = 0;
    // Taken inside the migration's transaction so that servers starting together migrate once.
    virtual const char* migrationLock() const = 0;
};

using Connect = std::function<std::unique_ptr<Conn>(std::string& error)>;

// Brings a fresh or older database to the current schema. False with a message on failure.
bool migrate(Conn& db, std::string& error);

// The store over a pool of connections made by `connect` (one per concurrent request).
std::unique_ptr<Store> makeStore(Connect connect);

} // namespace scores
