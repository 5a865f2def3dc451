// The submission and board bodies, the load-error text and the position source.
#include "online/boards.h"
#include "online/location.h"
#include "online/submission.h"

#include <gtest/gtest.h>
#include <map>
#include <string>

namespace {

// Splits a form body into its fields, undoing the percent-encoding.
std::map<std::string, std::string> fields(const std::string& body,
                                          std::vector<std::string>* order) {
    std::map<std::string, std::string> out;
    size_t at = 0;
    while (at <= body.size()) {
        size_t amp = body.find('&', at);
        if (amp == std::string::npos) amp = body.size();
        const std::string pair = body.substr(at, amp - at);
        const size_t eq = pair.find('=');
        std::string value;
        const std::string raw = pair.substr(eq + 1);
        for (size_t i = 0; i < raw.size(); ++i) {
            if (raw[i] == '%' && i + 2 < raw.size()) {
                value += static_cast<char>(std::stoi(raw.substr(i + 1, 2), nullptr, 16));
                i += 2;
            } else {
                value += raw[i];
            }
        }
        out[pair.substr(0, eq)] = value;
        if (order) order->push_back(pair.substr(0, eq));
        at = amp + 1;
    }
    return out;
}

} // namespace

TEST(SubmissionBody, CarriesEveryFieldInOrderWithSixDecimalsAndTheCheckValue) {
    for (int level = 0; level < online::BOARD_COUNT; ++level) {
        std::vector<std::string> order;
        const std::string uid = "0f8fad5b-d9cb-469f-a165-70867728950e";
        const std::string body = online::submissionBody(level, 25, 48.8, 2.3, uid);
        auto f = fields(body, &order);
        EXPECT_EQ(order,
                  (std::vector<std::string>{"token", "gid", "lat", "lng", "uid", "total", "cid"}));
        EXPECT_EQ(f["token"], online::rankora_tokens[level]);
        EXPECT_EQ(f["gid"], std::to_string(online::rankora_game_ids[level]));
        EXPECT_EQ(f["lat"], "48.800000");
        EXPECT_EQ(f["lng"], "2.300000");
        EXPECT_EQ(f["uid"], uid);
        EXPECT_EQ(f["total"], "25");
        const int m = (online::rankora_game_ids[level] + 25) % 13;
        EXPECT_EQ(f["cid"], std::to_string(48 * 2 * (m + 7))) << "level " << level;
        // Ordinary values go out byte for byte: nothing in this body needed encoding.
        EXPECT_EQ(body.find('%'), std::string::npos);
    }
}

TEST(SubmissionBody, CheckValueRules) {
    // A board id that makes (gid + best) a multiple of 13 gives the factor 7 of the worked case.
    const int level = 0;
    const int gid = online::rankora_game_ids[level];
    const int best = 13 - gid % 13; // gid + best is a multiple of 13
    ASSERT_EQ((gid + best) % 13, 0);
    auto f = fields(online::submissionBody(level, best, 48.8, 2.3, "u"), nullptr);
    EXPECT_EQ(f["cid"], "672");

    // Negative coordinates use whole degrees without sign.
    const int mf = (gid + 40) % 13 + 7;
    f = fields(online::submissionBody(level, 40, 40.2, -75.5, "u"), nullptr);
    EXPECT_EQ(f["lng"], "-75.500000");
    EXPECT_EQ(f["cid"], std::to_string(40 * 75 * mf));

    // Out of range: sent as 0 with six decimals, check 0; both clamped when both are out.
    f = fields(online::submissionBody(level, 40, 10.0, 200.0, "u"), nullptr);
    EXPECT_EQ(f["lng"], "0.000000");
    EXPECT_EQ(f["lat"], "10.000000");
    EXPECT_EQ(f["cid"], "0");
    f = fields(online::submissionBody(level, 40, 95.0, 200.0, "u"), nullptr);
    EXPECT_EQ(f["lat"], "0.000000");
    EXPECT_EQ(f["lng"], "0.000000");
    f = fields(online::submissionBody(level, 40, 91.0, 20.0, "u"), nullptr);
    EXPECT_EQ(f["lat"], "0.000000");
    EXPECT_EQ(f["lng"], "20.000000");
    EXPECT_EQ(f["cid"], "0");
    // Below -90 / -180 nothing is clamped.
    f = fields(online::submissionBody(level, 40, -95.0, -190.0, "u"), nullptr);
    EXPECT_EQ(f["lat"], "-95.000000");
    EXPECT_EQ(f["cid"], std::to_string(95 * 190 * mf));
    // No position at all: 0, 0 and check 0.
    f = fields(online::submissionBody(level, 40, 0, 0, "u"), nullptr);
    EXPECT_EQ(f["cid"], "0");
}

