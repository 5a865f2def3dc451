// SPDX-License-Identifier: MIT
// The level catalogue as the design document gives it, typed here by hand and not read from the
// game's own table: a wrong number in the table fails by field and level. A dash stands for a
// null name or a zero, as in the document.
#include "game/level_defs.h"
#include "game/overlays.h"

#include <charconv>
#include <gtest/gtest.h>

namespace {

// Each value as the document writes it: floats in their shortest exact form, a null name "-".
struct Text {
    std::string s;
    Text(float v) : s(32, 0) { s.resize(size_t(std::to_chars(&s[0], &s[31], v).ptr - &s[0])); }
    Text(int v) : s(std::to_string(v)) {}
    Text(bool v) : s(v ? "true" : "false") {}
    Text(const char* v) : s(v ? v : "-") {}
    template <class T> Text(Vector2<T> v) : s(Text(v.x).s + "," + Text(v.y).s) {}
    template <class T>
    Text(Vector3<T> v) : s(Text(v.x).s + "," + Text(v.y).s + "," + Text(v.z).s) {}
    Text(Vector4<float> v) : s(Text(Vector3<float>{v.x, v.y, v.z}).s + "," + Text(v.w).s) {}
    Text(const char* const (&v)[4])
        : s(Text(v[0]).s + " " + Text(v[1]).s + " " + Text(v[2]).s + " " + Text(v[3]).s) {}
};
const auto f = [](const Text& t) { return t.s; };

// The build crops the foregrounds and moves their centres to match: the design's centre is that
// of the full picture.
Vector3<float> full(const char* name, Vector3<float> p) {
    const Vector2<float> shift = fg::overlayShift(name);
    return {p.x - shift.x, p.y - shift.y, p.z};
}

#define F(field) #field, [](const fg::LevelInfo& l) { return f(l.field); }
#define OFFICE_LEFT "OffScreenLeft0.wav OffScreenLeft1.wav OffScreenLeft2.wav OffScreenLeft3.wav"
#define OFFICE_RIGHT "OffScreenRight0.wav OffScreenRight1.wav - -"
// Z: the labels' depth, the float nearest to 449.88998.
const struct Row {
    const char* name;
    std::string (*get)(const fg::LevelInfo&);
    const char* values = "-|-|-|-|-"; // levels 0 to 4, separated by '|'
} rows[] = {
    {F(menuButton), "Easy_button.png|Med_button.png|Hard_button.png|Airport_button.png|"
                    "Basement_button.png"},
    {F(menuButtonPos), "230,316,0|230,264,0|230,212,0|230,160,0|230,108,0"},
    {F(scoreRowPos), "84,393|101,347|83,297|102,247|117,200"},
    {F(scoreRowSize), "121,34|155,32|127,31|165,33|196,35"},
    {F(scoreBestPos), "280,393|280,344|280,295|280,246|280,198"},
    {F(hudScoreRot), "0,0,-3|0,0,-4|0,0,0|0,0,2|0,0,-10"},
    {F(hudScorePos), "40,410,Z|64,415,Z|114,414,Z|268,402,Z|91,365,Z"},
    {F(hudBestRot), "0,0,-3|0,0,-4|0,0,0|0,0,2|0,0,-5.5"},
    {F(hudBestPos), "40,385,Z|64,397,Z|112,397,Z|268,382,Z|89,342,Z"},
    {F(hudSubmitRot), "0,0,-3|0,0,-4|0,0,0|0,0,2|0,0,0"},
    {F(hudSubmitPos), "40,360,Z|64,379,Z|114,380,Z|268,362,Z|91,321,Z"},
    {F(hudMenuRot), "0,0,-3|0,0,-4|0,0,0|0,0,2|0,0,0"},
    {F(hudMenuPos), "48,295,0|162,404,0|230,408,0|268,304,0|284,40,0"},
    {F(canFront), "CanFront_L1.png|CanFront_L2.png|CanFront_L3.png|Airport_Canfront.png|"
                  "canfront_basement.png"},
    {F(basketX), "160|162|160|160|161"},
    {F(basketY), "183|271|322|166|221"},
    {F(canFrontDepth), "6.2819996|10.625|26.476|7.57425|18.645"},
    {F(basketDepth), "8.282|12.625|28.476|10.099|19.483"},
    {F(rimHalfWidth), "37|24|12|28|18"},
    {F(rimHeight), "30|30|16|36|18"},
    {F(floorDrop), "30|16|6|20|13"},
    {F(foreground), "Level1_foreground.png|Level2_foreground.png|Front_desks_L3.png|-|"
                    "Basement_foreground.png"},
    {"foregroundPos", [](const fg::LevelInfo& l) { return f(full(l.foreground, l.foregroundPos)); },
     "160,240,1|160,240,1|160,240,26.576|-|160,284,12"},
    {F(foreground2), "-|Level2_Computer.png|-|-|-"},
    {"foreground2Pos",
     [](const fg::LevelInfo& l) { return f(full(l.foreground2, l.foreground2Pos)); },
     "-|160,240,10.625|-|-|-"},
    {F(fans[0][0].texture), "fan_l1l2_left.png|fan_l1l2_left.png|Far_fan_Left.png|"
                            "fan_l1l2_left.png|Fan_Bmt_L.png"},
    {F(fans[0][0].position), "31,58,0.9|7,78,0|40,324,14.238|24,35,0.9|14,224,8"},
    {F(fans[0][0].frameSize), "121,198|121,198|121,198|121,198|28,79"},
    {F(fans[1][0].texture), "fan_l1l2_right.png|fan_l1l2_right.png|Far_fan_Right.png|"
                            "fan_l1l2_right.png|Fan_Bmt_R.png"},
    {F(fans[1][0].position), "292,66,0.9|314,80,0|290,322,14.238|304,35,0.9|290,171,5"},
    {F(fans[1][0].frameSize), "121,198|121,198|121,198|121,198|63,134"},
    {F(windTextPos), "0,0,4.65|0,0,5|0,0,6|0,0,4.25|0,0,5.5"},
    {F(windArrowPos), "0,0,4.25|0,0,4.25|0,0,4|0,0,3.7|0,0,4.5"},
    {F(windSize), "0.6,0.5|0.9,0.9|2,2.5|0.9,0.7|1.5,1.5"},
    {F(windColour), "1,1,1,1|1,1,1,1|1,1,1,1|1,1,1,1|1,1,1,1"},
    {F(cameraHeight), "4.661|4.276|4.827|4.471|6.037"},
    {F(fieldOfView), "43.357|43.357|43.357|45|43.357"},
    {F(backgroundSound), "OfficeNoise.mp3|OfficeNoise.mp3|OfficeNoise.mp3|AirportNoise.mp3|"
                         "BasementAmbient.mp3"},
    {F(leftSounds),
     OFFICE_LEFT "|" OFFICE_LEFT "|" OFFICE_LEFT "|AirportLeft0.wav AirportLeft1.wav "
                 "- -|mopper_urinal.wav crooner_worldtour.wav - -"},
    {F(rightSounds),
     OFFICE_RIGHT "|" OFFICE_RIGHT "|" OFFICE_RIGHT
                  "|AirportRight0.wav AirportRight1.wav - -|MetalClank.wav Rats.wav - -"},
    {F(background), "Level1.png|Level2.png|Level3.png|Airport.png|Basement.png"},
    {F(apexHeight), "0|110|110|0|0"},
};
// Zero, false or null in every level.
#define Z(field) Row(F(field))
const Row zeros[] = {Z(menuBestPos),   Z(unlockScore),      Z(hudBoard),     Z(hudBoardPos),
                     Z(hasMenuText),   Z(canFrontSize),     Z(windDepth),    Z(catcherSound),
                     Z(catcherSprite), Z(catcherFrameSize), Z(catcherScale), Z(catcherDuration),
                     Z(catcherRadius), Z(celebrationMode)};

TEST(Catalogue, EveryFieldOfEveryLevelAsTheDesignGivesIt) {
    fg::initializeData();
    std::vector<Row> all(std::begin(rows), std::end(rows));
    all.insert(all.end(), std::begin(zeros), std::end(zeros));
    for (const Row& row : all) {
        std::string want = std::string(row.values) + "|";
        for (size_t z; (z = want.find('Z')) != std::string::npos;)
            want.replace(z, 1, "449.88998");
        for (int i = 0; i < fg::LEVEL_COUNT; ++i) {
            const size_t bar = want.find('|');
            const std::string got = row.get(fg::level_info[i]), w = want.substr(0, bar);
            const bool zero = got.find_first_not_of("0,-") == std::string::npos || got == "false";
            EXPECT_TRUE(got == w || (w == "-" && zero))
                << row.name << ", level " << i << ": " << got;
            want.erase(0, bar + 1);
        }
    }
    for (const fg::LevelInfo& l : fg::level_info)
        for (const auto& group : l.fans) { // one layer a group, alike but for the rows above
            const fg::FanLayer& g = group[0];
            EXPECT_EQ(f(g.scale) + " " + f(g.scroll) + " " + f(g.windRange) + " " + f(g.duration) +
                          " " + f(g.frameCount),
                      "1,1 0,0 0,0 0.1 0");
            for (int j = 1; j < fg::FAN_LAYERS; ++j)
                EXPECT_EQ(group[j].texture, nullptr);
        }
    EXPECT_EQ(f(fg::menu_info.background) + " " + f(fg::menu_info.scoresButton) + " " +
                  f(fg::menu_info.scoresButtonPos) + " " + f(fg::score_menu_info.background) + " " +
                  f(fg::score_menu_info.backButtonPos) + " " +
                  f(fg::score_menu_info.backButtonSize),
              "MMenu.png HS_btn_green.png 63,343 SBoard_menu.png 269,156 103,42");
}

} // namespace
