// SPDX-License-Identifier: MIT
// The submission and board bodies, the load-error text and the position source.
#include "online/boards.h"
#include "online/location.h"
#include "online/submission.h"

#include <cmath>
#include <gtest/gtest.h>
#include <string>

namespace {

// Splits a form body into its fields in order, undoing the percent-encoding.
std::vector<std::pair<std::string, std::string>> fields(const std::string& body) {
    std::vector<std::pair<std::string, std::string>> out;
    for (size_t at = 0; at <= body.size();) {
        const size_t amp = std::min(body.find('&', at), body.size());
        const std::string pair = body.substr(at, amp - at);
        const size_t eq = pair.find('=');
        std::string value;
        for (size_t i = eq + 1; i < pair.size(); ++i)
            if (pair[i] == '%' && i + 2 < pair.size()) {
                value += static_cast<char>(std::stoi(pair.substr(i + 1, 2), nullptr, 16));
                i += 2;
            } else {
                value += pair[i];
            }
        out.emplace_back(pair.substr(0, eq), value);
        at = amp + 1;
    }
    return out;
}

} // namespace

TEST(SubmissionBody, EveryFieldInOrderWithSixDecimalsAndTheCheckValue) {
    const std::string uid = "0f8fad5b-d9cb-469f-a165-70867728950e";
    for (int level = 0; level < online::BOARD_COUNT; ++level) {
        const std::string body = online::submissionBody(level, 25, 48.8, 2.3, uid);
        const int gid = online::rankora_game_ids[level];
        double lat = 48.8, lng = 2.3;
        const std::vector<std::pair<std::string, std::string>> want = {
            {"token", online::rankora_tokens[level]},
            {"gid", std::to_string(gid)},
            {"lat", "48.800000"},
            {"lng", "2.300000"},
            {"uid", uid},
            {"total", "25"},
            {"cid", std::to_string(online::checkValue(gid, 25, lat, lng))}};
        EXPECT_EQ(fields(body), want) << "level " << level;
        EXPECT_EQ(body.find('%'), std::string::npos) << "nothing here needs encoding";

        auto b = fields(online::boardBody(level, "p-1&x"));
        EXPECT_EQ(b, (decltype(b){{"token", online::rankora_tokens[level]},
                                  {"gid", std::to_string(gid)},
                                  {"id", "p-1&x"}}));
    }
    // Values that need it are percent-encoded; a position out of range is sent as 0.
    const std::string odd = "a b&c=d+e%f";
    const std::string body = online::submissionBody(1, 3, 95.0, 200.0, odd);
    EXPECT_NE(body.find("&lat=0.000000&lng=0.000000&uid=a%20b%26c%3Dd%2Be%25f&total=3&cid=0"),
              std::string::npos)
        << body;
    EXPECT_EQ(online::loadErrorMessage("no Internet connection"),
              "No internet is available. If Airplane mode is on you will need to turn it off.");
    EXPECT_EQ(online::loadErrorMessage("No Internet connection"), "No Internet connection");
}

// The check value: whole degrees without sign times ((board + best) mod 13) + 7, worked out by
// hand for board 41207; out of range, the coordinate is sent as 0 and the value is 0.
TEST(SubmissionBody, CheckValueRulesForPositions) {
    struct Case {
        int best;
        double lat, lng, want_lat, want_lng;
        int cid;
    } cases[] = {
        {25, 48.8, 2.3, 48.8, 2.3, 48 * 2 * 16},
        {3, 48.8, 2.3, 48.8, 2.3, 48 * 2 * 7}, // 41210 is a multiple of 13
        {40, 40.2, -75.5, 40.2, -75.5, 40 * 75 * 18},
        {40, 10.0, 200.0, 10.0, 0, 0},
        {40, 95.0, 200.0, 0, 0, 0},
        {40, 91.0, 20.0, 0, 20.0, 0},
        {40, -95.0, -190.0, -95.0, -190.0, 95 * 190 * 18}, // nothing clamped below
        {40, 0, 0, 0, 0, 0},                               // no position at all
        {40, 1e300, 5, 0, 5, 0},
    };
    for (const Case& c : cases) {
        double lat = c.lat, lng = c.lng;
        EXPECT_EQ(online::checkValue(41207, c.best, lat, lng), c.cid) << c.lat << "," << c.lng;
        EXPECT_EQ(std::pair(lat, lng), std::pair(c.want_lat, c.want_lng)) << c.lat << "," << c.lng;
    }
}

TEST(Location, ParsesTwoFiniteNumbersAndFixesAreFreshForFiveWholeSeconds) {
    double lat = 1, lng = 1;
    EXPECT_TRUE(location::parse("-33.9 , 151.2", lat, lng));
    EXPECT_DOUBLE_EQ(lat, -33.9);
    EXPECT_DOUBLE_EQ(lng, 151.2);
    for (const char* bad :
         {"", "48.8", "48.8,", ",2.3", "a,b", "1,2,3", "nan,1", "1,inf", "1;2", "1,2x"}) {
        lat = lng = 7;
        EXPECT_FALSE(location::parse(bad, lat, lng)) << bad;
        EXPECT_EQ(lat, 7) << bad;
    }
    for (double t : {100.0, 104.9, 95.5}) // 4.5 s old counts as 4 whole seconds
        EXPECT_TRUE(location::isFresh(t, 100.0)) << t;
    for (double t : {94.9, 105.0, 0.0})
        EXPECT_FALSE(location::isFresh(t, 100.0)) << t;
}

namespace {
struct Recorder : location::Delegate {
    location::Manager* m = nullptr;
    int updates = 0;
    std::vector<std::string> errors;
    void didUpdateToLocation(const location::Fix&) override {
        ++updates, m->stopUpdatingLocation();
    }
    void didFailWithError(const std::string& e) override {
        errors.push_back(e);
        m->stopUpdatingLocation();
    }
};
} // namespace

TEST(Location, ManagerDeliversOnlyWhileUpdatingAndKeepsTheLastGoodFix) {
    location::Manager m;
    Recorder r;
    r.m = &m;
    m.setDelegate(&r);
    m.setSource("12.5,-7.25");
    location::Fix fix;
    m.poll(3.0);
    EXPECT_EQ(r.updates, 0);
    EXPECT_FALSE(m.location(fix));
    m.startUpdatingLocation();
    m.poll(3.0);
    m.poll(3.02);
    EXPECT_EQ(r.updates, 1);
    ASSERT_TRUE(m.location(fix));
    EXPECT_DOUBLE_EQ(fix.latitude, 12.5);
    EXPECT_DOUBLE_EQ(fix.longitude, -7.25);
    EXPECT_DOUBLE_EQ(fix.timestamp, 3.0);

    m.setSource("somewhere");
    m.startUpdatingLocation();
    m.poll(4);
    m.poll(4.02);
    ASSERT_EQ(r.errors.size(), 1u);
    EXPECT_NE(r.errors[0].find("somewhere"), std::string::npos);
    ASSERT_TRUE(m.location(fix));
    EXPECT_DOUBLE_EQ(fix.latitude, 12.5);
}
