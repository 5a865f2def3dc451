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
std::string cwd() {
    char buf[4096];
    return getcwd(buf, sizeof buf);
}

TEST(FileMgr, NormalisesAndKeepsOneEntryPerFolder) {
    std::string tmp = makeTemp();
    ASSERT_EQ(chdir(tmp.c_str()), 0);
    mkdir("sounds", 0755);
    file::FileMgr mgr;
    mgr.addPath("sounds/");
    mgr.addPath("sounds");
    mgr.addPath("/");
    mgr.addPath("/abs//");
    mgr.addPath("./");
    mgr.addPath("c:\\dir\\");
    std::set<std::string> want = {cwd() + "/sounds", "/", "/abs", cwd() + "/./", "c:\\dir"};
    EXPECT_EQ(mgr.paths(), want);

    touch("sounds/Crumple.wav");
    EXPECT_EQ(mgr.getAbsolutePath("Crumple.wav"), cwd() + "/sounds/Crumple.wav");
    EXPECT_EQ(mgr.getAbsolutePath(""), "");
    // Through "/" the probe starts with two slashes.
    EXPECT_EQ(mgr.getAbsolutePath(tmp.substr(1) + "/sounds/Crumple.wav"),
              "/" + tmp + "/sounds/Crumple.wav");
}

TEST(FileMgr, FirstFolderByteOrderWinsAndAbsoluteNamesSkipSearch) {
    std::string tmp = makeTemp();
    // Registered in the opposite order to their byte order; "\xc3" sorts after ASCII.
    std::string a = tmp + "/a", b = tmp + "/b", odd = tmp + "/\xc3\xa9t\xff";
    for (auto& d : {a, b, odd})
        mkdir(d.c_str(), 0755);
    touch(b + "/In.wav");
    touch(a + "/In.wav");
    touch(odd + "/In.wav");
    touch(odd + "/Only.wav");
    file::FileMgr mgr;
    mgr.addPath(odd);
    mgr.addPath(b);
    mgr.addPath(a);
    EXPECT_EQ(mgr.getAbsolutePath("In.wav"), a + "/In.wav");
    EXPECT_EQ(mgr.getAbsolutePath("Only.wav"), odd + "/Only.wav");
    EXPECT_EQ(mgr.getAbsolutePath(b + "/In.wav"), b + "/In.wav");
    EXPECT_EQ(mgr.getAbsolutePath(tmp + "/missing.wav"), "");
    EXPECT_EQ(mgr.getAbsolutePath("missing.wav"), "");
}

TEST(FileMgr, ScanDirBySuffix) {
    std::string tmp = makeTemp();
    std::string snd = tmp + "/sounds";
    mkdir(snd.c_str(), 0755);
    touch(snd + "/In.wav");
    touch(snd + "/Out.wav");
    touch(snd + "/notes.txt");
    touch(snd + "/xwav"); // the suffix has no implied dot
    mkdir((snd + "/sub").c_str(), 0755);
    file::FileMgr mgr;
    mgr.addPath(tmp);

    std::vector<std::string> out{"kept"};
    ASSERT_TRUE(mgr.scanDir(out, "sounds", "wav"));
    std::sort(out.begin() + 1, out.end());
    EXPECT_EQ(out, (std::vector<std::string>{"kept", snd + "/In.wav", snd + "/Out.wav",
                                             snd + "/xwav"}));

    std::vector<std::string> all;
    ASSERT_TRUE(mgr.scanDir(all, "sounds", ""));
    EXPECT_EQ(all.size(), 5u);

    std::vector<std::string> none{"kept"};
    EXPECT_FALSE(mgr.scanDir(none, "nosuchdir", "wav"));
    EXPECT_EQ(none, (std::vector<std::string>{"kept"}));
    touch(tmp + "/plainfile");
    EXPECT_FALSE(mgr.scanDir(none, "plainfile", ""));
    EXPECT_EQ(none.size(), 1u);
}

TEST(File, ResolvesReadsAndFails) {
    std::string tmp = makeTemp();
    ASSERT_EQ(chdir(tmp.c_str()), 0);
    std::string res = tmp + "/res";
    mkdir(res.c_str(), 0755);
    touch(res + "/obf.dat", "abcdef");
    file::file_mgr = new file::FileMgr;
    file::file_mgr->addPath(res);

    file::File f;
    f.setPath("obf.dat");
    EXPECT_EQ(f.path, res + "/obf.dat");
    EXPECT_EQ(f.getSize(), 6u);
    unsigned char buf[8] = {};
    EXPECT_FALSE(f.read(buf, 6)); // not open yet
    ASSERT_TRUE(f.openReadOnly());
    EXPECT_TRUE(f.read(buf, 4));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buf), 4), "abcd");
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
