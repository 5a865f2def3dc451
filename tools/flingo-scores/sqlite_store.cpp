// SPDX-License-Identifier: MIT
// The SQLite engine: one file in WAL mode, so readers go on while a submission commits; writers
// wait for each other up to the busy timeout. Each pooled connection keeps its statements.
#include "db.h"

#include <sqlite3.h>

#include <unordered_map>

namespace scores {
namespace {

class SqliteConn : public Conn {
  public:
    ~SqliteConn() override {
        for (auto& [sql, st] : m_statements)
            sqlite3_finalize(st);
        sqlite3_close(m_db);
    }

    bool open(const std::string& path, std::string& error) {
        if (sqlite3_open_v2(path.c_str(), &m_db,
                            SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                            nullptr) != SQLITE_OK) {
            error = m_db ? sqlite3_errmsg(m_db) : "out of memory";
            return false;
        }
        sqlite3_busy_timeout(m_db, 5000);
        // synchronous=FULL: an acknowledged score is on disk, not only in the page cache.
        char* msg = nullptr;
        if (sqlite3_exec(m_db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL;", nullptr,
                         nullptr, &msg) != SQLITE_OK) {
            error = msg ? msg : "cannot set WAL mode";
            sqlite3_free(msg);
            return false;
        }
        return true;
    }

    bool exec(const char* sql, const std::vector<Param>& params, Rows* rows) override {
        sqlite3_stmt* st = statement(sql);
        if (!st) return false;
        for (size_t i = 0; i < params.size(); ++i) {
            const std::string name = "$" + std::to_string(i + 1);
            const int at = sqlite3_bind_parameter_index(st, name.c_str());
            if (at == 0) continue;
            if (auto* n = std::get_if<int64_t>(&params[i]))
                sqlite3_bind_int64(st, at, *n);
            else if (auto* d = std::get_if<double>(&params[i]))
                sqlite3_bind_double(st, at, *d);
            else {
                const auto& s = std::get<std::string>(params[i]);
                sqlite3_bind_text(st, at, s.data(), static_cast<int>(s.size()), SQLITE_STATIC);
            }
        }
        if (rows) rows->clear();
        int rc;
        while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
            if (!rows) continue;
            std::vector<std::string> row;
            for (int c = 0; c < sqlite3_column_count(st); ++c) {
                const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(st, c));
                row.emplace_back(text ? text : "");
            }
            rows->push_back(std::move(row));
        }
        sqlite3_reset(st);
        sqlite3_clear_bindings(st);
        return rc == SQLITE_DONE;
    }

    bool alive() override { return true; }
    const char* beginWrite() const override { return "BEGIN IMMEDIATE"; }
    const char* beginRead() const override { return "BEGIN"; }
    const char* lockRow() const override { return ""; }
    const char* migrationLock() const override { return ""; }

  private:
    sqlite3_stmt* statement(const char* sql) {
        auto it = m_statements.find(sql);
        if (it != m_statements.end()) return it->second;
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v3(m_db, sql, -1, SQLITE_PREPARE_PERSISTENT, &st, nullptr) != SQLITE_OK)
            return nullptr;
        return m_statements[sql] = st;
    }

    sqlite3* m_db = nullptr;
    std::unordered_map<std::string, sqlite3_stmt*> m_statements;
};

} // namespace

std::unique_ptr<Store> openSqlite(const std::string& path, std::string& error) {
    auto connect = [path](std::string& err) -> std::unique_ptr<Conn> {
        auto db = std::make_unique<SqliteConn>();
        if (!db->open(path, err)) return nullptr;
        return db;
    };
    auto first = connect(error);
    if (!first || !migrate(*first, error)) return nullptr;
    return makeStore(connect);
}

} // namespace scores
