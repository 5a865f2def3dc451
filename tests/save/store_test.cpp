#include "save/savedata.h"
#include "save_test_util.h"

#include <climits>

using namespace savetest;

namespace {

using StoreTest = DataFolder;

TEST_F(StoreTest, FreshInstallReadsDefaultsAndNewGroupsReachTheFile) {
    EXPECT_FALSE(savedata::load());
    EXPECT_FALSE(savedata::modified);
    EXPECT_TRUE(savedata::read(true, "sound"));
    EXPECT_FALSE(savedata::read(false, "tutorial_shown"));
    EXPECT_EQ(savedata::read(0, "level_3", "submitted"), 0);
    EXPECT_EQ(savedata::read(-9, "level_3", "submitted"), -9);

    // Reads alone change nothing on disk.
    EXPECT_TRUE(savedata::save());
    EXPECT_FALSE(exists(plist));

    savedata::write(true, "sound");
    EXPECT_TRUE(savedata::modified);
    EXPECT_TRUE(savedata::save());
    EXPECT_FALSE(savedata::modified);
    std::string text = readFile(plist);
    EXPECT_NE(text.find("<key>submitted</key>"), std::string::npos) << text;
    EXPECT_NE(text.find("<dict/>"), std::string::npos) << text;
    EXPECT_NE(text.find("<plist version=\"1.0\">"), std::string::npos) << text;
}

TEST_F(StoreTest, ValuesKeepTypeAndSignThroughSaveAndLoad) {
    savedata::load();
    savedata::write(-5, "neg", "g");
    savedata::write(INT_MIN, "min", "g");
    savedata::write(INT_MAX, "max", "g");
    savedata::write(0, "zero");
    savedata::write(true, "on");
    savedata::write(false, "off", "g");
    ASSERT_TRUE(savedata::save());
    ASSERT_TRUE(savedata::load());

    EXPECT_EQ(savedata::read(1, "neg", "g"), -5);
    EXPECT_EQ(savedata::read(1, "min", "g"), INT_MIN);
    EXPECT_EQ(savedata::read(1, "max", "g"), INT_MAX);
    EXPECT_EQ(savedata::read(1, "zero"), 0);
    // Booleans are numbers: the integer read gives 1 or 0, and numbers read as booleans.
    EXPECT_EQ(savedata::read(7, "on"), 1);
    EXPECT_EQ(savedata::read(7, "off", "g"), 0);
    EXPECT_TRUE(savedata::read(false, "neg", "g"));
    EXPECT_FALSE(savedata::read(true, "zero"));
    // A number is not a byte string: the vector stays as it was.
    std::vector<unsigned char> bytes = {1, 2, 3};
    savedata::read(bytes, "neg", "g");
    EXPECT_EQ(bytes, (std::vector<unsigned char>{1, 2, 3}));
    // Writing over a value of another type replaces it.
    savedata::write(3, "on");
    EXPECT_EQ(savedata::read(0, "on"), 3);
}

TEST_F(StoreTest, DeletedKeysLeaveTheFileAndKeyExistsSeesAnyType) {
    savedata::load();
    savedata::write(4, "level_0", "best");
    savedata::write(true, "sound");
    EXPECT_TRUE(savedata::keyExists("level_0", "best"));
    EXPECT_TRUE(savedata::keyExists("sound", ""));
    EXPECT_TRUE(savedata::keyExists("best")); // the group itself, at the root
    EXPECT_FALSE(savedata::keyExists("level_1", "best"));
    ASSERT_TRUE(savedata::save());

    savedata::deleteKey("level_0", "best");
    EXPECT_TRUE(savedata::modified);
    EXPECT_FALSE(savedata::keyExists("level_0", "best"));
    savedata::deleteKey("never_there", "best"); // harmless
    ASSERT_TRUE(savedata::save());
    ASSERT_TRUE(savedata::load());
    EXPECT_FALSE(savedata::keyExists("level_0", "best"));
    EXPECT_TRUE(savedata::keyExists("sound"));
    EXPECT_EQ(readFile(plist).find("level_0"), std::string::npos);
}

TEST_F(StoreTest, NameHoldingAValueIsNoGroup) {
    savedata::load();
    savedata::write(true, "sound");
    ASSERT_TRUE(savedata::save());
    std::string before = readFile(plist);

    logLines().clear();
    savedata::write(5, "volume", "sound");
    EXPECT_TRUE(logged("Inavlid group for save data: 'sound'. Value will not be saved."));
    EXPECT_TRUE(savedata::modified);
    EXPECT_EQ(savedata::read(8, "volume", "sound"), 8);
    EXPECT_FALSE(savedata::keyExists("volume", "sound"));
    std::vector<unsigned char> bytes = {9};
    savedata::read(bytes, "volume", "sound");
    EXPECT_EQ(bytes.size(), 1u);
    savedata::deleteKey("volume", "sound");
    EXPECT_EQ(logLines().size(), 5u); // one message per access
    // The value under that name is left as it was, and so is the file's content.
    EXPECT_TRUE(savedata::read(false, "sound"));
    ASSERT_TRUE(savedata::save());
    EXPECT_EQ(readFile(plist), before);
}

TEST_F(StoreTest, SavesOnlyWhatChanged) {
    savedata::load();
    savedata::write(1, "a");
    ASSERT_TRUE(savedata::save());
    ino_t first = inodeOf(plist);
    // Every save replaces the file, so an unchanged inode means nothing was written.
    ASSERT_TRUE(savedata::save());
    EXPECT_EQ(inodeOf(plist), first);
    savedata::read(0, "a");
    savedata::keyExists("a");
    ASSERT_TRUE(savedata::save());
    EXPECT_EQ(inodeOf(plist), first);
    savedata::write(1, "a");
    ASSERT_TRUE(savedata::save());
    EXPECT_NE(inodeOf(plist), first);
}

} // namespace
