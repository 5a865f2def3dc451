// SPDX-License-Identifier: MIT
#include "db.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <string>

namespace scores {
namespace {

constexpr int SCHEMA_VERSION = 2;
constexpr int NEAR_ROWS = 2; // rows shown above and below a player who is not in the top rows

// Version 1 was the scores table alone, ranked by counting; version 2 adds the histogram.
const char* const MIGRATE_TO_2[] = {
    "CREATE TABLE IF NOT EXISTS scores (gid INTEGER NOT NULL, uid TEXT NOT NULL,"
    " total BIGINT NOT NULL, lat DOUBLE PRECISION NOT NULL, lng DOUBLE PRECISION NOT NULL,"
    " ts BIGINT NOT NULL, PRIMARY KEY (gid, uid))",
    "CREATE TABLE IF NOT EXISTS histogram (gid INTEGER NOT NULL, total BIGINT NOT NULL,"
    " players BIGINT NOT NULL, PRIMARY KEY (gid, total))",
    "DELETE FROM histogram",
    "INSERT INTO histogram (gid, total, players)"
    " SELECT gid, total, COUNT(*) FROM scores GROUP BY gid, total",
    "DROP INDEX IF EXISTS by_total",
    "CREATE INDEX IF NOT EXISTS scores_order ON scores (gid, total, uid)",
    "DELETE FROM schema_version",
    "INSERT INTO schema_version (version) VALUES (2)",
};

// The players with a higher total than a row's, from the board's histogram: one short index
// range over the distinct totals above, however many players there are.
#define ABOVE(total)                                                                               \
    "(SELECT COALESCE(SUM(players), 0) FROM histogram h WHERE h.gid = $1 AND h.total > " total ")"

// A whole board in one statement (one round trip to a database server), each part through
// indexes only: the top rows (part 0), the player's best with the players above it (part 1) and
// the rows just above and below the player (part 2), which mostly share the player's total and
// so the player's count. Without a best the neighbourhood compares with NULL and is empty.
// $1 board, $2 player. The row counts are written into the text: for a LIMIT whose value it
// cannot see, PostgreSQL plans as if a tenth of the table came back, and that plan is slow.
std::string boardStatement(int rows) {
    const std::string top = std::to_string(rows), near = std::to_string(NEAR_ROWS);
    // clang-format off
    return "WITH me AS (SELECT uid, total, " ABOVE("s.total") " AS above FROM scores s"
           "  WHERE gid = $1 AND uid = $2)"
           " SELECT 0 AS part, uid, total, 0 AS above FROM (SELECT uid, total FROM scores"
           "  WHERE gid = $1 ORDER BY total DESC, uid DESC LIMIT " + top + ") t"
           " UNION ALL SELECT 1, uid, total, above FROM me"
           " UNION ALL SELECT 2, uid, total,"
           "  COALESCE((SELECT above FROM me WHERE me.total = n.total), " ABOVE("n.total") ")"
           " FROM ("
           "  SELECT * FROM (SELECT uid, total FROM scores WHERE gid = $1"
           "   AND (total, uid) > ((SELECT total FROM me), $2) ORDER BY total, uid"
           "   LIMIT " + near + ") a"
           "  UNION ALL SELECT * FROM (SELECT uid, total FROM scores WHERE gid = $1"
           "   AND (total, uid) < ((SELECT total FROM me), $2) ORDER BY total DESC, uid DESC"
           "   LIMIT " + near + ") b"
           " ) n"
           " ORDER BY part, total DESC, uid DESC";
    // clang-format on
}

int64_t number(const std::string& text) {
    return std::strtoll(text.c_str(), nullptr, 10);
}

class SqlStore : public Store {
  public:
    explicit SqlStore(Connect connect) : m_connect(std::move(connect)) {}

