// SPDX-License-Identifier: MIT
// The submission and board bodies, the check value, the load-error text and positions.
#include "online/boards.h"
#include "online/location.h"
#include "online/submission.h"

#include <gtest/gtest.h>
#include <string>
#include <tuple>

TEST(SubmissionBody, EveryFieldInOrderWithSixDecimalsTheCheckValueRulesAndPositions) {
    for (int level = 0; level < online::BOARD_COUNT; ++level) {
        const std::string board = std::string("token=") + online::rankora_tokens[level] +
                                  "&gid=" + std::to_string(online::rankora_game_ids[level]);
        double lat = 48.8, lng = 2.3;
        const int cid = online::checkValue(online::rankora_game_ids[level], 25, lat, lng);
        EXPECT_EQ(online::submissionBody(level, 25, 48.8, 2.3, "0f8fad5b-d9cb"),
                  board + "&lat=48.800000&lng=2.300000&uid=0f8fad5b-d9cb&total=25&cid=" +
                      std::to_string(cid));
        EXPECT_EQ(online::boardBody(level, "p-1&x"), board + "&id=p-1%26x");
    }
    // Values that need it are percent-encoded; a position out of range is sent as 0.
    EXPECT_NE(online::submissionBody(1, 3, 95.0, 200.0, "a b&c=d+e%f")
                  .find("&lat=0.000000&lng=0.000000&uid=a%20b%26c%3Dd%2Be%25f&total=3&cid=0"),
              std::string::npos);
    EXPECT_EQ(online::loadErrorMessage("no Internet connection"),
              "No internet is available. If Airplane mode is on you will need to turn it off.");
    EXPECT_EQ(online::loadErrorMessage("No Internet connection"), "No Internet connection");

    // The check value: whole degrees without sign times ((board + best) mod 13) + 7, worked out
    // by hand for board 41207; out of range, the coordinate is sent as 0 and the value is 0.
    // Best, latitude and longitude given, then as sent, the value.
    for (const auto& [best, lat0, lng0, want_lat, want_lng, cid] :
         std::vector<std::tuple<int, double, double, double, double, int>>{
             {25, 48.8, 2.3, 48.8, 2.3, 48 * 2 * 16},
             {3, 48.8, 2.3, 48.8, 2.3, 48 * 2 * 7}, // 41210 is a multiple of 13
             {40, 40.2, -75.5, 40.2, -75.5, 40 * 75 * 18},
             {40, 10.0, 200.0, 10.0, 0, 0},
             {40, 95.0, 200.0, 0, 0, 0},
             {40, 91.0, 20.0, 0, 20.0, 0},
             {40, -95.0, -190.0, -95.0, -190.0, 95 * 190 * 18}, // nothing clamped below
             {40, 0, 0, 0, 0, 0},                               // no position at all
             {40, 1e300, 5, 0, 5, 0}}) {
        double lat = lat0, lng = lng0;
        EXPECT_EQ(online::checkValue(41207, best, lat, lng), cid) << lat0 << "," << lng0;
        EXPECT_EQ(std::pair(lat, lng), std::pair(want_lat, want_lng)) << lat0 << "," << lng0;
    }

    // Two finite numbers make a position; a fix is fresh for five whole seconds. (Its delivery
    // to a submission is the whole-game runs' to show.)
    double lat = 1, lng = 1;
    EXPECT_TRUE(location::parse("-33.9 , 151.2", lat, lng));
    EXPECT_EQ(std::pair(lat, lng), std::pair(-33.9, 151.2));
    for (const char* bad :
         {"", "48.8", "48.8,", ",2.3", "a,b", "1,2,3", "nan,1", "1,inf", "1;2", "1,2x"})
        EXPECT_FALSE(location::parse(bad, lat, lng) || lat != -33.9) << bad;
    // 4.5 s old counts as 4 whole seconds.
    for (double t : {100.0, 104.9, 95.5, 94.9, 105.0, 0.0})
        EXPECT_EQ(location::isFresh(t, 100.0), t > 95 && t < 105) << t;
}
