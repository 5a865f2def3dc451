// The installed game: `cmake --install` (component "flingo") into a fresh prefix puts the program,
// its resources, the desktop entry, the AppStream data and the icon in place, and the installed
// program finds its resources from any working folder.
#include "testrun.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>

namespace fs = std::filesystem;

TEST(Install, PutsEverythingInPlaceAndTheGameFindsItsResources) {
    const std::string prefix = testrun::tempDir() + "/usr";
    testrun::Result inst = testrun::run({CMAKE_COMMAND_PATH, "--install", FLINGO_BUILD_DIR,
                                         "--component", "flingo", "--prefix", prefix});
    ASSERT_EQ(inst.status, 0) << inst.stderr_text << inst.stdout_text;
    for (const char* f : {"bin/flingo", "share/flingo/Default.png", "share/flingo/obf.dat",
                          "share/applications/org.flingo.Flingo.desktop",
                          "share/metainfo/org.flingo.Flingo.metainfo.xml",
                          "share/icons/hicolor/scalable/apps/org.flingo.Flingo.svg"})
        EXPECT_TRUE(fs::exists(prefix + "/" + f)) << f;
    const std::string desktop =
        testrun::readFile(prefix + "/share/applications/org.flingo.Flingo.desktop");
    EXPECT_NE(desktop.find("\nExec=flingo\n"), std::string::npos);
    // The dock matches the window (class org.flingo.Flingo) to this entry and its icon.
    EXPECT_NE(desktop.find("\nIcon=org.flingo.Flingo\n"), std::string::npos);
    EXPECT_NE(desktop.find("\nStartupWMClass=org.flingo.Flingo\n"), std::string::npos);
    if (fs::exists("/usr/bin/appstreamcli")) {
        testrun::Result check =
            testrun::run({"/usr/bin/appstreamcli", "validate", "--no-net",
                          prefix + "/share/metainfo/org.flingo.Flingo.metainfo.xml"});
        EXPECT_EQ(check.status, 0) << check.stdout_text << check.stderr_text;
    }

    // From the root folder, with nothing pointing at the build tree.
    const char* saved = getenv("FLINGO_RESOURCE_DIR");
    const std::string keep = saved ? saved : "";
    unsetenv("FLINGO_RESOURCE_DIR");
    const std::string dir = testrun::tempDir();
    testrun::Result run = testrun::run({prefix + "/bin/flingo", "--headless", "--frames", "130",
                                        "--data-dir", dir + "/data", "--trace", dir + "/t.jsonl",
                                        "--screenshot", "50:" + dir + "/s.png"},
                                       120, "/");
    if (saved) setenv("FLINGO_RESOURCE_DIR", keep.c_str(), 1);
    ASSERT_EQ(run.status, 0) << run.stderr_text;
    std::vector<testrun::TraceLine> trace = testrun::readTrace(dir + "/t.jsonl");
    EXPECT_FALSE(testrun::hasLog(trace, "cannot")) << run.stderr_text;
    EXPECT_FALSE(testrun::hasLog(trace, "missing")) << run.stderr_text;
    EXPECT_TRUE(testrun::near(testrun::pixel(dir + "/s.png", 160, 240),
                              testrun::pixel(prefix + "/share/flingo/Default.png", 160, 240), 4));
    EXPECT_EQ(testrun::events(trace, "onFrame").size(), 30u);
}
