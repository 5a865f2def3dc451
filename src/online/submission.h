// SPDX-License-Identifier: MIT
// What the game sends to the score service: the submission and board request bodies, and the
// text the player sees when a page cannot be loaded.
#pragma once

#include <string>

namespace online {

// The body of a score submission for a level (0 to 4): token, board id, the position with six
// decimals (out-of-range coordinates sent as 0 with check value 0), the player id, the best
// score and the check value. Every value is percent-encoded; letters, digits, '-' and '.' pass
// unchanged, so ordinary values go out byte for byte as they always did.
std::string submissionBody(int level, int best, double lat, double lng, const std::string& uid);

// The body of a board request: the level's token and board id, and the player id.
std::string boardBody(int level, const std::string& uid);

// The message of the "Error loading webpage" alert for an error's description.
std::string loadErrorMessage(const std::string& description);

} // namespace online
