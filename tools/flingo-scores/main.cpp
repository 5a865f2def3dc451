// SPDX-License-Identifier: MIT
// flingo-scores: the reference score service. Takes form-encoded score submissions and board
// requests and answers with HTML boards.
//   flingo-scores --port N --db FILE [--host ADDR]
#include "html.h"
#include "online/boards.h"
#include "store.h"

#include <httplib.h>

#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace {

constexpr size_t MAX_BODY = 4096; // a submission is about 130 bytes
constexpr int64_t MAX_TOTAL = 1000000;
constexpr int BOARD_ROWS = 20;

struct BadRequest {
    int status;
    std::string message;
};

const std::string& field(const httplib::Request& req, const char* name) {
    auto it = req.params.find(name);
    if (it == req.params.end()) throw BadRequest{400, std::string("missing field ") + name};
    return it->second;
}

int64_t integer(const httplib::Request& req, const char* name, int64_t lo, int64_t hi) {
    const std::string& text = field(req, name);
    errno = 0;
    char* end = nullptr;
    long long v = std::strtoll(text.c_str(), &end, 10);
    if (text.empty() || *end || errno || v < lo || v > hi)
        throw BadRequest{400, std::string("bad value for ") + name};
    return v;
}

double real(const httplib::Request& req, const char* name) {
    const std::string& text = field(req, name);
    char* end = nullptr;
    double v = std::strtod(text.c_str(), &end);
    if (text.empty() || *end || !std::isfinite(v))
        throw BadRequest{400, std::string("bad value for ") + name};
    return v;
}

std::string playerId(const httplib::Request& req, const char* name) {
    const std::string& id = field(req, name);
    if (id.empty() || id.size() > 64) throw BadRequest{400, "bad player id"};
    for (char c : id)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-' && c != '_' && c != '.')
            throw BadRequest{400, "bad player id"};
    return id;
}

// The board of a (gid, token) pair: 404 for an unknown board, 403 for a wrong token.
int board(const httplib::Request& req) {
    const int64_t gid = integer(req, "gid", 0, INT32_MAX);
    for (int i = 0; i < online::BOARD_COUNT; ++i) {
        if (online::rankora_game_ids[i] != gid) continue;
        if (field(req, "token") != online::rankora_tokens[i]) throw BadRequest{403, "bad token"};
        return i;
    }
    throw BadRequest{404, "no such board"};
}

std::string title(int b) {
    std::string t = online::rankora_scoreboard_names[b];
    return t.erase(0, t.find_first_not_of(' '));
}

void answer(httplib::Response& res, int status, const std::string& html) {
    res.status = status;
    res.set_content(html, "text/html; charset=utf-8");
}

template <typename Handler> auto guarded(Handler handle) {
    return [handle](const httplib::Request& req, httplib::Response& res) {
        try {
            handle(req, res);
        } catch (const BadRequest& bad) {
            answer(res, bad.status, html::error(bad.status, bad.message));
        }
    };
}

httplib::Server* running = nullptr;

} // namespace

int main(int argc, char** argv) {
    int port = 8642;
    std::string host = "127.0.0.1", db_path = "flingo-scores.db";
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--port" && i + 1 < argc) {
            port = std::atoi(argv[++i]);
        } else if (arg == "--db" && i + 1 < argc) {
            db_path = argv[++i];
        } else if (arg == "--host" && i + 1 < argc) {
            host = argv[++i];
        } else {
            fprintf(stderr, "usage: flingo-scores [--port N (0: any free port)] [--db FILE] "
                            "[--host ADDR]\n");
            return arg == "--help" ? 0 : 2;
        }
    }

    scores::Store store;
    std::string error;
    if (!store.open(db_path, error)) {
        fprintf(stderr, "flingo-scores: cannot open %s: %s\n", db_path.c_str(), error.c_str());
        return 1;
    }

    // Stop cleanly on SIGINT/SIGTERM: block them here, wait for them on a thread of our own.
    sigset_t stop_signals;
    sigemptyset(&stop_signals);
    sigaddset(&stop_signals, SIGINT);
    sigaddset(&stop_signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);

    httplib::Server svr;
    running = &svr;
    svr.set_payload_max_length(MAX_BODY);
    svr.set_tcp_nodelay(true); // kept-alive replies would otherwise wait 40 ms for an ACK
    svr.set_read_timeout(5, 0);
    svr.set_write_timeout(5, 0);

    svr.Post("/scores/submitScore",
             guarded([&](const httplib::Request& req, httplib::Response& res) {
                 const int b = board(req);
                 const int32_t gid = online::rankora_game_ids[b];
                 const std::string uid = playerId(req, "uid");
                 const int64_t total = integer(req, "total", 0, MAX_TOTAL);
                 double lat = real(req, "lat"), lng = real(req, "lng");
                 const int64_t cid = integer(req, "cid", INT32_MIN, INT32_MAX);
                 if (online::checkValue(gid, static_cast<int32_t>(total), lat, lng) != cid)
                     throw BadRequest{400, "bad check value"};
                 if (!store.submit(gid, uid, total, lat, lng))
                     throw BadRequest{500, "cannot store"};
                 int64_t best = 0, rank = 0;
                 store.standing(gid, uid, best, rank);
                 answer(res, 200,
                        html::board(title(b), store.top(gid, BOARD_ROWS), uid, best, rank,
                                    "Score submitted!"));
             }));

    svr.Post("/users/profile", guarded([&](const httplib::Request& req, httplib::Response& res) {
                 const int b = board(req);
                 const int32_t gid = online::rankora_game_ids[b];
                 const std::string uid = playerId(req, "id");
                 int64_t best = 0, rank = 0;
                 store.standing(gid, uid, best, rank);
                 answer(res, 200,
                        html::board(title(b), store.top(gid, BOARD_ROWS), uid, best, rank, ""));
             }));

    svr.set_error_handler([](const httplib::Request&, httplib::Response& res) {
        if (res.body.empty())
            answer(res, res.status,
                   html::error(res.status, res.status == 413 ? "request too large" : "not found"));
    });

    const int bound = port == 0 ? svr.bind_to_any_port(host.c_str())
                                : (svr.bind_to_port(host.c_str(), port) ? port : -1);
    if (bound < 0) {
        fprintf(stderr, "flingo-scores: cannot listen on %s:%d\n", host.c_str(), port);
        return 1;
    }
    printf("flingo-scores listening on http://%s:%d\n", host.c_str(), bound);
    fflush(stdout);

    std::thread stopper([&] {
        int sig = 0;
        sigwait(&stop_signals, &sig);
        svr.stop();
    });
    svr.listen_after_bind();
    // Wake the stopper if the server ended by itself.
    pthread_kill(stopper.native_handle(), SIGTERM);
    stopper.join();
    return 0;
}
