// SPDX-License-Identifier: MIT
#include "core/file.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string makeTemp() {
    char tmpl[] = "/tmp/flingo-file-XXXXXX";
    return mkdtemp(tmpl);
}
void touch(const std::string& path, const char* text = "x") {
    FILE* f = fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr) << path;
    fputs(text, f);
    fclose(f);
}

TEST(FileMgr, NormalisesFoldersAndSearchesInByteOrder) {
    std::string tmp = makeTemp();
    ASSERT_EQ(chdir(tmp.c_str()), 0);
    mkdir("ab", 0755);
    file::FileMgr mgr;
    for (const char* d : {"ab/", "ab", "/", "/abs//", "./", "c:\\dir\\"})
        mgr.addPath(d);
    EXPECT_EQ(mgr.paths(),
              (std::set<std::string>{tmp + "/ab", "/", "/abs", tmp + "/./", "c:\\dir"}));
    EXPECT_EQ(mgr.getAbsolutePath(""), "");
    // Through "/" the probe begins with two slashes.
    touch("ab/x.wav");
    EXPECT_EQ(mgr.getAbsolutePath(tmp.substr(1) + "/ab/x.wav"), "/" + tmp + "/ab/x.wav");

    // Registered against their byte order; "\xc3" sorts after ASCII. The first in order wins.
    std::string b = tmp + "/b", odd = tmp + "/\xc3\xa9t\xff";
    mkdir(b.c_str(), 0755);
    mkdir(odd.c_str(), 0755);
    file::FileMgr two;
    for (auto& d : {odd, b, tmp + "/ab"})
        two.addPath(d);
    for (auto& d : {b, odd, tmp + "/ab"})
        touch(d + "/In.wav");
    touch(odd + "/Only.wav");
    EXPECT_EQ(two.getAbsolutePath("In.wav"), tmp + "/ab/In.wav");
    EXPECT_EQ(two.getAbsolutePath("Only.wav"), odd + "/Only.wav");
    EXPECT_EQ(two.getAbsolutePath(b + "/In.wav"), b + "/In.wav");
    EXPECT_EQ(two.getAbsolutePath(tmp + "/missing.wav"), "");
    EXPECT_EQ(two.getAbsolutePath("missing.wav"), "");
}

TEST(FileMgr, ScanDirBySuffix) {
    std::string tmp = makeTemp(), snd = tmp + "/sounds";
    mkdir(snd.c_str(), 0755);
    mkdir((snd + "/sub").c_str(), 0755);
    for (const char* n : {"In.wav", "Out.wav", "notes.txt", "xwav"})
        touch(snd + "/" + n);
    file::FileMgr mgr;
    mgr.addPath(tmp);
    std::vector<std::string> out{"kept"};
    ASSERT_TRUE(mgr.scanDir(out, "sounds", "wav"));
    std::sort(out.begin() + 1, out.end());
    EXPECT_EQ(out,
              (std::vector<std::string>{"kept", snd + "/In.wav", snd + "/Out.wav", snd + "/xwav"}));
    std::vector<std::string> all;
    ASSERT_TRUE(mgr.scanDir(all, "sounds", ""));
    EXPECT_EQ(all.size(), 5u); // every entry but . and ..
    std::vector<std::string> none{"kept"};
    touch(tmp + "/plainfile");
    EXPECT_FALSE(mgr.scanDir(none, "nosuchdir", "wav"));
    EXPECT_FALSE(mgr.scanDir(none, "plainfile", ""));
    EXPECT_EQ(none, (std::vector<std::string>{"kept"}));
}

TEST(File, ResolvesReadsAndFails) {
    std::string tmp = makeTemp();
    ASSERT_EQ(chdir(tmp.c_str()), 0);
    mkdir("res", 0755);
    touch(tmp + "/res/obf.dat", "abcdef");
    file::file_mgr = new file::FileMgr;
    file::file_mgr->addPath(tmp + "/res");

    file::File f;
    f.setPath("obf.dat");
    EXPECT_EQ(f.path, tmp + "/res/obf.dat");
    EXPECT_EQ(f.getSize(), 6u);
    unsigned char buf[8] = {};
    EXPECT_FALSE(f.read(buf, 6)); // not open yet
    ASSERT_TRUE(f.openReadOnly());
    EXPECT_TRUE(f.read(buf, 4));
    EXPECT_FALSE(f.read(buf, 4)); // only 2 left
    fclose(f.file);

    file::File missing;
    missing.setPath("save.dat");
    EXPECT_EQ(missing.path, "save.dat");
    EXPECT_EQ(missing.getSize(), 0u);
    EXPECT_FALSE(missing.openReadOnly());
    touch(tmp + "/save.dat"); // found relative to the working directory
    EXPECT_TRUE(missing.openReadOnly());
    fclose(missing.file);
}

} // namespace
