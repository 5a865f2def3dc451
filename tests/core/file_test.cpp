// SPDX-License-Identifier: MIT
#include "core/file.h"
#include "core/platform.h"
#include "support/run.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>

using Names = std::vector<std::string>;

// Search folders are kept without trailing slashes in byte order, and the first that holds a
// name wins; a File is found through the global manager, or else relative to the working
// directory.
TEST(Files, SearchFoldersInByteOrderScansBySuffixOpenedFilesAndTheGamesFolders) {
    const std::string tmp = testrun::tempDir(), b = tmp + "/b", odd = tmp + "/\xc3\xa9t\xff";
    ASSERT_EQ(chdir(tmp.c_str()), 0);
    for (const std::string& d : {tmp + "/ab/s/sub", b, odd})
        std::filesystem::create_directories(d);
    for (const std::string& f :
         {b + "/In.wav", odd + "/In.wav", tmp + "/ab/In.wav", odd + "/Only.wav",
          tmp + "/ab/s/Out.wav", tmp + "/ab/s/xwav", tmp + "/ab/s/notes.txt", tmp + "/plain"})
        testrun::writeFile(f, "abcdef");
    file::FileMgr mgr, two;
    for (const char* d : {"ab/", "ab", "/", "/abs//", "./", "c:\\dir\\"})
        mgr.addPath(d);
    EXPECT_EQ(mgr.paths(),
              (std::set<std::string>{tmp + "/ab", "/", "/abs", tmp + "/./", "c:\\dir"}));
    for (const std::string& d : {odd, b, tmp + "/ab"})
        two.addPath(d);
    Names got;
    for (const std::string& n :
         Names{"", "In.wav", "Only.wav", b + "/In.wav", tmp + "/no.wav", "no.wav"})
        got.push_back(two.getAbsolutePath(n));
    got.push_back(mgr.getAbsolutePath(tmp.substr(1) + "/ab/In.wav")); // via "/"
    EXPECT_EQ(got, (Names{"", tmp + "/ab/In.wav", odd + "/Only.wav", b + "/In.wav", "", "",
                          "/" + tmp + "/ab/In.wav"}));
    Names out{"kept"}, all, none{"kept"};
    ASSERT_TRUE(mgr.scanDir(out, "s", "wav") && mgr.scanDir(all, "s", ""));
    std::sort(out.begin() + 1, out.end());
    EXPECT_EQ(out, (Names{"kept", tmp + "/ab/s/Out.wav", tmp + "/ab/s/xwav"}));
    EXPECT_EQ(all.size(), 4u); // every entry but . and ..
    EXPECT_FALSE(mgr.scanDir(none, "nosuchdir", "wav") || mgr.scanDir(none, "../plain", ""));
    EXPECT_EQ(none, Names{"kept"});

    file::file_mgr = &two;
    file::File f, missing;
    f.setPath("Only.wav");
    unsigned char buf[8] = {};
    EXPECT_EQ(std::tuple(f.path, f.getSize(), f.read(buf, 6)),
              std::tuple(odd + "/Only.wav", 6u, false));
    ASSERT_TRUE(f.openReadOnly());
    EXPECT_TRUE(f.read(buf, 4));
    EXPECT_FALSE(f.read(buf, 4)); // only 2 left
    fclose(f.file);
    missing.setPath("plain.dat");
    EXPECT_EQ(std::tuple(missing.path, missing.getSize(), missing.openReadOnly()),
              std::tuple("plain.dat", 0u, false));
    testrun::writeFile("plain.dat", "x");
    EXPECT_TRUE(missing.openReadOnly());
    fclose(missing.file);
    file::file_mgr = nullptr;
    // The data folder ends in a slash and is made when missing.
    platform::setDataPath((tmp + "/data/nested").c_str());
    EXPECT_EQ(std::string(platform::getDataPath()), tmp + "/data/nested/");
    EXPECT_EQ(access((tmp + "/data/nested").c_str(), W_OK), 0);
}