TEST(SubmissionBody, ValuesThatNeedItArePercentEncoded) {
    const std::string uid = "a b&c=d+e%f";
    const std::string body = online::submissionBody(1, 3, 1.5, 2.5, uid);
    EXPECT_NE(body.find("uid=a%20b%26c%3Dd%2Be%25f&"), std::string::npos) << body;
    auto f = fields(body, nullptr);
    EXPECT_EQ(f["uid"], uid);
    EXPECT_EQ(f.size(), 7u);
}

TEST(BoardBody, TokenBoardIdAndPlayer) {
    for (int level = 0; level < online::BOARD_COUNT; ++level) {
        std::vector<std::string> order;
        auto f = fields(online::boardBody(level, "p-1&x"), &order);
        EXPECT_EQ(order, (std::vector<std::string>{"token", "gid", "id"}));
        EXPECT_EQ(f["token"], online::rankora_tokens[level]);
        EXPECT_EQ(f["gid"], std::to_string(online::rankora_game_ids[level]));
        EXPECT_EQ(f["id"], "p-1&x");
    }
    EXPECT_STREQ(online::rankora_scoreboard_names[2], " Hard Level Scores");
}

TEST(LoadError, OnlyTheNoConnectionTextIsReplaced) {
    EXPECT_EQ(online::loadErrorMessage("no Internet connection"),
              "No internet is available. If Airplane mode is on you will need to turn it off.");
    EXPECT_EQ(online::loadErrorMessage("Couldn't connect to server"), "Couldn't connect to server");
    EXPECT_EQ(online::loadErrorMessage("No Internet connection"), "No Internet connection");
}

TEST(Location, ParsesOnlyTwoFiniteNumbers) {
    double lat = 1, lng = 1;
    EXPECT_TRUE(location::parse("48.8,2.3", lat, lng));
    EXPECT_DOUBLE_EQ(lat, 48.8);
    EXPECT_DOUBLE_EQ(lng, 2.3);
    EXPECT_TRUE(location::parse("-33.9 , 151.2", lat, lng));
    EXPECT_DOUBLE_EQ(lng, 151.2);
    for (const char* bad :
         {"", "48.8", "48.8,", ",2.3", "a,b", "1,2,3", "nan,1", "1,inf", "1;2", "1,2x"}) {
        lat = lng = 7;
        EXPECT_FALSE(location::parse(bad, lat, lng)) << bad;
        EXPECT_EQ(lat, 7);
    }
}

TEST(Location, FreshFixesAreWithinFiveWholeSeconds) {
    EXPECT_TRUE(location::isFresh(100.0, 100.0));
    EXPECT_TRUE(location::isFresh(104.9, 100.0));
    EXPECT_TRUE(location::isFresh(95.5, 100.0)); // 4.5 s old: 4 whole seconds
    EXPECT_FALSE(location::isFresh(94.9, 100.0));
    EXPECT_FALSE(location::isFresh(105.0, 100.0));
    EXPECT_FALSE(location::isFresh(0.0, 100.0));
}

namespace {
struct Recorder : location::Delegate {
    location::Manager* m = nullptr;
    int updates = 0;
    std::vector<std::string> errors;
    location::Fix last;
    void didUpdateToLocation(const location::Fix& f) override {
        ++updates;
        last = f;
        m->stopUpdatingLocation();
    }
    void didFailWithError(const std::string& e) override {
        errors.push_back(e);
        m->stopUpdatingLocation();
    }
};
} // namespace

TEST(Location, ManagerDeliversOnlyWhileUpdating) {
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
    EXPECT_FALSE(m.updating());

    // No source: nothing ever arrives, no error either.
    location::Manager none;
    Recorder quiet;
    quiet.m = &none;
    none.setDelegate(&quiet);
    none.startUpdatingLocation();
    none.poll(1);
    EXPECT_EQ(quiet.updates + static_cast<int>(quiet.errors.size()), 0);
    EXPECT_FALSE(none.location(fix));

    // A source that is not a position fails once; the last good fix is kept.
    m.setSource("somewhere");
    m.startUpdatingLocation();
    m.poll(4);
    m.poll(4.02);
    ASSERT_EQ(r.errors.size(), 1u);
    EXPECT_NE(r.errors[0].find("somewhere"), std::string::npos);
    ASSERT_TRUE(m.location(fix));
    EXPECT_DOUBLE_EQ(fix.latitude, 12.5);
}
