// SPDX-License-Identifier: MIT
#include "save/savedata.h"
#include "save_test_util.h"

#include <climits>
#include <cstdint>

using namespace savetest;

namespace {

using StoreTest = DataFolder;

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

TEST_F(StoreTest, ValuesKeepTypeAndSignAndAValueIsNoGroup) {
    EXPECT_EQ(savedata::read(-9, "level_3", "submitted"), -9);
    const int ints[] = {-5, INT_MIN, INT_MAX};
    for (int v : ints)
        savedata::write(v, std::to_string(v).c_str(), "g");
    savedata::write(true, "on");
    savedata::write(false, "off", "g");
    savedata::write(4, "gone", "g");
    savedata::deleteKey("gone", "g");
    ASSERT_TRUE(savedata::save());
    EXPECT_FALSE(savedata::modified);
    ASSERT_TRUE(savedata::load());
    for (int v : ints)
        EXPECT_EQ(savedata::read(1, std::to_string(v).c_str(), "g"), v);
    EXPECT_EQ(savedata::read(7, "on"), 1);
    EXPECT_EQ(savedata::read(7, "off", "g"), 0);
    EXPECT_TRUE(savedata::read(false, "-5", "g"));
    EXPECT_FALSE(savedata::keyExists("gone", "g"));

    const std::string before = readFile(plist);
    savedata::write(5, "volume", "on");
    EXPECT_EQ(savedata::read(8, "volume", "on"), 8);
    EXPECT_EQ(logCount("Inavlid group for save data: 'on'. Value will not be saved."), 2);
    EXPECT_EQ(savedata::read(0, "on"), 1);
    ASSERT_TRUE(savedata::save());
    EXPECT_EQ(readFile(plist), before);
}

TEST_F(StoreTest, ReadsListsWrittenByOtherTools) {
    writeFile(plist, BINARY);
    ASSERT_TRUE(savedata::load());
    EXPECT_FALSE(savedata::read(true, "sound"));
    EXPECT_TRUE(savedata::read(false, "tutorial_shown"));
    std::vector<unsigned char> sum;
    savedata::read(sum, "checksum", "rec");
    EXPECT_EQ(sum.size() == 16 ? sum[15] : -1, 15);
    // Saved back as XML with every entry kept.
    savedata::write(13, "level_0", "submitted");
    ASSERT_TRUE(savedata::save() && savedata::load());
    EXPECT_EQ(readFile(plist).rfind("<?xml", 0), 0u);
    EXPECT_EQ(savedata::read(0, "level_0", "submitted"), 13);
    EXPECT_EQ(savedata::read(0, "level_1", "submitted"), -3);

    // By hand: no declaration, CRLF, tabs, a comment, blank lines, padded numbers.
    writeFile(plist, "  <plist version=\"1.0\">\r\n<!-- by hand -->\r\n\t<dict>\r\n\r\n"
                     "\t\t<key>sound</key>   <true/>\r\n<key>submitted</key><dict>\n"
                     "   <key>level_2</key>\n\t<integer>  41 </integer>\n"
                     "   <key>level_4</key><integer>-17</integer>\n</dict>\n\t</dict>\n</plist>\n");
    ASSERT_TRUE(savedata::load());
    EXPECT_TRUE(savedata::read(false, "sound"));
    EXPECT_EQ(savedata::read(0, "level_2", "submitted"), 41);
    EXPECT_EQ(savedata::read(0, "level_4", "submitted"), -17);

    // A binary list whose root holds "a" twice reads the same before and after a save.
    std::string twice("bplist00\xd2\x01\x01\x02\x03"
                      "Qa\x10\x01\x10\x02\x08\x0d\x0f\x11",
                      23);
    twice += std::string(6, '\0') + "\x01\x01";
    be(twice, 4, 8), be(twice, 0, 8), be(twice, 19, 8);
    writeFile(plist, twice);
    ASSERT_TRUE(savedata::load());
    EXPECT_EQ(savedata::read(0, "a"), 2);
    savedata::deleteKey("a");
    ASSERT_TRUE(savedata::save() && savedata::load());
    EXPECT_FALSE(savedata::keyExists("a"));
}

// A file that is there but cannot be used: the store starts empty with a message, and the file
// is kept aside whole when the first save replaces it.
TEST_F(StoreTest, UnusableFilesGiveAnEmptyStoreAndAreKeptAside) {
    const std::string garbage = randomBytes(3000, 1234);
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

} // namespace
