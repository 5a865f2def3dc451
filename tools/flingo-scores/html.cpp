// SPDX-License-Identifier: MIT
#include "html.h"

namespace html {
namespace {

const char* STYLE =
    "<style>"
    "body{background:#101418;color:#f2f2f2;font-family:sans-serif;margin:0;padding:8px}"
    "h1{color:#07ff6d;font-size:20px;text-align:center;margin:4px 0 8px 0}"
    "p{text-align:center;margin:4px 0;font-size:14px}"
    "p.note{color:#ffd23f;font-weight:bold}"
    "table{width:100%;border-collapse:collapse;font-size:15px}"
    "td{padding:4px 6px;border-bottom:1px solid #2c3440}"
    "td.rank{width:36px;color:#8fa3b8}td.score{text-align:right;font-weight:bold}"
    "tr.me td{background:#1f4d2e;color:#ffffff}"
    "</style>";

std::string playerName(const std::string& uid) {
    return "Player " + escape(uid.substr(0, 6));
}

} // namespace

std::string escape(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&#39;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string board(const std::string& title, const std::vector<scores::Entry>& top,
                  const std::string& uid, int64_t best, int64_t rank, const std::string& note) {
    std::string html = "<html><head><meta charset=\"utf-8\"><title>" + escape(title) + "</title>" +
                       STYLE + "</head><body><h1>" + escape(title) + "</h1>";
    if (!note.empty()) html += "<p class=\"note\">" + escape(note) + "</p>";
    if (best >= 0)
        html += "<p>Your best: <b>" + std::to_string(best) + "</b>, rank " + std::to_string(rank) +
                "</p>";
    else
        html += "<p>You have no score on this board yet.</p>";
    if (top.empty()) {
        html += "<p>No scores yet. Be the first!</p>";
    } else {
        html += "<table>";
        for (size_t i = 0; i < top.size(); ++i) {
            const bool me = top[i].uid == uid;
            html += me ? "<tr class=\"me\">" : "<tr>";
            html += "<td class=\"rank\">" + std::to_string(i + 1) + "</td><td>" +
                    (me ? std::string("You") : playerName(top[i].uid)) +
                    "</td><td class=\"score\">" + std::to_string(top[i].total) + "</td></tr>";
        }
        html += "</table>";
    }
    return html + "</body></html>";
}

std::string error(int status, const std::string& message) {
    return "<html><head><meta charset=\"utf-8\">" + std::string(STYLE) + "</head><body><h1>Error " +
           std::to_string(status) + "</h1><p>" + escape(message) + "</p></body></html>";
}

} // namespace html