    bool submit(int32_t gid, const std::string& uid, int64_t total, double lat,
                double lng) override {
        return with([&](Conn& db) {
            // A first submission racing another one of the same player loses the insert; the
            // second try then sees the row and compares bests as usual.
            for (int attempt = 0; attempt < 3; ++attempt) {
                const int r = submitOnce(db, gid, uid, total, lat, lng);
                if (r >= 0) return r == 1;
            }
            return false;
        });
    }

    bool board(int32_t gid, const std::string& uid, int rows, Board& out) override {
        out = Board{};
        return with([&](Conn& db) {
            out = Board{};
            return readBoard(db, gid, uid, rows, out);
        });
    }

    bool healthy() override {
        return with([](Conn& db) {
            Rows r;
            return db.exec("SELECT version FROM schema_version", {}, &r) && r.size() == 1;
        });
    }

  private:
    // 1 stored (or kept the better best), 0 lost a race (try again), -1 failed.
    int submitOnce(Conn& db, int32_t gid, const std::string& uid, int64_t total, double lat,
                   double lng) {
        if (!db.exec(db.beginWrite(), {}, nullptr)) return -1;
        auto fail = [&](int result) {
            db.exec("ROLLBACK", {}, nullptr);
            return result;
        };
        // A COMMIT that fails can leave the transaction open (SQLite keeps it after a busy
        // commit): roll it back so the connection goes back to the pool holding no write lock.
        auto commit = [&] { return db.exec("COMMIT", {}, nullptr) ? 1 : fail(-1); };
        const int64_t now = static_cast<int64_t>(std::time(nullptr));
        Rows r;
        const std::string read =
            std::string("SELECT total FROM scores WHERE gid = $1 AND uid = $2") + db.lockRow();
        if (!db.exec(read.c_str(), {int64_t{gid}, uid}, &r)) return fail(-1);
        if (!r.empty()) {
            const int64_t old = number(r[0][0]);
            if (old >= total) return commit();
            // The old total loses a player and the new one gains one, in one statement; a
            // total left with no players keeps its row (at most one per possible total).
            if (!db.exec("UPDATE scores SET total = $3, lat = $4, lng = $5, ts = $6"
                         " WHERE gid = $1 AND uid = $2",
                         {int64_t{gid}, uid, total, lat, lng, now}, nullptr) ||
                !db.exec("INSERT INTO histogram (gid, total, players) VALUES ($1, $2, 1),"
                         " ($1, $3, -1) ON CONFLICT (gid, total)"
                         " DO UPDATE SET players = histogram.players + excluded.players",
                         {int64_t{gid}, total, old}, nullptr))
                return fail(-1);
        } else {
            if (!db.exec("INSERT INTO scores (gid, uid, total, lat, lng, ts)"
                         " VALUES ($1, $2, $3, $4, $5, $6) ON CONFLICT (gid, uid) DO NOTHING"
                         " RETURNING total",
                         {int64_t{gid}, uid, total, lat, lng, now}, &r))
                return fail(-1);
            if (r.empty()) return fail(0);
            if (!db.exec("INSERT INTO histogram (gid, total, players) VALUES ($1, $2, 1)"
                         " ON CONFLICT (gid, total) DO UPDATE SET players = histogram.players + 1",
                         {int64_t{gid}, total}, nullptr))
                return fail(-1);
        }
        return commit();
    }

