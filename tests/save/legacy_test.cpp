#include "core/evt.h"
#include "core/file.h"
#include "save/legacy.h"
#include "save/savedata.h"
#include "save/scores.h"
#include "save_test_util.h"

#include <random>

using namespace savetest;

namespace {

std::string record(int version, const int best[3], const int submitted[3], uint32_t flags,
                   const char* id = "kmz_sdat") {
    std::string r(id, 8);
    auto put = [&r](uint32_t v) {
        for (int i = 0; i < 4; ++i)
            r += static_cast<char>(v >> (8 * i));
    };
    put(static_cast<uint32_t>(version));
    for (int i = 0; i < 3; ++i)
        put(static_cast<uint32_t>(best[i]));
    for (int i = 0; i < 3; ++i)
        put(static_cast<uint32_t>(submitted[i]));
    put(flags);
    return r;
}

class LegacyTest : public DataFolder {
  protected:
    void SetUp() override {
        DataFolder::SetUp();
        saveDat = dir + "/save.dat";
    }
    std::string saveDat;
};

TEST_F(LegacyTest, OldFileBecomesSettingsAndThenProtectedBestScores) {
    const int best[3] = {15, 0, 7}, submitted[3] = {12, 0, -2};
    writeFile(saveDat, record(3, best, submitted, 0b10));
    savedata::load();
    savedata::write(true, "sound");
    savedata::write(33, "level_4", "submitted");
    fg::loadLegacy();
    EXPECT_FALSE(exists(saveDat));
    EXPECT_FALSE(savedata::modified);

    ASSERT_TRUE(savedata::load());
    EXPECT_FALSE(savedata::read(true, "sound"));
    EXPECT_TRUE(savedata::read(false, "tutorial_shown"));
    for (int i = 0; i < 3; ++i) {
        std::string key = "level_" + std::to_string(i);
        EXPECT_EQ(savedata::read(-1, key.c_str(), "best"), best[i]);
        EXPECT_EQ(savedata::read(-1, key.c_str(), "submitted"), submitted[i]);
    }
    EXPECT_EQ(savedata::read(0, "level_4", "submitted"), 33); // later levels are not touched

    std::vector<unsigned char> key(1024);
    std::mt19937 rng(3);
    for (unsigned char& b : key)
        b = static_cast<unsigned char>(rng());
    writeFile(dir + "/obf.dat", key.data(), key.size());
    delete file::file_mgr;
    file::file_mgr = new file::FileMgr;
    file::file_mgr->addPath(dir);
    fg::scores::init();
    EXPECT_EQ(fg::scores::readBest(0), 15);
    EXPECT_EQ(fg::scores::readBest(1), 0);
    EXPECT_EQ(fg::scores::readBest(2), 7);
    ASSERT_TRUE(savedata::load());
    for (const char* k : {"level_0", "level_1", "level_2"})
        EXPECT_FALSE(savedata::keyExists(k, "best")) << k;
    EXPECT_EQ(fg::scores::readBest(2), 7);
    evt::publish("onShutdown");
}

TEST_F(LegacyTest, FlagsAreTwoIndependentBits) {
    const int zero[3] = {0, 0, 0};
    for (uint32_t flags : {0u, 1u, 2u, 3u, 0xfffffffcu}) {
        writeFile(saveDat, record(3, zero, zero, flags));
        savedata::load();
        fg::loadLegacy();
        ASSERT_FALSE(exists(saveDat));
        ASSERT_TRUE(savedata::load());
        EXPECT_EQ(savedata::read(false, "sound"), (flags & 1) != 0) << flags;
        EXPECT_EQ(savedata::read(false, "tutorial_shown"), (flags & 2) != 0) << flags;
    }
}

TEST_F(LegacyTest, OtherFilesAreLeftAloneAndNothingIsSaved) {
    const int best[3] = {1, 2, 3};
    const std::string good = record(3, best, best, 1);
    const std::string cases[] = {good + "x",
                                 good.substr(0, 39),
                                 record(2, best, best, 1),
                                 record(4, best, best, 1),
                                 record(3, best, best, 1, "kmz_sdaT"),
                                 std::string(40, '\0')};
    for (const std::string& c : cases) {
        writeFile(saveDat, c);
        savedata::load();
        fg::loadLegacy();
        EXPECT_EQ(readFile(saveDat), c);
        EXPECT_FALSE(savedata::modified);
        EXPECT_FALSE(savedata::keyExists("best"));
        EXPECT_FALSE(exists(plist));
    }
    ::remove(saveDat.c_str());
    savedata::load();
    fg::loadLegacy();
    EXPECT_FALSE(savedata::modified);
    EXPECT_FALSE(exists(plist));
}

TEST(LegacyRecord, DecodesLittleEndianFields) {
    const int best[3] = {-1, 0x01020304, 7}, submitted[3] = {INT32_MIN, INT32_MAX, 5};
    std::string r = record(3, best, submitted, 0x80000003u);
    fg::SaveInfo info{};
    ASSERT_TRUE(fg::parseLegacy(reinterpret_cast<const unsigned char*>(r.data()), r.size(), info));
    EXPECT_EQ(info.version, 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(info.best[i], best[i]);
        EXPECT_EQ(info.submitted[i], submitted[i]);
    }
    EXPECT_EQ(info.flags, 0x80000003u);
    EXPECT_FALSE(fg::parseLegacy(nullptr, 40, info));
}

} // namespace
