// SPDX-License-Identifier: MIT
#include "save/group.h"
#include "save/legacy.h"
#include "save/obfuscator.h"
#include "save/scores.h"
#include "save_test_util.h"

using namespace savetest;

namespace {

using ScoresTest = DataFolder;

std::vector<unsigned char> checksumOf(const char* record) {
    std::vector<unsigned char> sum;
    savedata::read(sum, "checksum", record);
    return sum;
}

TEST_F(ScoresTest, RecordsAreMd5SignedAndEveryTamperingIsSeen) {
    savedata::Obfuscator obf(keyPath, {256, 64});
    const long long ts = 1765000000;
    obf.write(321, "rec", ts);
    ASSERT_TRUE(savedata::save() && savedata::load());
    EXPECT_EQ(obf.read(0, "rec"), std::make_pair(321, true));
    EXPECT_EQ(obf.read(-4, "missing"), std::make_pair(-4, false));
    savedata::write(322, "value", "rec");
    EXPECT_EQ(obf.read(0, "rec"), std::make_pair(322, false));
    savedata::write(321, "value", "rec");

    // Time stamps count only modulo 64; a negative one is never valid.
    for (long long t : {ts + 1, ts + 63, ts - 1, -64LL, ts + 64, ts - 64, ts}) {
        savedata::write(static_cast<int>(t), "ts", "rec");
        EXPECT_EQ(obf.read(0, "rec").second, t >= 0 && t % 64 == ts % 64) << t;
    }
    // Each byte of the checksum matters, and so does its length.
    const std::vector<unsigned char> good = checksumOf("rec");
    ASSERT_EQ(good.size(), 16u);
    for (size_t k = 0; k <= 18; ++k) {
        std::vector<unsigned char> sum = good;
        if (k < 16) sum[k] ^= 1;
        if (k == 16) sum.pop_back();
        if (k == 17) sum.push_back(0);
        savedata::setEntry("checksum", "rec",
                           plist_new_data(reinterpret_cast<const char*>(sum.data()), sum.size()));
        EXPECT_EQ(obf.read(0, "rec").second, k == 18) << "variant " << k;
    }

    // The value's four bytes little-endian, then 256 key bytes from 1000 mod 64 = 40.
    obf.write(-77, "a", 1000);
    writeFile(dir + "/md5-input", "\xb3\xff\xff\xff" + key.substr(40, 256));
    FILE* p = popen(("md5sum " + dir + "/md5-input").c_str(), "r");
    ASSERT_NE(p, nullptr);
    char hex[33] = {}, mine[33] = {};
    ASSERT_EQ(fread(hex, 1, 32, p), 32u);
    pclose(p);
    const std::vector<unsigned char> sum = checksumOf("a");
    for (size_t i = 0; i < sum.size() && i < 16; ++i)
        snprintf(mine + 2 * i, 3, "%02x", sum[i]);
    EXPECT_STREQ(mine, hex);
}

TEST_F(ScoresTest, ShortOrMissingKeysSignNothingAndNeverReadPastTheKey) {
    savedata::Obfuscator full(keyPath, {256, 64});
    full.write(50, "rec", 63); // the last window: bytes 63 to 318
    writeFile(dir + "/k319", key.substr(0, 319));
    EXPECT_TRUE(savedata::Obfuscator(dir + "/k319", {256, 64}).read(0, "rec").second);
    writeFile(dir + "/k318", key.substr(0, 318));
    for (const std::string& name : {dir + "/k318", dir + "/nothing-here"}) {
        savedata::Obfuscator shortKey(name, {256, 64});
        EXPECT_FALSE(shortKey.read(0, "rec").second) << name;
        shortKey.write(99, "rec", 0);
        EXPECT_EQ(savedata::read(0, "value", "rec"), 50) << name;
    }
    EXPECT_TRUE(full.read(0, "rec").second);
    EXPECT_EQ(logCount("missing or too short"), 2);
}

TEST_F(ScoresTest, OldBestScoresMoveOnceAndOnlyWithTheRightKey) {
    savedata::write(120, "level_0", "best");
    savedata::write(40, "level_2", "best");
    ASSERT_TRUE(savedata::save());
    // Without the key, or with a damaged one, the old scores could not be protected: they stay
    // where they are, and a throw's score is not signed with what is there.
    for (bool damaged : {false, true}) {
        if (damaged)
            writeFile(keyPath, key.substr(0, 64) + randomBytes(960, 9));
        else
            fs::remove(keyPath);
        fg::scores::init(keyDigest);
        EXPECT_EQ(savedata::read(0, "level_0", "best"), 120);
        // The menu reads the bests meanwhile (leaving empty records) and a setting is saved.
        for (int level = 0; level < 5; ++level)
            EXPECT_EQ(fg::scores::readBest(level), 0);
        fg::scores::saveBest(1, 0);
        ASSERT_TRUE(savedata::save());
        evt::publish("onShutdown");
    }
    EXPECT_EQ(logCount("Score key '" + keyPath + "' is damaged"), 1);

    writeFile(keyPath, key);
    fg::scores::init(keyDigest);
    ASSERT_TRUE(savedata::load());
    EXPECT_FALSE(savedata::keyExists("level_0", "best"));
    const int expected[] = {120, 0, 40};
    for (int level = 0; level < 3; ++level)
        EXPECT_EQ(fg::scores::readBest(level), expected[level]) << level;

    // Once any record exists, the old group is left alone.
    savedata::write(999, "level_1", "best");
    ASSERT_TRUE(savedata::save());
    const std::string after = readFile(plist);
    evt::publish("onShutdown");
    fg::scores::init(keyDigest);
    EXPECT_EQ(readFile(plist), after);
    EXPECT_EQ(fg::scores::readBest(1), 0);
    // Scores are saved at once; shut-down releases the key, a new start finds them again.
    fg::scores::saveBest(21, 3);
    fg::scores::saveSubmitted(16, 3);
    EXPECT_FALSE(savedata::modified);
    evt::publish("onShutdown");
    EXPECT_EQ(fg::scores::readBest(3), 0);
    fg::scores::init(keyDigest);
    ASSERT_TRUE(savedata::load());
    EXPECT_EQ(std::pair(fg::scores::readBest(3), fg::scores::readSubmitted(3)), std::pair(21, 16));
    EXPECT_EQ(evt::subscriberCount("onShutdown"), 1);
}

// The old save file: an id, then little-endian 32-bit fields.
std::string oldRecord(const char* id, std::vector<uint32_t> fields) {
    std::string r(id, 8);
    for (uint32_t v : fields)
        for (int shift = 0; shift < 32; shift += 8)
            r += static_cast<char>(v >> shift);
    return r;
}

TEST_F(ScoresTest, OldSaveFileBecomesSettingsAndThenProtectedBestScores) {
    // Version, best scores, submitted scores, flags.
    // Scores outside 0 to 1,000,000 (damage) arrive as 0, each named.
    writeFile(dir + "/save.dat",
              oldRecord("kmz_sdat", {3, 15, 2147483647u, 7, 1000000, 0, -2u, 0b10}));
    savedata::write(true, "sound");
    savedata::write(33, "level_4", "submitted");
    fg::loadLegacy();
    EXPECT_FALSE(fs::exists(dir + "/save.dat"));
    ASSERT_TRUE(savedata::load());
    EXPECT_FALSE(savedata::read(true, "sound"));
    EXPECT_TRUE(savedata::read(false, "tutorial_shown"));
    EXPECT_EQ(logCount("save.dat': "), 2);
    const int best[] = {15, 0, 7, -1, -1}, submitted[] = {1000000, 0, 0, -1, 33};
    for (int i = 0; i < 5; ++i) {
        std::string key = "level_" + std::to_string(i);
        EXPECT_EQ(savedata::read(-1, key.c_str(), "submitted"), submitted[i]) << i;
        EXPECT_EQ(savedata::read(-1, key.c_str(), "best"), best[i]) << i;
    }
    fg::scores::init(keyDigest);
    ASSERT_TRUE(savedata::load());
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(fg::scores::readBest(i), best[i]) << i;
        EXPECT_FALSE(savedata::keyExists(("level_" + std::to_string(i)).c_str(), "best")) << i;
    }
}

TEST_F(ScoresTest, OtherOldFilesAreLeftAloneAndNothingIsSaved) {
    const std::string good = oldRecord("kmz_sdat", {3, 1, 2, 3, 1, 2, 3, 1});
    for (const std::string& c :
         {good + "x", good.substr(0, 39), oldRecord("kmz_sdat", {4, 1, 2, 3, 1, 2, 3, 1}),
          oldRecord("kmz_sdaT", {3, 1, 2, 3, 1, 2, 3, 1})}) {
        writeFile(dir + "/save.dat", c);
        fg::loadLegacy();
        EXPECT_EQ(readFile(dir + "/save.dat"), c);
        EXPECT_FALSE(savedata::modified);
        EXPECT_FALSE(fs::exists(plist));
    }
}

} // namespace
