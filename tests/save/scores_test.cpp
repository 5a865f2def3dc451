#include "core/evt.h"
#include "core/file.h"
#include "save/group.h"
#include "save/obfuscator.h"
#include "save/savedata.h"
#include "save/scores.h"
#include "save_test_util.h"

#include <cstring>
#include <random>

using namespace savetest;

namespace {

std::vector<unsigned char> randomKey(size_t size, unsigned seed) {
    std::mt19937 rng(seed);
    std::vector<unsigned char> key(size);
    for (unsigned char& b : key)
        b = static_cast<unsigned char>(rng());
    return key;
}

std::vector<unsigned char> checksumOf(const char* record) {
    std::vector<unsigned char> sum;
    savedata::read(sum, "checksum", record);
    return sum;
}

void setChecksum(const char* record, const std::vector<unsigned char>& sum) {
    savedata::setEntry("checksum", record,
                       plist_new_data(reinterpret_cast<const char*>(sum.data()), sum.size()));
}

class ObfuscatorTest : public DataFolder {
  protected:
    void SetUp() override {
        DataFolder::SetUp();
        savedata::load();
        keyPath = dir + "/key.bin";
        key = randomKey(1024, 7);
        writeFile(keyPath, key.data(), key.size());
    }
    std::string keyPath;
    std::vector<unsigned char> key;
};

TEST_F(ObfuscatorTest, RecordsVerifyAndEveryTamperingIsSeen) {
    savedata::Obfuscator obf(keyPath, {256, 64});
    ASSERT_TRUE(obf.usable());
    const long long ts = 1765000000;
    obf.write(321, "rec", ts);
    ASSERT_TRUE(savedata::save());
    ASSERT_TRUE(savedata::load());
    EXPECT_EQ(obf.read(0, "rec"), std::make_pair(321, true));
    EXPECT_EQ(savedata::read(0, "ts", "rec"), static_cast<int>(ts));
    const std::vector<unsigned char> good = checksumOf("rec");
    ASSERT_EQ(good.size(), 16u);

    // Another value under the same time stamp and checksum is returned but not valid.
    savedata::write(322, "value", "rec");
    EXPECT_EQ(obf.read(0, "rec"), std::make_pair(322, false));
    savedata::write(321, "value", "rec");
    EXPECT_TRUE(obf.read(0, "rec").second);

    // Time stamps count only modulo 64; a negative one is never valid.
    auto validAt = [&](long long t) {
        savedata::write(static_cast<int>(t), "ts", "rec");
        return obf.read(0, "rec").second;
    };
    for (long long shift : {1LL, 63LL, 65LL, -1LL})
        EXPECT_FALSE(validAt(ts + shift)) << shift;
    for (long long shift : {64LL, 128LL, -64LL, 64LL * 1000})
        EXPECT_TRUE(validAt(ts + shift)) << shift;
    EXPECT_FALSE(validAt(-64));
    EXPECT_FALSE(validAt(-ts));
    ASSERT_TRUE(validAt(ts));

    // Each byte of the checksum matters, and so does its length.
    for (size_t i = 0; i < good.size(); ++i) {
        std::vector<unsigned char> bad = good;
        bad[i] ^= 0x01;
        setChecksum("rec", bad);
        EXPECT_FALSE(obf.read(0, "rec").second) << "byte " << i;
    }
    std::vector<unsigned char> longer = good;
    longer.push_back(0);
    for (const auto& sum : {std::vector<unsigned char>(good.begin(), good.end() - 1), longer,
                            std::vector<unsigned char>()}) {
        setChecksum("rec", sum);
        EXPECT_FALSE(obf.read(0, "rec").second) << sum.size();
    }
    savedata::deleteKey("checksum", "rec");
    EXPECT_FALSE(obf.read(0, "rec").second);
    setChecksum("rec", good);
    EXPECT_TRUE(obf.read(0, "rec").second);

    // A record that is not there reads as the default, not valid.
    EXPECT_EQ(obf.read(-4, "missing"), std::make_pair(-4, false));
}

TEST_F(ObfuscatorTest, ChecksumIsMd5OfValueAndKeyWindow) {
    savedata::Obfuscator obf(keyPath, {256, 64});
    // Same value at time stamps 64 apart: same checksum; one second apart: another.
    obf.write(-77, "a", 1000);
    obf.write(-77, "b", 1000 + 64 * 5);
    obf.write(-77, "c", 1001);
    EXPECT_EQ(checksumOf("a"), checksumOf("b"));
    EXPECT_NE(checksumOf("a"), checksumOf("c"));

    // Against the system's md5sum: the value's four bytes little-endian, then 256 key bytes
    // from ts mod 64 (1000 mod 64 = 40).
    std::vector<unsigned char> input = {0xb3, 0xff, 0xff, 0xff};
    input.insert(input.end(), key.begin() + 40, key.begin() + 40 + 256);
    std::string path = dir + "/md5-input";
    writeFile(path, input.data(), input.size());
    FILE* p = popen(("md5sum " + path).c_str(), "r");
    ASSERT_NE(p, nullptr);
    char hex[33] = {};
    ASSERT_EQ(fread(hex, 1, 32, p), 32u);
    pclose(p);
    std::string mine;
    for (unsigned char b : checksumOf("a")) {
        char two[3];
        snprintf(two, sizeof two, "%02x", b);
        mine += two;
    }
    EXPECT_EQ(mine, std::string(hex));

    // Records signed with one key do not verify with another.
    std::vector<unsigned char> other = randomKey(1024, 8);
    writeFile(dir + "/other.bin", other.data(), other.size());
    savedata::Obfuscator wrong(dir + "/other.bin", {256, 64});
    EXPECT_FALSE(wrong.read(0, "a").second);
    EXPECT_TRUE(obf.read(0, "a").second);
}

TEST_F(ObfuscatorTest, ShortOrMissingKeysSignNothingAndNeverReadPastTheKey) {
    savedata::Obfuscator full(keyPath, {256, 64});
    full.write(50, "rec", 63); // the last window: bytes 63 to 318
    ASSERT_TRUE(full.read(0, "rec").second);

    // Exactly 319 bytes is enough for every offset.
    writeFile(dir + "/k319", key.data(), 319);
    savedata::Obfuscator just(dir + "/k319", {256, 64});
    EXPECT_TRUE(just.usable());
    EXPECT_TRUE(just.read(0, "rec").second);

    // One byte less, or no file at all: nothing verifies and nothing is overwritten.
    writeFile(dir + "/k318", key.data(), 318);
    logLines().clear();
    for (const std::string& name : {dir + "/k318", dir + "/nothing-here"}) {
        savedata::Obfuscator shortKey(name, {256, 64});
        EXPECT_FALSE(shortKey.usable());
        EXPECT_FALSE(shortKey.read(0, "rec").second);
        shortKey.write(99, "rec", 0);
        EXPECT_EQ(savedata::read(0, "value", "rec"), 50);
    }
    EXPECT_TRUE(full.read(0, "rec").second);
    EXPECT_TRUE(loggedContaining("missing or too short"));

    // Any entry at the root counts as a record; an empty name always does.
    EXPECT_TRUE(full.keyExists("rec"));
    EXPECT_TRUE(full.keyExists(""));
    EXPECT_TRUE(full.keyExists(nullptr));
    EXPECT_FALSE(full.keyExists("other"));
}

// The score records use "obf.dat" from the resource folders; each test points the file
// manager at its own key folder.
class ScoresTest : public ObfuscatorTest {
  protected:
    void SetUp() override {
        ObfuscatorTest::SetUp();
        writeFile(dir + "/obf.dat", key.data(), key.size());
        delete file::file_mgr;
        file::file_mgr = new file::FileMgr;
        file::file_mgr->addPath(dir);
    }
    void TearDown() override {
        evt::publish("onShutdown"); // releases the records' key
        ObfuscatorTest::TearDown();
    }
    void oldBest(int level, int score) {
        savedata::write(score, ("level_" + std::to_string(level)).c_str(), "best");
    }
};

TEST_F(ScoresTest, OldBestScoresMoveIntoProtectedRecordsOnce) {
    oldBest(0, 120);
    oldBest(2, 40);
    ASSERT_TRUE(savedata::save());
    ASSERT_TRUE(savedata::load());
    fg::scores::init();
    EXPECT_EQ(fg::scores::readBest(0), 120);
    EXPECT_EQ(fg::scores::readBest(1), 0);
    EXPECT_EQ(fg::scores::readBest(2), 40);
    EXPECT_FALSE(savedata::keyExists("level_0", "best"));
    EXPECT_FALSE(savedata::keyExists("level_2", "best"));
    EXPECT_TRUE(savedata::keyExists("value", "level_0_best"));

    // On disk too, and a second start changes nothing.
    ASSERT_TRUE(savedata::load());
    const std::string after = readFile(plist);
    evt::publish("onShutdown");
    fg::scores::init();
    EXPECT_EQ(readFile(plist), after);
    EXPECT_EQ(fg::scores::readBest(0), 120);
    EXPECT_EQ(fg::scores::readBest(2), 40);

    // A best score put back in the old group by hand is not migrated over the protected one.
    oldBest(0, 999);
    ASSERT_TRUE(savedata::save());
    fg::scores::init();
    EXPECT_EQ(fg::scores::readBest(0), 120);
    EXPECT_EQ(savedata::read(0, "level_0", "best"), 999);
}

TEST_F(ScoresTest, AnyProtectedRecordLeavesTheOldGroupAlone) {
    oldBest(1, 55);
    savedata::Obfuscator(keyPath, {256, 64}).write(3, "level_4_best");
    fg::scores::init();
    EXPECT_EQ(savedata::read(0, "level_1", "best"), 55);
    EXPECT_EQ(fg::scores::readBest(1), 0);
    EXPECT_EQ(fg::scores::readBest(4), 3);
}

TEST_F(ScoresTest, WithoutAKeyOldBestScoresAreKept) {
    ::remove((dir + "/obf.dat").c_str());
    oldBest(0, 120);
    fg::scores::init();
    EXPECT_EQ(savedata::read(0, "level_0", "best"), 120);
    fg::scores::saveBest(130, 0);
    EXPECT_EQ(fg::scores::readBest(0), 0);
    EXPECT_FALSE(savedata::keyExists("value", "level_0_best"));
}

TEST_F(ScoresTest, BestAndSubmittedScoresPersist) {
    fg::scores::init();
    EXPECT_EQ(fg::scores::readSubmitted(3), 0);
    fg::scores::saveBest(17, 3);
    fg::scores::saveSubmitted(17, 3);
    fg::scores::saveBest(21, 3);
    EXPECT_FALSE(savedata::modified) << "saveBest and saveSubmitted save at once";
    ASSERT_TRUE(savedata::load());
    EXPECT_EQ(fg::scores::readBest(3), 21);
    EXPECT_EQ(fg::scores::readSubmitted(3), 17);
    EXPECT_EQ(savedata::read(0, "level_3", "submitted"), 17);

    // A best score edited in the file reads as 0 and stays in the file until the next best.
    std::string text = readFile(plist);
    size_t at = text.find("<integer>21</integer>");
    ASSERT_NE(at, std::string::npos) << text;
    text.replace(at, 21, "<integer>99</integer>");
    writeFile(plist, text);
    ASSERT_TRUE(savedata::load());
    EXPECT_EQ(fg::scores::readBest(3), 0);
    EXPECT_EQ(savedata::read(0, "value", "level_3_best"), 99);
    fg::scores::saveBest(5, 3);
    EXPECT_EQ(fg::scores::readBest(3), 5);

    // After shut-down the key is released; a new start picks the records up again.
    evt::publish("onShutdown");
    EXPECT_EQ(fg::scores::readBest(3), 0);
    fg::scores::init();
    EXPECT_EQ(fg::scores::readBest(3), 5);
    EXPECT_EQ(evt::subscriberCount("onShutdown"), 1);
}

TEST(BuiltKeyFile, SignsAndVerifies) {
    const char* res = getenv("FLINGO_RESOURCE_DIR");
    std::string path = std::string(res ? res : "") + "/obf.dat";
    if (!res || !exists(path)) GTEST_SKIP() << "no built obf.dat at " << path;
    EXPECT_EQ(readFile(path).size(), 1024u);
    std::string dir = makeTempDir();
    platform::setDataPath(dir.c_str());
    savedata::load();
    savedata::Obfuscator obf(path, {256, 64});
    EXPECT_TRUE(obf.usable());
    obf.write(12, "rec");
    EXPECT_EQ(obf.read(0, "rec"), std::make_pair(12, true));
    removeTree(dir);
}

} // namespace