    // Splits the board statement's rows into the page's parts and places the player among
    // the neighbours.
    static bool readBoard(Conn& db, int32_t gid, const std::string& uid, int rows, Board& out) {
        Rows r;
        if (!db.exec(boardStatement(rows).c_str(), {int64_t{gid}, uid}, &r)) return false;
        std::vector<Row> near;
        for (const auto& row : r) {
            const Row got{number(row[3]) + 1, row[1], number(row[2])};
            if (row[0] == "1") {
                out.best = got.total;
                out.rank = got.rank;
            } else if (row[0] == "2") {
                near.push_back(got);
            } else {
                // The top rows start at rank 1; a row tied with the one above shares its rank.
                const size_t i = out.top.size();
                const bool tied = i > 0 && out.top.back().total == got.total;
                out.top.push_back(
                    {tied ? out.top.back().rank : int64_t(i) + 1, got.uid, got.total});
            }
        }
        auto inTop = [&](const std::string& id) {
            return std::any_of(out.top.begin(), out.top.end(),
                               [&](const Row& row) { return row.uid == id; });
        };
        if (out.best < 0 || inTop(uid)) return true;
        bool placed = false;
        for (const auto& row : near) {
            if (!placed && (row.total < out.best || (row.total == out.best && row.uid < uid))) {
                out.near.push_back({out.rank, uid, out.best});
                placed = true;
            }
            if (!inTop(row.uid)) out.near.push_back(row);
        }
        if (!placed) out.near.push_back({out.rank, uid, out.best});
        return true;
    }

    // Runs `work` on a pooled connection, opening one when none is free; a connection that
    // died is dropped, so the next request connects afresh once the database is back.
    template <typename Work> bool with(Work work) {
        // A pooled connection may have died with the database; the work is safe to repeat
        // (a submission keeps the better best), so it gets one more try on a fresh connection.
        bool fresh = false;
        const bool ok = withOne(work, fresh);
        return ok || fresh ? ok : withOne(work, fresh);
    }

    template <typename Work> bool withOne(Work& work, bool& fresh) {
        std::unique_ptr<Conn> db;
        {
            std::lock_guard<std::mutex> hold(m_lock);
            if (!m_idle.empty()) {
                db = std::move(m_idle.back());
                m_idle.pop_back();
            }
        }
        if (!db) {
            std::string error;
            fresh = true;
            db = m_connect(error);
            if (!db) {
                fprintf(stderr, "flingo-scores: cannot reach the database: %s\n", error.c_str());
                return false;
            }
        }
        const bool ok = work(*db);
        if (!ok && !db->alive()) return false; // retried by the caller when it was pooled
        if (db->alive()) {
            std::lock_guard<std::mutex> hold(m_lock);
            m_idle.push_back(std::move(db));
        }
        return ok;
    }

    Connect m_connect;
    std::mutex m_lock;
    std::vector<std::unique_ptr<Conn>> m_idle;
};

} // namespace

bool migrate(Conn& db, std::string& error) {
    Rows r;
    auto failed = [&](const char* what) {
        error = std::string("cannot migrate the schema: ") + what;
        db.exec("ROLLBACK", {}, nullptr);
        return false;
    };
    if (!db.exec(db.beginWrite(), {}, nullptr)) return failed("begin");
    // Several servers may start at once over one database: the first migrates, the others wait.
    if (*db.migrationLock() && !db.exec(db.migrationLock(), {}, nullptr)) return failed("lock");
    if (!db.exec("CREATE TABLE IF NOT EXISTS schema_version (version INTEGER NOT NULL)", {},
                 nullptr) ||
        !db.exec("SELECT version FROM schema_version", {}, &r))
        return failed("schema_version");
    const int64_t version = r.empty() ? 0 : number(r[0][0]);
    if (version > SCHEMA_VERSION) {
        db.exec("ROLLBACK", {}, nullptr);
        error =
            "the database was written by a newer server (schema " + std::to_string(version) + ")";
        return false;
    }
    if (version < 2)
        for (const char* step : MIGRATE_TO_2)
            if (!db.exec(step, {}, nullptr)) return failed(step);
    return db.exec("COMMIT", {}, nullptr) || failed("commit");
}

std::unique_ptr<Store> makeStore(Connect connect) {
    return std::make_unique<SqlStore>(std::move(connect));
}

bool isPostgresUrl(const std::string& where) {
    return where.rfind("postgresql://", 0) == 0 || where.rfind("postgres://", 0) == 0;
}

} // namespace scores
