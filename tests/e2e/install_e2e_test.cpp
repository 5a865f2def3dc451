// SPDX-License-Identifier: MIT
// The installed game: a plain `cmake --install` into a fresh prefix puts the program, its
// resources with the fonts' licences, the desktop entry, the AppStream data, the icons and the
// manual page in place, and leaves the score server to its own component; the desktop data
// passes its validators; and the installed program finds its resources from any working folder.
#include "e2e.h"

#include <filesystem>

namespace fs = std::filesystem;

TEST(Install, PutsEverythingInPlaceAndTheGameFindsItsResources) {
    const std::string prefix = testrun::tempDir() + "/usr", share = prefix + "/share/";
    testrun::Result inst =
        testrun::run({CMAKE_COMMAND_PATH, "--install", FLINGO_BUILD_DIR, "--prefix", prefix});
    ASSERT_EQ(inst.status, 0) << inst.stderr_text << inst.stdout_text;
    const std::string desktop = share + "applications/org.flingo.flingo.desktop";
    const std::string metainfo = share + "metainfo/org.flingo.flingo.metainfo.xml";
    std::vector<std::string> files = {"flingo/fawn.LICENSE", "flingo/zerothre.LICENSE",
                                      "man/man6/flingo.6",
                                      "icons/hicolor/scalable/apps/org.flingo.flingo.svg"};
    for (int size : {32, 48, 64, 128, 256, 512})
        files.push_back("icons/hicolor/" + std::to_string(size) + "x" + std::to_string(size) +
                        "/apps/org.flingo.flingo.png");
    for (const std::string& f : files)
        EXPECT_TRUE(fs::exists(share + f)) << f;
    EXPECT_FALSE(fs::exists(prefix + "/bin/flingo-scores"));
    EXPECT_EQ(testrun::readPng(share + files.back()).h, 512);
    // The program, its score module, resources, the desktop entry and the AppStream data are
    // used below. The dock matches the window (class org.flingo.flingo) to this entry and its icon.
    for (const char* line :
         {"\nExec=flingo\n", "\nIcon=org.flingo.flingo\n", "\nStartupWMClass=org.flingo.flingo\n"})
        EXPECT_NE(testrun::readFile(desktop).find(line), std::string::npos) << line;
    for (std::vector<std::string> check :
         {std::vector<std::string>{"/usr/bin/appstreamcli", "validate", "--pedantic", "--no-net",
                                   metainfo},
          {"/usr/bin/desktop-file-validate", desktop}}) {
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
    e2e::GameRun run = e2e::runGame(
        testrun::tempDir(),
        "125 press \"Scores\"\n150 key right\n151 key left\n152 key down\n153 key pad-a\n",
        {"--frames", "170", "--screenshot", "50:@s.png"}, {"-u", "FLINGO_RESOURCE_DIR"},
        prefix + "/bin/flingo");
    for (const char* trouble : {"cannot", "missing", "unavailable"})
        EXPECT_EQ(e2e::logFrame(run.trace, trouble), -1) << run.result.stderr_text;
    EXPECT_TRUE(e2e::near(testrun::readPng(run.path("s.png")).at(160, 240),
                          testrun::readPng(share + "flingo/Default.png").at(160, 240), 4));
    EXPECT_EQ(e2e::countBetween(run.trace, "onFrame", 0, 131), 30);
    EXPECT_EQ(e2e::countBetween(run.trace, "showScores", 0, 999), 1);
}
