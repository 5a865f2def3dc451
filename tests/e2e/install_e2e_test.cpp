// SPDX-License-Identifier: MIT
// The installed game: a plain `cmake --install` into a fresh prefix puts the program, its
// resources with the fonts' licences, the desktop entry, the AppStream data, the icons and the
// manual page in place, and leaves the score server to its own component; the desktop data
// passes its validators; and the installed program finds its resources from any working folder.
#include "support/run.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace fs = std::filesystem;

TEST(Install, PutsEverythingInPlaceAndTheGameFindsItsResources) {
    const std::string prefix = testrun::tempDir() + "/usr", share = prefix + "/share/";
    testrun::Result inst =
        testrun::run({CMAKE_COMMAND_PATH, "--install", FLINGO_BUILD_DIR, "--prefix", prefix});
    ASSERT_EQ(inst.status, 0) << inst.stderr_text << inst.stdout_text;
    const std::string desktop = share + "applications/org.flingo.flingo.desktop";
    const std::string metainfo = share + "metainfo/org.flingo.flingo.metainfo.xml";
    std::vector<std::string> files = {prefix + "/bin/flingo",
                                      prefix + "/lib/flingo/flingo_online.so",
                                      share + "flingo/obf.dat",
                                      share + "flingo/fawn.LICENSE",
                                      share + "flingo/zerothre.LICENSE",
                                      share + "icons/hicolor/scalable/apps/org.flingo.flingo.svg",
                                      share + "man/man6/flingo.6",
                                      desktop,
                                      metainfo};
    for (int size : {32, 48, 64, 128, 256, 512})
        files.push_back(share + "icons/hicolor/" + std::to_string(size) + "x" +
                        std::to_string(size) + "/apps/org.flingo.flingo.png");
    for (const std::string& f : files)
        EXPECT_TRUE(fs::exists(f)) << f;
    EXPECT_FALSE(fs::exists(prefix + "/bin/flingo-scores"));
    const testrun::Png big = testrun::readPng(files.back());
    EXPECT_EQ(std::pair(big.w, big.h), std::pair(512, 512));
    // The dock matches the window (class org.flingo.flingo) to this entry and its icon.
    for (const char* line :
         {"\nExec=flingo\n", "\nIcon=org.flingo.flingo\n", "\nStartupWMClass=org.flingo.flingo\n"})
        EXPECT_NE(testrun::readFile(desktop).find(line), std::string::npos) << line;
    for (std::vector<std::string> check :
         {std::vector<std::string>{"/usr/bin/appstreamcli", "validate", "--pedantic", "--no-net",
                                   metainfo},
          {"/usr/bin/desktop-file-validate", desktop}}) {
        if (!fs::exists(check[0])) continue;
        testrun::Result r = testrun::run(check);
        EXPECT_EQ(r.status, 0) << check[0] << ": " << r.stdout_text << r.stderr_text;
        EXPECT_EQ(r.stdout_text.find("W:"), std::string::npos) << r.stdout_text;
    }
    testrun::Result server = testrun::run({CMAKE_COMMAND_PATH, "--install", FLINGO_BUILD_DIR,
                                           "--component", "server", "--prefix", prefix});
    ASSERT_EQ(server.status, 0) << server.stderr_text;
    EXPECT_TRUE(fs::exists(prefix + "/bin/flingo-scores"));

    // From the root folder, with nothing pointing at the build tree: the start-up image, and a
    // board from the score menu (the installed game opens its score module).
    const std::string dir = testrun::tempDir();
    testrun::writeFile(dir + "/s.txt", "125 press \"Scores\"\n150 key right\n151 key left\n"
                                       "152 key down\n153 key pad-a\n");
    testrun::Result run = testrun::run(
        {"/usr/bin/env", "-u", "FLINGO_RESOURCE_DIR", prefix + "/bin/flingo", "--headless",
         "--frames", "170", "--data-dir", dir + "/data", "--trace", dir + "/t.jsonl", "--script",
         dir + "/s.txt", "--screenshot", "50:" + dir + "/s.png"},
        120, "/");
    ASSERT_EQ(run.status, 0) << run.stderr_text;
    const testrun::Trace trace = testrun::readTrace(dir + "/t.jsonl");
    for (const char* trouble : {"cannot", "missing", "unavailable"})
        EXPECT_EQ(testrun::logFrame(trace, trouble), -1) << run.stderr_text;
    EXPECT_TRUE(testrun::near(testrun::pixel(dir + "/s.png", 160, 240),
                              testrun::pixel(share + "flingo/Default.png", 160, 240), 4));
    EXPECT_EQ(testrun::countBetween(trace, "onFrame", 0, 131), 30);
    EXPECT_EQ(testrun::events(trace, "showScores").size(), 1u);
}
