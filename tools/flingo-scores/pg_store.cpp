// SPDX-License-Identifier: MIT
// The PostgreSQL engine (libpq): the same statements as SQLite, prepared once per connection.
// Many servers can run over one database; a lost connection is dropped and the next request
// connects again, so the service recovers by itself when the database is back.
#include "db.h"

#include <libpq-fe.h>

#include <cstdio>
#include <unordered_map>

namespace scores {
namespace {

class PgConn : public Conn {
  public:
    ~PgConn() override { PQfinish(m_pg); }

    bool open(const std::string& url, std::string& error) {
        m_pg = PQconnectdb(url.c_str());
        if (PQstatus(m_pg) != CONNECTION_OK) {
            // libpq's message runs over several lines; the log gets it as one.
            error.clear();
            for (const char* c = PQerrorMessage(m_pg); *c; ++c) {
                const bool space = *c == '\n' || *c == '\t';
                if (!space)
                    error += *c;
                else if (!error.empty() && error.back() != ' ')
                    error += ' ';
            }
            while (!error.empty() && error.back() == ' ')
                error.pop_back();
            return false;
        }
        // Keep the server's notices (IF NOT EXISTS ... skipping) out of the log.
        PQsetNoticeProcessor(
            m_pg, [](void*, const char*) {}, nullptr);
        // Every statement here is a few index lookups: planned once per connection, not at each
        // call (planning a board took longer than running it), and never compiled (JIT).
        PGresult* res = PQexec(m_pg, "SET plan_cache_mode = force_generic_plan; SET jit = off");
        const bool ok = PQresultStatus(res) == PGRES_COMMAND_OK;
        PQclear(res);
        if (!ok) error = "cannot set up the connection";
        return ok;
    }

    bool exec(const char* sql, const std::vector<Param>& params, Rows* rows) override {
        std::vector<std::string> text;
        for (const auto& p : params) {
            if (auto* n = std::get_if<int64_t>(&p))
                text.push_back(std::to_string(*n));
            else if (auto* d = std::get_if<double>(&p)) {
                char buf[40];
                snprintf(buf, sizeof buf, "%.17g", *d);
                text.push_back(buf);
            } else
                text.push_back(std::get<std::string>(p));
        }
        std::vector<const char*> values;
        for (const auto& t : text)
            values.push_back(t.c_str());
        PGresult* res;
        if (params.empty()) {
            res = PQexec(m_pg, sql);
        } else {
            const std::string& name = prepared(sql, static_cast<int>(params.size()));
            if (name.empty()) return false;
            res = PQexecPrepared(m_pg, name.c_str(), static_cast<int>(values.size()), values.data(),
                                 nullptr, nullptr, 0);
        }
        const ExecStatusType st = PQresultStatus(res);
        const bool ok = st == PGRES_COMMAND_OK || st == PGRES_TUPLES_OK;
        if (rows) {
            rows->clear();
            for (int r = 0; ok && r < PQntuples(res); ++r) {
                std::vector<std::string> row;
                for (int c = 0; c < PQnfields(res); ++c)
                    row.emplace_back(PQgetvalue(res, r, c));
                rows->push_back(std::move(row));
            }
        }
        if (!ok && PQstatus(m_pg) != CONNECTION_OK)
            fprintf(stderr, "flingo-scores: lost the database connection\n");
        PQclear(res);
        return ok;
    }

    bool alive() override { return PQstatus(m_pg) == CONNECTION_OK; }
    const char* beginWrite() const override { return "BEGIN"; }
    const char* lockRow() const override { return " FOR UPDATE"; }
    const char* migrationLock() const override { return "SELECT pg_advisory_xact_lock(41207)"; }

  private:
    const std::string& prepared(const char* sql, int count) {
        static const std::string none;
        auto it = m_names.find(sql);
        if (it != m_names.end()) return it->second;
        const std::string name = "s" + std::to_string(m_names.size());
        PGresult* res = PQprepare(m_pg, name.c_str(), sql, count, nullptr);
        const bool ok = PQresultStatus(res) == PGRES_COMMAND_OK;
        PQclear(res);
        if (!ok) return none;
        return m_names[sql] = name;
    }

    PGconn* m_pg = nullptr;
    std::unordered_map<std::string, std::string> m_names;
};

} // namespace

std::unique_ptr<Store> openPostgres(const std::string& url, std::string& error) {
    auto connect = [url](std::string& err) -> std::unique_ptr<Conn> {
        auto db = std::make_unique<PgConn>();
        if (!db->open(url, err)) return nullptr;
        return db;
    };
    auto first = connect(error);
    if (!first || !migrate(*first, error)) return nullptr;
    return makeStore(connect);
}

} // namespace scores
