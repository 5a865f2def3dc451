// SPDX-License-Identifier: MIT
#include "service.h"

#include "html.h"
#include "online/boards.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <map>

namespace service {
namespace {

constexpr int64_t MAX_TOTAL = 1000000;
constexpr int BOARD_ROWS = 20;
constexpr size_t MAX_FIELD = 256;

struct BadRequest {
    int status;
    std::string message;
};

int hex(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string decode(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '+') {
            out += ' ';
        } else if (text[i] == '%' && i + 2 < text.size() && hex(text[i + 1]) >= 0 &&
                   hex(text[i + 2]) >= 0) {
            out += static_cast<char>(hex(text[i + 1]) * 16 + hex(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

using Form = std::map<std::string, std::string>;

Form parseForm(const std::string& body) {
    Form form;
    size_t at = 0;
    while (at <= body.size()) {
        size_t end = body.find('&', at);
        if (end == std::string::npos) end = body.size();
        const std::string pair = body.substr(at, end - at);
        const size_t eq = pair.find('=');
        if (!pair.empty()) {
            std::string value = eq == std::string::npos ? "" : decode(pair.substr(eq + 1));
            if (value.size() > MAX_FIELD) throw BadRequest{400, "field too long"};
            form[decode(pair.substr(0, eq))] = std::move(value);
        }
        at = end + 1;
    }
    return form;
}

const std::string& field(const Form& form, const char* name) {
    auto it = form.find(name);
    if (it == form.end()) throw BadRequest{400, std::string("missing field ") + name};
    return it->second;
}

int64_t integer(const Form& form, const char* name, int64_t lo, int64_t hi) {
    const std::string& text = field(form, name);
    errno = 0;
    char* end = nullptr;
    const long long v = std::strtoll(text.c_str(), &end, 10);
    if (text.empty() || *end || errno || v < lo || v > hi)
        throw BadRequest{400, std::string("bad value for ") + name};
    return v;
}

double real(const Form& form, const char* name) {
    const std::string& text = field(form, name);
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (text.empty() || *end || !std::isfinite(v))
        throw BadRequest{400, std::string("bad value for ") + name};
    return v;
}

std::string playerId(const Form& form, const char* name) {
    const std::string& id = field(form, name);
    if (id.empty() || id.size() > 64) throw BadRequest{400, "bad player id"};
    for (char c : id)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-' && c != '_' && c != '.')
            throw BadRequest{400, "bad player id"};
    return id;
}

Reply page(int status, std::string html) {
    Reply r;
    r.status = status;
    r.body = std::move(html);
    return r;
}

} // namespace

std::vector<BoardInfo> defaultBoards() {
    std::vector<BoardInfo> boards;
    for (int i = 0; i < online::BOARD_COUNT; ++i) {
        std::string title = online::rankora_scoreboard_names[i];
        title.erase(0, title.find_first_not_of(' '));
        boards.push_back({online::rankora_game_ids[i], online::rankora_tokens[i], title});
    }
    return boards;
}

Service::Service(scores::Store& store, std::vector<BoardInfo> boards, int submitsPerMinute)
    : m_store(store), m_boards(std::move(boards)), m_perMinute(submitsPerMinute) {}

bool Service::allowSubmit(const std::string& address) {
    if (m_perMinute <= 0) return true;
    const auto t = now();
    std::lock_guard<std::mutex> hold(m_lock);
    // Forget addresses whose minute is over, so the table stays as small as the active clients.
    if (t - m_lastSweep > std::chrono::minutes(1)) {
        std::erase_if(m_windows,
                      [&](const auto& w) { return t - w.second.start >= std::chrono::minutes(1); });
        m_lastSweep = t;
    }
    Window& w = m_windows[address];
    if (w.count == 0 || t - w.start >= std::chrono::minutes(1)) w = {t, 0};
    return ++w.count <= m_perMinute;
}

Reply Service::handle(const Request& req) {
    const bool submit = req.path == "/scores/submitScore";
    if (req.path == "/healthz") {
        if (req.method != "GET" && req.method != "HEAD")
            return {405, "text/plain", "method not allowed\n", "GET, HEAD"};
        if (!m_store.healthy()) return {503, "text/plain", "database unavailable\n", ""};
        return {200, "text/plain", "ok\n", ""};
    }
    if (!submit && req.path != "/users/profile") return page(404, html::error(404, "not found"));
    if (req.method != "POST") {
        Reply r = page(405, html::error(405, "use POST"));
        r.allow = "POST";
        return r;
    }
    try {
        const Form form = parseForm(req.body);
        const int64_t gid = integer(form, "gid", INT32_MIN, INT32_MAX);
        const BoardInfo* board = nullptr;
        for (const auto& b : m_boards)
            if (b.gid == gid) board = &b;
        if (!board) throw BadRequest{404, "no such board"};
        if (field(form, "token") != board->token) throw BadRequest{403, "bad token"};
        const std::string uid = playerId(form, submit ? "uid" : "id");
        if (submit) {
            const int64_t total = integer(form, "total", 0, MAX_TOTAL);
            double lat = real(form, "lat"), lng = real(form, "lng");
            const int64_t cid = integer(form, "cid", INT32_MIN, INT32_MAX);
            if (online::checkValue(board->gid, static_cast<int32_t>(total), lat, lng) != cid)
                throw BadRequest{400, "bad check value"};
            if (!allowSubmit(req.address))
                throw BadRequest{429, "too many submissions, try again in a minute"};
            if (!m_store.submit(board->gid, uid, total, lat, lng))
                throw BadRequest{503, "the score board is unavailable, try again later"};
        }
        scores::Board rows;
        if (!m_store.board(board->gid, uid, BOARD_ROWS, rows))
            throw BadRequest{503, "the score board is unavailable, try again later"};
        return page(200, html::board(board->title, rows, uid, submit ? "Score submitted!" : ""));
    } catch (const BadRequest& bad) {
        return page(bad.status, html::error(bad.status, bad.message));
    }
}

} // namespace service
