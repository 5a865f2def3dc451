#include "core/platform.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>

namespace {
std::string tempDir() {
    char tmpl[] = "/tmp/flingo-core-XXXXXX";
    return mkdtemp(tmpl);
}
} // namespace

TEST(Platform, ClockStartsNearZeroInMilliseconds) {
    platform::useHostClock();
    platform::initialize();
    double t0 = platform::getTime();
    EXPECT_GE(t0, 0.0);
    EXPECT_LT(t0, 0.05);
    usleep(15000);
    double t1 = platform::getTime();
    EXPECT_GE(t1, 0.014);
    EXPECT_NEAR(std::round(t1 * 1000.0), t1 * 1000.0, 1e-6); // whole milliseconds

    platform::setVirtualTime(0.02 * 3);
    EXPECT_DOUBLE_EQ(platform::getTime(), 0.06);
    platform::setVirtualTime(0.02 * 50000);
    EXPECT_DOUBLE_EQ(platform::getTime(), 1000.0);
    // Beyond 2^32 ms (49.7 days) the clock keeps counting.
    platform::setVirtualTime(4294967.296 + 10.0);
    EXPECT_DOUBLE_EQ(platform::getTime(), 4294977.296);
    platform::useHostClock();
    EXPECT_LT(platform::getTime(), 10.0);
}

TEST(Platform, ReadFile) {
    std::string dir = tempDir();
    std::string empty = dir + "/empty", ten = dir + "/ten";
    fclose(fopen(empty.c_str(), "wb"));
    FILE* f = fopen(ten.c_str(), "wb");
    fwrite("0123456789", 1, 10, f);
    fclose(f);

    int size = -1;
    EXPECT_EQ(platform::readFile(empty.c_str(), size), nullptr);
    EXPECT_EQ(size, 0);
    size = -1;
    EXPECT_EQ(platform::readFile((dir + "/missing").c_str(), size), nullptr);
    EXPECT_EQ(size, -1);
    EXPECT_EQ(platform::readFile(dir.c_str(), size), nullptr); // a directory
    unsigned char* buf = platform::readFile(ten.c_str(), size);
    ASSERT_NE(buf, nullptr);
    EXPECT_EQ(size, 10);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buf), 10), "0123456789");
    delete[] buf;
}

TEST(Platform, FoldersEndInSlash) {
    std::string dir = tempDir();
    platform::setBasePath(dir.c_str());
    EXPECT_EQ(std::string(platform::getBasePath()), dir + "/");
    platform::setDataPath((dir + "/data/nested").c_str());
    EXPECT_EQ(std::string(platform::getDataPath()), dir + "/data/nested/");
    EXPECT_EQ(access((dir + "/data/nested").c_str(), W_OK), 0); // created
    platform::setBasePath(nullptr);
    std::string def = platform::getBasePath();
    EXPECT_EQ(def.back(), '/');
}
