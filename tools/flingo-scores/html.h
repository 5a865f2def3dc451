// HTML pages of the reference score service, laid out for a 320-point-wide in-game page.
#pragma once

#include "store.h"

#include <string>
#include <vector>

namespace html {

std::string escape(const std::string& text);

// A level's board: its top rows, then the rows around the asking player when the player is
// below them, the player's own row highlighted once. `note` is a line above the table
// ("Score submitted!"), may be empty.
std::string board(const std::string& title, const scores::Board& rows, const std::string& uid,
                  const std::string& note);

// The same from the top entries alone (tied totals share a rank) and the player's best and rank.
std::string board(const std::string& title, const std::vector<scores::Entry>& top,
                  const std::string& uid, int64_t best, int64_t rank, const std::string& note);

std::string error(int status, const std::string& message);

} // namespace html
