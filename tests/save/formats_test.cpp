#include "save/savedata.h"
#include "save_test_util.h"

#include <random>
#include <unistd.h>

using namespace savetest;

namespace {

// Written by Python's plistlib (FMT_BINARY) from
// {'sound': False, 'tutorial_shown': True, 'submitted': {'level_0': 12, 'level_1': -3},
//  'big': 2**40, 'level_0_best': {'value': 7, 'ts': 1700000000, 'checksum': bytes(16)},
//  'ratio': 2.75}
const unsigned char BINARY_PLIST[] = {
    0x62, 0x70, 0x6c, 0x69, 0x73, 0x74, 0x30, 0x30, 0xd6, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07,
    0x08, 0x0f, 0x10, 0x11, 0x16, 0x53, 0x62, 0x69, 0x67, 0x5c, 0x6c, 0x65, 0x76, 0x65, 0x6c, 0x5f,
    0x30, 0x5f, 0x62, 0x65, 0x73, 0x74, 0x55, 0x72, 0x61, 0x74, 0x69, 0x6f, 0x55, 0x73, 0x6f, 0x75,
    0x6e, 0x64, 0x59, 0x73, 0x75, 0x62, 0x6d, 0x69, 0x74, 0x74, 0x65, 0x64, 0x5e, 0x74, 0x75, 0x74,
    0x6f, 0x72, 0x69, 0x61, 0x6c, 0x5f, 0x73, 0x68, 0x6f, 0x77, 0x6e, 0x13, 0x00, 0x00, 0x01, 0x00,
    0x00, 0x00, 0x00, 0x00, 0xd3, 0x09, 0x0a, 0x0b, 0x0c, 0x0d, 0x0e, 0x58, 0x63, 0x68, 0x65, 0x63,
    0x6b, 0x73, 0x75, 0x6d, 0x52, 0x74, 0x73, 0x55, 0x76, 0x61, 0x6c, 0x75, 0x65, 0x4f, 0x10, 0x10,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x12, 0x65, 0x53, 0xf1, 0x00, 0x10, 0x07, 0x23, 0x40, 0x06, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x08, 0xd2, 0x12, 0x13, 0x14, 0x15, 0x57, 0x6c, 0x65, 0x76, 0x65, 0x6c, 0x5f, 0x30, 0x57, 0x6c,
    0x65, 0x76, 0x65, 0x6c, 0x5f, 0x31, 0x10, 0x0c, 0x13, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff,
    0xfd, 0x09, 0x08, 0x15, 0x19, 0x26, 0x2c, 0x32, 0x3c, 0x4b, 0x54, 0x5b, 0x64, 0x67, 0x6d, 0x80,
    0x85, 0x87, 0x90, 0x91, 0x96, 0x9e, 0xa6, 0xa8, 0xb1, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01,
    0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x17, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xb2};

// Written by hand: no declaration, CRLF and tab indentation, a comment, blank lines, spaces
// inside the tags' surroundings, a self-closing empty group.
const char HAND_XML[] = "  <plist version=\"1.0\">\r\n"
                        "<!-- kept by hand -->\r\n"
                        "\t<dict>\r\n\r\n"
                        "\t\t<key>sound</key>   <true/>\r\n"
                        "\t\t<key>tutorial_shown</key>\n<false/>\n"
                        "<key>submitted</key><dict>\n"
                        "   <key>level_2</key>\n\t<integer>  41 </integer>\n"
                        "   <key>level_4</key><integer>-17</integer>\n"
                        "</dict>\n"
                        "<key>empty</key><dict/>\n"
                        "\t</dict>\n"
                        "</plist>\n\n";

using FormatsTest = DataFolder;

TEST_F(FormatsTest, ReadsBinaryListsFromOtherWriters) {
    writeFile(plist, BINARY_PLIST, sizeof BINARY_PLIST);
    ASSERT_TRUE(savedata::load());
    EXPECT_FALSE(savedata::read(true, "sound"));
    EXPECT_TRUE(savedata::read(false, "tutorial_shown"));
    EXPECT_EQ(savedata::read(0, "level_0", "submitted"), 12);
    EXPECT_EQ(savedata::read(0, "level_1", "submitted"), -3);
    EXPECT_EQ(savedata::read(0, "value", "level_0_best"), 7);
    EXPECT_EQ(savedata::read(0, "ratio"), 2); // a real counts as a number
    std::vector<unsigned char> sum;
    savedata::read(sum, "checksum", "level_0_best");
    EXPECT_EQ(sum, std::vector<unsigned char>(16, 0));

    // Saving turns it into XML with every entry kept.
    savedata::write(13, "level_0", "submitted");
    ASSERT_TRUE(savedata::save());
    EXPECT_EQ(readFile(plist).rfind("<?xml", 0), 0u);
    ASSERT_TRUE(savedata::load());
    EXPECT_EQ(savedata::read(0, "level_0", "submitted"), 13);
    EXPECT_EQ(savedata::read(0, "level_1", "submitted"), -3);
    EXPECT_FALSE(savedata::read(true, "sound"));
    EXPECT_FALSE(exists(plist + ".unreadable"));
}

TEST_F(FormatsTest, ReadsHandWrittenXml) {
    writeFile(plist, HAND_XML);
    ASSERT_TRUE(savedata::load());
    EXPECT_TRUE(savedata::read(false, "sound"));
    EXPECT_FALSE(savedata::read(true, "tutorial_shown"));
    EXPECT_EQ(savedata::read(0, "level_2", "submitted"), 41);
    EXPECT_EQ(savedata::read(0, "level_4", "submitted"), -17);
    EXPECT_TRUE(savedata::keyExists("empty"));
    EXPECT_TRUE(logLines().empty());
}

TEST_F(FormatsTest, RepeatedKeysReadTheSameBeforeAndAfterASave) {
    // A binary list whose root holds "a" twice: 1, then 2.
    const unsigned char bin[] = {'b', 'p',  'l', 'i',  's', 't', '0', '0', 0xd2, 1, 1, 2, 3, 0x51,
                                 'a', 0x10, 1,   0x10, 2,   8,   13,  15,  17,   0, 0, 0, 0, 0,
                                 0,   1,    1,   0,    0,   0,   0,   0,   0,    0, 4, 0, 0, 0,
                                 0,   0,    0,   0,    0,   0,   0,   0,   0,    0, 0, 0, 19};
    writeFile(plist, bin, sizeof bin);
    ASSERT_TRUE(savedata::load());
    EXPECT_EQ(savedata::read(0, "a"), 2);
    savedata::deleteKey("a");
    EXPECT_FALSE(savedata::keyExists("a"));
    savedata::write(5, "b");
    ASSERT_TRUE(savedata::save());
    ASSERT_TRUE(savedata::load());
    EXPECT_FALSE(savedata::keyExists("a"));
    EXPECT_EQ(savedata::read(0, "b"), 5);
}

// A file that is there but cannot be used: the store starts empty, the game goes on, and the
// file is moved aside whole when the first save replaces it.
void expectUnreadable(const std::string& plist, const std::string& content) {
    logLines().clear();
    EXPECT_FALSE(savedata::load());
    EXPECT_FALSE(savedata::keyExists("sound"));
    EXPECT_FALSE(logLines().empty()) << "no message for an unreadable file";
    EXPECT_EQ(readFile(plist), content) << "load changed the file";
    savedata::write(true, "sound");
    ASSERT_TRUE(savedata::save());
    EXPECT_EQ(readFile(plist + ".unreadable"), content);
    ASSERT_TRUE(savedata::load());
    EXPECT_TRUE(savedata::read(false, "sound"));
    EXPECT_EQ(savedata::read(0, "x"), 0);
}

TEST_F(FormatsTest, UnusableFilesGiveAnEmptyStoreAndAreKeptAside) {
    std::mt19937 rng(1234);
    std::string garbage(3000, '\0');
    for (char& c : garbage)
        c = static_cast<char>(rng());
    const std::string cases[] = {
        garbage,
        "not a property list at all",
        "<plist version=\"1.0\"><array><integer>1</integer></array></plist>",
        "<plist version=\"1.0\"><string>text</string></plist>",
        "<plist version=\"1.0\"><integer>5</integer></plist>",
        std::string("bplist00") + garbage.substr(0, 100),
        std::string(BINARY_PLIST, BINARY_PLIST + 150), // truncated binary
        std::string(1, '\0'),
        // A key in UTF-16 ending in a zero unit: text the library cannot hold safely.
        std::string("bplist00\xd1\x01\x02\x62\x00\x61\x00\x00\x10\x01\x08\x0b\x10", 21) +
            std::string("\0\0\0\0\0\0\x01\x01\0\0\0\0\0\0\0\x03", 16) + std::string(8, '\0') +
            std::string("\0\0\0\0\0\0\0\x12", 8),
        "",
    };
    for (const std::string& c : cases) {
        SCOPED_TRACE(c.substr(0, 40));
        writeFile(plist, c);
        expectUnreadable(plist, c);
    }
}

TEST_F(FormatsTest, TruncatedFilesNeverLoadWrongValues) {
    savedata::load();
    savedata::write(true, "sound");
    savedata::write(true, "tutorial_shown");
    for (int i = 0; i < 5; ++i) {
        std::string key = "level_" + std::to_string(i);
        savedata::write(100 + i, key.c_str(), "submitted");
        savedata::write(1000 * i + 7, "value", (key + "_best").c_str());
    }
    ASSERT_TRUE(savedata::save());
    const std::string full = readFile(plist);
    const std::string closing = "</dict>\n</plist>\n";
    ASSERT_GT(full.size(), closing.size());
    for (size_t n = 0; n < full.size(); ++n) {
        SCOPED_TRACE(n);
        writeFile(plist, full.substr(0, n));
        bool loaded = savedata::load();
        // Either the file is refused, or, once only the closing tags are missing, it holds
        // exactly what was written.
        if (n < full.size() - closing.size()) {
            EXPECT_FALSE(loaded);
            EXPECT_FALSE(savedata::keyExists("sound"));
        } else if (loaded) {
            EXPECT_EQ(savedata::read(0, "level_4", "submitted"), 104);
            EXPECT_EQ(savedata::read(0, "value", "level_3_best"), 3007);
        }
    }
}

TEST_F(FormatsTest, HugeAndDeeplyNestedFilesAreRefusedWithoutCrashing) {
    // A sparse file far larger than any save file: refused from its size alone.
    {
        FILE* f = fopen(plist.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        ASSERT_EQ(ftruncate(fileno(f), 3LL << 30), 0);
        fclose(f);
        logLines().clear();
        EXPECT_FALSE(savedata::load());
        EXPECT_TRUE(loggedContaining("sensible size"));
        savedata::write(1, "x");
        ASSERT_TRUE(savedata::save());
        struct stat st {};
        ASSERT_EQ(stat((plist + ".unreadable").c_str(), &st), 0);
        EXPECT_EQ(st.st_size, 3LL << 30);
        ::remove((plist + ".unreadable").c_str());
    }
    // Nesting that would overflow the stack when parsed, written or freed.
    std::string xml = "<plist version=\"1.0\"><dict><key>a</key>";
    for (int i = 0; i < 200000; ++i)
        xml += "<array>";
    for (int i = 0; i < 200000; ++i)
        xml += "</array>";
    xml += "</dict></plist>";
    writeFile(plist, xml);
    EXPECT_FALSE(savedata::load());

    // The binary form: each array holds the next one.
    const int depth = 200000;
    std::string bin = "bplist00";
    std::vector<uint32_t> offsets;
    for (int i = 0; i < depth; ++i) {
        offsets.push_back(static_cast<uint32_t>(bin.size()));
        if (i == depth - 1) {
            bin += '\xa0';
        } else {
            bin += '\xa1';
            for (int s = 24; s >= 0; s -= 8)
                bin += static_cast<char>((i + 1) >> s);
        }
    }
    uint64_t table = bin.size();
    for (uint32_t off : offsets)
        for (int s = 24; s >= 0; s -= 8)
            bin += static_cast<char>(off >> s);
    bin += std::string(6, '\0');
    bin += '\x04';
    bin += '\x04';
    for (uint64_t v : {uint64_t(depth), uint64_t(0), table})
        for (int s = 56; s >= 0; s -= 8)
            bin += static_cast<char>(v >> s);
    writeFile(plist, bin);
    EXPECT_FALSE(savedata::load());

    // Shallow nesting of the same kind is fine.
    writeFile(plist, "<plist><dict><key>a</key><array><array><dict/></array></array>"
                     "<key>b</key><integer>3</integer></dict></plist>");
    ASSERT_TRUE(savedata::load());
    EXPECT_EQ(savedata::read(0, "b"), 3);
}

} // namespace
