// SPDX-License-Identifier: MIT
// The save layer in a data folder of its own per test, holding the build's score key: the
// settings store and the property lists it reads, signed score records and the old save file's
// scores moved into them, and saves that fail half-way.
#include "core/evt.h"
#include "core/file.h"
#include "core/platform.h"
#include "save/group.h"
#include "save/legacy.h"
#include "save/obfuscator.h"
#include "save/savedata.h"
#include "save/scores.h"
#include "support/run.h"

#include <algorithm>
#include <climits>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/resource.h>

namespace {

namespace fs = std::filesystem;
using testrun::readFile;
using testrun::writeFile;

std::vector<std::string> log_lines;

// Lines logged since the test began that contain `part`.
long logCount(const std::string& part) {
    return std::ranges::count_if(log_lines, [&](auto& l) { return l.find(part) != l.npos; });
}

// The key "obf.dat" is found through the file manager; the store starts empty.
class Save : public testing::Test {
  protected:
    void SetUp() override {
        writeFile(keyPath, key);
        delete file::file_mgr;
        file::file_mgr = new file::FileMgr;
        file::file_mgr->addPath(dir);
        platform::setDataPath(dir.c_str());
        log_lines.clear();
        platform::setLogHook([](const char* line) { log_lines.push_back(line); });
        savedata::load();
    }
    void TearDown() override {
        evt::publish("onShutdown"); // releases the score records' key
        platform::setLogHook(nullptr);
    }
    std::string dir = testrun::tempDir(), plist = dir + "/savedata.plist",
                keyPath = dir + "/obf.dat";
    std::string key = readFile(FLINGO_KEY_FILE);
};

// Written by another tool's binary writer: {'sound': False, 'tutorial_shown': True,
// 'submitted': {'level_1': -3}, 'rec': {'checksum': bytes(range(16))}, 'ratio': 2.75}
const std::string BINARY(
    "bplist00\xd5\x01\x02\x03\x04\x05\x06\x07\x0a\x0b\x0eUratioSrecUsoundYsubmitted^tutorial_shown"
    "#@\x06\x00\x00\x00\x00\x00\x00\xd1\x08\x09XchecksumO\x10\x10\x00\x01\x02\x03\x04\x05\x06\x07"
    "\x08\x09\x0a\x0b\x0c\x0d\x0e\x0f\x08\xd1\x0c\x0dWlevel_1\x13\xff\xff\xff\xff\xff\xff\xff\xfd"
    "\x09\x08\x13\x19\x1d#-<EHQdehpy\x00\x00\x00\x00\x00\x00\x01\x01\x00\x00\x00\x00\x00\x00\x00"
    "\x0f\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00z",
    169);

// Appends v as n big-endian bytes.
void be(std::string& s, uint64_t v, int n) {
    for (int i = n - 1; i >= 0; --i)
        s += static_cast<char>(v >> (8 * i));
}

TEST_F(Save, ValuesKeepTypeAndSignAValueIsNoGroupAndOtherWritersListsAreRead) {
    const int ints[] = {-5, INT_MIN, INT_MAX};
    for (int v : ints)
        savedata::write(v, std::to_string(v).c_str(), "g");
    savedata::write(true, "on");
    savedata::write(false, "off", "g");
    ASSERT_TRUE(savedata::save());
    ASSERT_TRUE(savedata::load());
    for (int v : ints)
        EXPECT_EQ(savedata::read(1, std::to_string(v).c_str(), "g"), v);
    EXPECT_EQ(std::tuple(savedata::read(7, "on"), savedata::read(7, "off", "g"),
                         savedata::read(false, "-5", "g")),
              std::tuple(1, 0, true));

    const std::string before = readFile(plist);
    savedata::write(5, "volume", "on");
    EXPECT_EQ(std::pair(savedata::read(8, "volume", "on"), savedata::read(0, "on")),
              std::pair(8, 1));
    EXPECT_EQ(logCount("Inavlid group for save data: 'on'. Value will not be saved."), 2);
    ASSERT_TRUE(savedata::save());
    EXPECT_EQ(readFile(plist), before);

    // Another tool's binary list, saved back as XML with every entry kept.
    writeFile(plist, BINARY);
    ASSERT_TRUE(savedata::load());
    std::vector<unsigned char> sum;
    savedata::read(sum, "checksum", "rec");
    EXPECT_EQ(std::tuple(savedata::read(true, "sound"), savedata::read(false, "tutorial_shown"),
                         sum.size() == 16 ? sum[15] : -1),
              std::tuple(false, true, 15));
    savedata::write(13, "level_0", "submitted");
    ASSERT_TRUE(savedata::save() && savedata::load());
    EXPECT_EQ(readFile(plist).rfind("<?xml", 0), 0u);
    EXPECT_EQ(std::pair(savedata::read(0, "level_0", "submitted"),
                        savedata::read(0, "level_1", "submitted")),
              std::pair(13, -3));
}

// A file that is there but cannot be used: the store starts empty with a message, and the file
// is kept aside whole when the first save replaces it.
TEST_F(Save, UnusableFilesGiveAnEmptyStoreAndAreKeptAside) {
    std::string garbage;
    for (int i = 0; i < 3000; ++i)
        garbage += static_cast<char>(i * 2654435761u >> 13);
    const int depth = 200000;
    std::string open, close, deepBin = "bplist00", offsets;
    for (int i = 0; i < depth; ++i) {
        open += "<array>";
        close += "</array>";
        be(offsets, deepBin.size(), 4); // each binary array holds the next one
        be(deepBin, i + 1 < depth ? 0xa100000000 + i + 1 : 0xa0, i + 1 < depth ? 5 : 1);
    }
    const uint64_t table = deepBin.size();
    deepBin += offsets + std::string(6, '\0') + "\x04\x04";
    be(deepBin, depth, 8), be(deepBin, 0, 8), be(deepBin, table, 8);
    // A key in UTF-16 ending in a zero unit.
    std::string zeroUnit("bplist00\xd1\x01\x02\x62\x00\x61\x00\x00\x10\x01\x08\x0b\x10", 21);
    zeroUnit += std::string("\0\0\0\0\0\0\x01\x01\0\0\0\0\0\0\0\x03", 16) + std::string(15, '\0');
    zeroUnit += '\x12';

    for (const std::string& c :
         {garbage, std::string("not a property list"), std::string("<plist><array/></plist>"),
          "bplist00" + garbage.substr(0, 100), BINARY.substr(0, 100), std::string(1, '\0'),
          std::string("<plist version=\"1.0\"><dict><key>a</key><integer>1</integ"), std::string(),
          "<plist><dict><key>a</key>" + open + close + "</dict></plist>", deepBin, zeroUnit}) {
        SCOPED_TRACE(c.substr(0, 40));
        writeFile(plist, c);
        log_lines.clear();
        EXPECT_FALSE(savedata::load());
        EXPECT_FALSE(log_lines.empty());
        savedata::write(true, "sound");
        ASSERT_TRUE(savedata::save());
        EXPECT_EQ(readFile(plist + ".unreadable"), c);
    }

    // A sparse file far larger than any save file: refused from its size alone.
    fs::resize_file(plist, 3LL << 30);
    EXPECT_FALSE(savedata::load());
    EXPECT_EQ(logCount("sensible size"), 1);
    savedata::write(1, "x");
    ASSERT_TRUE(savedata::save());
    EXPECT_EQ(fs::file_size(plist + ".unreadable"), 3ULL << 30);
}

TEST_F(Save, RecordsAreMd5SignedEveryTamperingIsSeenAndShortKeysSignNothing) {
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
    std::vector<unsigned char> good;
    savedata::read(good, "checksum", "rec");
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

    // The MD5 of the value's four bytes little-endian, then 256 key bytes from 1000 mod 64 = 40
    // (as md5sum gives it for the build's key).
    obf.write(-77, "a", 1000);
    std::vector<unsigned char> sum;
    savedata::read(sum, "checksum", "a");
    EXPECT_EQ(sum, (std::vector<unsigned char>{0xef, 0x78, 0x61, 0x13, 0xad, 0xb2, 0xfc, 0x03, 0x84,
                                               0xa6, 0x76, 0xa7, 0x51, 0xfd, 0xe2, 0xd5}));

    // A key too short for the last window (bytes 63 to 318) signs nothing. (A missing one: the old
    // scores' test.)
    obf.write(50, "rec", 63);
    writeFile(dir + "/k319", key.substr(0, 319));
    EXPECT_TRUE(savedata::Obfuscator(dir + "/k319", {256, 64}).read(0, "rec").second);
    writeFile(dir + "/k318", key.substr(0, 318));
    savedata::Obfuscator shortKey(dir + "/k318", {256, 64});
    EXPECT_FALSE(shortKey.read(0, "rec").second);
    shortKey.write(99, "rec", 0);
    EXPECT_EQ(savedata::read(0, "value", "rec"), 50);
    EXPECT_TRUE(obf.read(0, "rec").second);
    EXPECT_EQ(logCount("missing or too short"), 1);
}

// The old save file: an id, then little-endian 32-bit fields (version, three best scores, three
// submitted scores, flags).
std::string oldRecord(const char* id, std::vector<uint32_t> fields) {
    std::string r(id, 8);
    for (uint32_t v : fields)
        for (int shift = 0; shift < 32; shift += 8)
            r += static_cast<char>(v >> shift);
    return r;
}

TEST_F(Save, OldScoresMoveIntoSignedRecordsOnceOnlyFromAWholeFileAndWithTheRightKey) {
    // Another kind or version of file, or one cut short or too long, is left alone.
    const std::string good = oldRecord("kmz_sdat", {3, 1, 2, 3, 1, 2, 3, 1});
    for (const std::string& c :
         {good + "x", good.substr(0, 39), oldRecord("kmz_sdat", {4, 1, 2, 3, 1, 2, 3, 1}),
          oldRecord("kmz_sdaT", {3, 1, 2, 3, 1, 2, 3, 1})}) {
        writeFile(dir + "/save.dat", c);
        fg::loadLegacy();
        EXPECT_EQ(readFile(dir + "/save.dat"), c);
        EXPECT_FALSE(savedata::modified || fs::exists(plist));
    }
    // A whole one becomes settings and unsigned scores; those outside 0 to 1,000,000 (damage)
    // arrive as 0, each named.
    writeFile(dir + "/save.dat",
              oldRecord("kmz_sdat", {3, 120, 2147483647u, 40, 1000000, 0, -2u, 0b10}));
    savedata::write(true, "sound");
    savedata::write(33, "level_4", "submitted");
    fg::loadLegacy();
    EXPECT_FALSE(fs::exists(dir + "/save.dat"));
    ASSERT_TRUE(savedata::load());
    EXPECT_FALSE(savedata::read(true, "sound"));
    EXPECT_TRUE(savedata::read(false, "tutorial_shown"));
    EXPECT_EQ(logCount("save.dat': "), 2);
    std::vector<int> got; // each level's best and submitted score
    for (int i = 0; i < 5; ++i)
        for (const char* key : {"best", "submitted"})
            got.push_back(savedata::read(-1, ("level_" + std::to_string(i)).c_str(), key));
    EXPECT_EQ(got, (std::vector<int>{120, 1000000, 0, 0, 40, 0, -1, -1, -1, 33}));

    // Without the key the old scores could not be protected: they stay where they are, and a
    // throw's score is not signed. (A damaged key is a whole-game run's case.)
    fs::remove(keyPath);
    fg::scores::init();
    EXPECT_EQ(savedata::read(0, "level_0", "best"), 120);
    // The menu reads the bests meanwhile (leaving empty records) and a setting is saved.
    for (int level = 0; level < 5; ++level)
        EXPECT_EQ(fg::scores::readBest(level), 0);
    fg::scores::saveBest(1, 0);
    ASSERT_TRUE(savedata::save());
    evt::publish("onShutdown");
    // With the right key they move, once.
    writeFile(keyPath, key);
    fg::scores::init();
    ASSERT_TRUE(savedata::load());
    EXPECT_FALSE(savedata::keyExists("level_0", "best"));
    EXPECT_EQ(std::tuple(fg::scores::readBest(0), fg::scores::readBest(1), fg::scores::readBest(2)),
              std::tuple(120, 0, 40));
    // Once any record exists, the old group is left alone.
    savedata::write(999, "level_1", "best");
    ASSERT_TRUE(savedata::save());
    const std::string after = readFile(plist);
    evt::publish("onShutdown");
    fg::scores::init();
    EXPECT_EQ(readFile(plist), after);
    // Scores are saved at once; however often the records start, one release at shut-down.
    fg::scores::saveBest(21, 3);
    EXPECT_FALSE(savedata::modified);
    EXPECT_EQ(evt::subscriberCount("onShutdown"), 1);
}

// Writes that fail as on a full disk (a file size limit for this process, for a while). The old
// file stays whole, as it does when a save is killed half-way: a save writes a temporary file and
// renames it over the old one.
TEST_F(Save, FailedSavesKeepTheOldFilesAndTheGameGoesOn) {
    savedata::write(42, "level_1", "submitted");
    ASSERT_TRUE(savedata::save());
    // What a save killed half-way leaves (its file is only ever a temporary one) goes at the next
    // load.
    writeFile(plist + ".tmp.Ab12Cd", "<?xml");
    ASSERT_TRUE(savedata::load());
    const std::string before = readFile(plist);
    // An old save file with a best score of 9 on level 0.
    writeFile(dir + "/save.dat", std::string("kmz_sdat\x03\0\0\0\x09", 13) + std::string(27, '\0'));
    rlimit normal{}, tiny{64, 64};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &normal), 0);
    tiny.rlim_max = normal.rlim_max;
    ASSERT_NE(signal(SIGXFSZ, SIG_IGN), SIG_ERR);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &tiny), 0);
    savedata::write(43, "level_1", "submitted");
    const bool saved = savedata::save();
    const int kept = savedata::read(0, "level_1", "submitted");
    fg::loadLegacy();
    setrlimit(RLIMIT_FSIZE, &normal);
    EXPECT_FALSE(saved);
    // The new value stays in memory for the next try, and the game goes on; each failure names
    // the file and the reason.
    EXPECT_TRUE(savedata::modified);
    EXPECT_EQ(std::pair(kept, savedata::read(0, "level_0", "best")), std::pair(43, 9));
    EXPECT_EQ(logCount("Failed to save! " + plist + ": " + strerror(EFBIG)), 2);
    EXPECT_EQ(readFile(plist), before);
    EXPECT_TRUE(fs::exists(dir + "/save.dat")) << "the old file is the only copy of its scores";
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), {}), 3) << "no temporary file left";
}

} // namespace
