// SPDX-License-Identifier: MIT
// The SQLite engine: one file in WAL mode, so readers go on while a submission commits; writers
// wait for each other up to the busy timeout. Each pooled connection keeps its statements.
#include "db.h"

#include <sqlite3.h>

#include <cstring>
#include <memory>
#include <unordered_map>

namespace scores {
namespace {

class SqliteConn : public Conn {
  public:
    ~SqliteConn() override {
        if (m_writing) m_writes->unlock();
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
        // In WAL mode with synchronous=NORMAL a commit is in the log file when it returns: it
        // survives the process being killed; only a power cut can lose the last few commits
        // (syncing each one would put a disk flush in every submission).
        char* msg = nullptr;
        if (sqlite3_exec(m_db,
                         "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;"
                         // Pages read in place from the mapped file, not copied.
                         " PRAGMA mmap_size=4294967296;",
                         nullptr, nullptr, &msg) != SQLITE_OK) {
            error = msg ? msg : "cannot set WAL mode";
            sqlite3_free(msg);
            return false;
        }
        return true;
    }

    explicit SqliteConn(std::shared_ptr<std::mutex> writes) : m_writes(std::move(writes)) {}

    bool exec(const char* sql, const std::vector<Param>& params, Rows* rows) override {
        // Writers of this process queue on a mutex and are woken as soon as the one before them
        // commits; SQLite's busy handler would have them sleep and retry in steps of up to 100 ms.
        if (sql == beginWrite()) {
            m_writes->lock();
            m_writing = true;
        }
        const bool ok = run(sql, params, rows);
        if (m_writing &&
            (!strcmp(sql, "COMMIT") || !strcmp(sql, "ROLLBACK") || (sql == beginWrite() && !ok))) {
            m_writing = false;
            m_writes->unlock();
        }
        return ok;
    }

    bool alive() override { return true; }
    const char* beginWrite() const override { return BEGIN_WRITE; }
    const char* lockRow() const override { return ""; }
    const char* migrationLock() const override { return ""; }

  private:
    static constexpr const char* BEGIN_WRITE = "BEGIN IMMEDIATE";

    bool run(const char* sql, const std::vector<Param>& params, Rows* rows) {
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

    sqlite3_stmt* statement(const char* sql) {
        auto it = m_statements.find(sql);
        if (it != m_statements.end()) return it->second;
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v3(m_db, sql, -1, SQLITE_PREPARE_PERSISTENT, &st, nullptr) != SQLITE_OK)
            return nullptr;
        return m_statements[sql] = st;
    }

    std::shared_ptr<std::mutex> m_writes;
    bool m_writing = false;
    sqlite3* m_db = nullptr;
    std::unordered_map<std::string, sqlite3_stmt*> m_statements;
};

} // namespace

std::unique_ptr<Store> openSqlite(const std::string& path, std::string& error) {
    auto writes = std::make_shared<std::mutex>();
    auto connect = [path, writes](std::string& err) -> std::unique_ptr<Conn> {
        auto db = std::make_unique<SqliteConn>(writes);
        if (!db->open(path, err)) return nullptr;
        return db;
    };
    auto first = connect(error);
    if (!first || !migrate(*first, error)) return nullptr;
    return makeStore(connect);
}

} // namespace scores
