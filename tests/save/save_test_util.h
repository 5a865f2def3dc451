// SPDX-License-Identifier: MIT
// Temporary data folders with a score key, file helpers and a console capture for the save
// layer's tests.
#pragma once

#include "core/evt.h"
#include "core/file.h"
#include "core/platform.h"
#include "save/savedata.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace savetest {

namespace fs = std::filesystem;

inline std::vector<std::string> log_lines;

// Lines logged since the test began that contain `part`.
inline int logCount(const std::string& part) {
    int n = 0;
    for (const std::string& line : log_lines)
        n += line.find(part) != std::string::npos;
    return n;
}

inline void writeFile(const std::string& path, const std::string& data) {
    std::ofstream(path, std::ios::binary) << data;
}

inline std::string readFile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), {}};
}

inline std::string randomBytes(size_t size, unsigned seed) {
    std::mt19937 rng(seed);
    std::string out(size, '\0');
    for (char& b : out)
        b = static_cast<char>(rng());
    return out;
}

// Every test gets its own data folder holding a random score key "obf.dat", found through the
// file manager, and a fresh, empty store.
class DataFolder : public ::testing::Test {
  protected:
    void SetUp() override {
        char tmpl[] = "/tmp/flingo-save-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir = tmpl;
        plist = dir + "/savedata.plist";
        keyPath = dir + "/obf.dat";
        writeFile(keyPath, key);
        delete file::file_mgr;
        file::file_mgr = new file::FileMgr;
        file::file_mgr->addPath(dir);
        platform::setDataPath(dir.c_str());
        log_lines.clear();
        platform::setLogHook([](const char* line) { log_lines.push_back(line); });
        savedata::load();
    }
    void TearDown() override {
        evt::publish("onShutdown"); // releases the score records' key
        platform::setLogHook(nullptr);
        fs::permissions(dir, fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(dir);
    }
    std::string dir, plist, keyPath, key = randomBytes(1024, 7);
};

} // namespace savetest
