// Temporary data folders, file helpers and a console capture for the save layer's tests.
#pragma once

#include "core/platform.h"
#include "save/savedata.h"

#include <cstdio>
#include <cstdlib>
#include <ftw.h>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace savetest {

inline std::vector<std::string>& logLines() {
    static std::vector<std::string> lines;
    return lines;
}
inline void captureLog(const char* line) {
    logLines().push_back(line);
}
inline bool logged(const std::string& text) {
    for (const std::string& l : logLines())
        if (l == text) return true;
    return false;
}
inline bool loggedContaining(const std::string& part) {
    for (const std::string& l : logLines())
        if (l.find(part) != std::string::npos) return true;
    return false;
}

inline std::string makeTempDir(const char* tag = "save") {
    std::string tmpl = std::string("/tmp/flingo-") + tag + "-XXXXXX";
    if (!mkdtemp(tmpl.data())) ADD_FAILURE() << "mkdtemp failed";
    return tmpl;
}

inline void removeTree(const std::string& dir) {
    nftw(
        dir.c_str(),
        [](const char* p, const struct stat*, int, struct FTW*) { return ::remove(p); }, 16,
        FTW_DEPTH | FTW_PHYS);
}

inline void writeFile(const std::string& path, const void* data, size_t size) {
    FILE* f = fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr) << path;
    if (size) {
        ASSERT_EQ(fwrite(data, 1, size, f), size);
    }
    fclose(f);
}
inline void writeFile(const std::string& path, const std::string& text) {
    writeFile(path, text.data(), text.size());
}

inline std::string readFile(const std::string& path) {
    std::string out;
    FILE* f = fopen(path.c_str(), "rb");
    if (!f) return out;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0)
        out.append(buf, n);
    fclose(f);
    return out;
}

inline bool exists(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0;
}

inline ino_t inodeOf(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}

// Every test gets its own empty data folder and a fresh, empty store.
class DataFolder : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = makeTempDir();
        platform::setDataPath(dir.c_str());
        logLines().clear();
        platform::setLogHook(captureLog);
        plist = dir + "/savedata.plist";
    }
    void TearDown() override {
        platform::setLogHook(nullptr);
        chmod(dir.c_str(), 0755);
        removeTree(dir);
    }
    std::string dir;
    std::string plist;
};

} // namespace savetest
