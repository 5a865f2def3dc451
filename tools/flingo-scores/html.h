// SPDX-License-Identifier: MIT
// HTML pages of the reference score service, laid out for a 320-point-wide in-game page.
#pragma once

#include "store.h"

#include <string>
#include <vector>

namespace html {

std::string escape(const std::string& text);

// A level's board: its top entries, with the asking player's row (and own best and rank)
// highlighted. `note` is a line above the table ("Score submitted!"), may be empty.
std::string board(const std::string& title, const std::vector<scores::Entry>& top,
                  const std::string& uid, int64_t best, int64_t rank, const std::string& note);

std::string error(int status, const std::string& message);

} // namespace html
