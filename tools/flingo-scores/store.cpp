// SPDX-License-Identifier: MIT
#include "store.h"

#include <sqlite3.h>

namespace scores {
namespace {

// A prepared statement that finalises itself.
struct Stmt {
    sqlite3_stmt* s = nullptr;
    Stmt(sqlite3* db, const char* sql) { sqlite3_prepare_v2(db, sql, -1, &s, nullptr); }
    ~Stmt() { sqlite3_finalize(s); }
    explicit operator bool() const { return s != nullptr; }
};

} // namespace

bool Store::open(const std::string& path, std::string& error) {
    if (sqlite3_open(path.c_str(), &m_db) != SQLITE_OK) {
        error = m_db ? sqlite3_errmsg(m_db) : "out of memory";
        return false;
    }
    sqlite3_busy_timeout(m_db, 2000);
    const char* schema = "CREATE TABLE IF NOT EXISTS scores ("
                         " gid INTEGER NOT NULL, uid TEXT NOT NULL, total INTEGER NOT NULL,"
                         " lat REAL NOT NULL, lng REAL NOT NULL, ts INTEGER NOT NULL,"
                         " PRIMARY KEY (gid, uid));"
                         "CREATE INDEX IF NOT EXISTS by_total ON scores (gid, total DESC);";
    char* msg = nullptr;
    if (sqlite3_exec(m_db, schema, nullptr, nullptr, &msg) != SQLITE_OK) {
        error = msg ? msg : "cannot create the table";
        sqlite3_free(msg);
        return false;
    }
    return true;
}

Store::~Store() {
    sqlite3_close(m_db);
}

bool Store::submit(int32_t gid, const std::string& uid, int64_t total, double lat, double lng) {
    std::lock_guard<std::mutex> hold(m_lock);
    Stmt st(m_db, "INSERT INTO scores (gid, uid, total, lat, lng, ts)"
                  " VALUES (?1, ?2, ?3, ?4, ?5, strftime('%s','now'))"
                  " ON CONFLICT (gid, uid) DO UPDATE SET total = excluded.total,"
                  " lat = excluded.lat, lng = excluded.lng, ts = excluded.ts"
                  " WHERE excluded.total > scores.total");
    if (!st) return false;
    sqlite3_bind_int(st.s, 1, gid);
    sqlite3_bind_text(st.s, 2, uid.data(), static_cast<int>(uid.size()), SQLITE_TRANSIENT);
    sqlite3_bind_int64(st.s, 3, total);
    sqlite3_bind_double(st.s, 4, lat);
    sqlite3_bind_double(st.s, 5, lng);
    return sqlite3_step(st.s) == SQLITE_DONE;
}

std::vector<Entry> Store::top(int32_t gid, int limit) {
    std::lock_guard<std::mutex> hold(m_lock);
    std::vector<Entry> out;
    Stmt st(m_db, "SELECT uid, total FROM scores WHERE gid = ?1 ORDER BY total DESC, ts ASC"
                  " LIMIT ?2");
    if (!st) return out;
    sqlite3_bind_int(st.s, 1, gid);
    sqlite3_bind_int(st.s, 2, limit);
    while (sqlite3_step(st.s) == SQLITE_ROW) {
        const auto* uid = reinterpret_cast<const char*>(sqlite3_column_text(st.s, 0));
        out.push_back({uid ? uid : "", sqlite3_column_int64(st.s, 1)});
    }
    return out;
}

void Store::standing(int32_t gid, const std::string& uid, int64_t& best, int64_t& rank) {
    std::lock_guard<std::mutex> hold(m_lock);
    best = -1;
    rank = 0;
    Stmt st(m_db, "SELECT total, (SELECT COUNT(*) FROM scores o WHERE o.gid = s.gid"
                  " AND o.total > s.total) + 1 FROM scores s WHERE gid = ?1 AND uid = ?2");
    if (!st) return;
    sqlite3_bind_int(st.s, 1, gid);
    sqlite3_bind_text(st.s, 2, uid.data(), static_cast<int>(uid.size()), SQLITE_TRANSIENT);
    if (sqlite3_step(st.s) == SQLITE_ROW) {
        best = sqlite3_column_int64(st.s, 0);
        rank = sqlite3_column_int64(st.s, 1);
    }
}

} // namespace scores
