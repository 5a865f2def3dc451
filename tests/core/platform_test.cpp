// SPDX-License-Identifier: MIT
#include "core/clock.h"
#include "core/platform.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>

TEST(Platform, ClockCountsWholeMillisecondsWithoutWrapping) {
    clk::restartHost();
    double t0 = platform::getTime();
    EXPECT_TRUE(t0 >= 0.0 && t0 < 0.05) << t0;
    usleep(15000);
    double t1 = platform::getTime();
    EXPECT_GE(t1, 0.014);
    EXPECT_NEAR(std::round(t1 * 1000.0), t1 * 1000.0, 1e-6);
    clk::setNs(60'000'000);
    EXPECT_DOUBLE_EQ(platform::getTime(), 0.06);
    clk::setNs(4'294'977'296'000'000); // past 2^32 ms
    EXPECT_DOUBLE_EQ(platform::getTime(), 4294977.296);
    clk::restartHost();
    EXPECT_LT(platform::getTime(), 10.0);
}

TEST(Platform, ReadFileAndFolders) {
    char tmpl[] = "/tmp/flingo-core-XXXXXX";
    std::string dir = mkdtemp(tmpl);
    fclose(fopen((dir + "/empty").c_str(), "wb"));
    FILE* f = fopen((dir + "/ten").c_str(), "wb");
    fwrite("0123456789", 1, 10, f);
    fclose(f);

    int size = -1;
    EXPECT_EQ(platform::readFile((dir + "/empty").c_str(), size), nullptr);
    EXPECT_EQ(size, 0);
    size = -1;
    EXPECT_EQ(platform::readFile((dir + "/missing").c_str(), size), nullptr);
    EXPECT_EQ(platform::readFile(dir.c_str(), size), nullptr); // a folder
    EXPECT_EQ(size, -1);
    unsigned char* buf = platform::readFile((dir + "/ten").c_str(), size);
    ASSERT_NE(buf, nullptr);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buf), size), "0123456789");
    delete[] buf;

    platform::setBasePath(dir.c_str());
    EXPECT_EQ(std::string(platform::getBasePath()), dir + "/");
    platform::setDataPath((dir + "/data/nested").c_str());
    EXPECT_EQ(std::string(platform::getDataPath()), dir + "/data/nested/");
    EXPECT_EQ(access((dir + "/data/nested").c_str(), W_OK), 0); // created
}
