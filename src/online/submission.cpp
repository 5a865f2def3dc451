// SPDX-License-Identifier: MIT
#include "online/submission.h"

#include "online/boards.h"
#include "online/http.h"

#include <cstdio>

namespace online {

std::string submissionBody(int level, int best, double lat, double lng, const std::string& uid) {
    const int32_t gid = rankora_game_ids[level];
    const int32_t cid = checkValue(gid, best, lat, lng);
    char lat_text[64], lng_text[64];
    snprintf(lat_text, sizeof lat_text, "%f", lat);
    snprintf(lng_text, sizeof lng_text, "%f", lng);
    return "token=" + http::formEncode(rankora_tokens[level]) + "&gid=" + std::to_string(gid) +
           "&lat=" + http::formEncode(lat_text) + "&lng=" + http::formEncode(lng_text) +
           "&uid=" + http::formEncode(uid) + "&total=" + std::to_string(best) +
           "&cid=" + std::to_string(cid);
}

std::string boardBody(int level, const std::string& uid) {
    return "token=" + http::formEncode(rankora_tokens[level]) +
           "&gid=" + std::to_string(rankora_game_ids[level]) + "&id=" + http::formEncode(uid);
}

std::string loadErrorMessage(const std::string& description) {
    if (description == "no Internet connection")
        return "No internet is available. If Airplane mode is on you will need to turn it off.";
    return description;
}

} // namespace online
