// SPDX-License-Identifier: MIT
// Any bytes as "savedata.plist": load must not crash, and whatever it accepted must survive a
// save and a second load unchanged.
#include "core/platform.h"
#include "save/savedata.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

std::string folder() {
    static std::string dir = [] {
        // In memory: each run saves twice, and fsync on a disk would make that the whole cost.
        char tmpl[] = "/dev/shm/flingo-fuzz-load-XXXXXX";
        std::string d = mkdtemp(tmpl) ? tmpl : "/tmp";
        platform::setDataPath(d.c_str());
        platform::setLogHook([](const char*) {});
        return d;
    }();
    return dir;
}

std::string slurp(const std::string& path) {
    std::string out;
    if (FILE* f = fopen(path.c_str(), "rb")) {
        char buf[4096];
        size_t n;
        while ((n = fread(buf, 1, sizeof buf, f)) > 0)
            out.append(buf, n);
        fclose(f);
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string path = folder() + "/savedata.plist";
    unlink((path + ".unreadable").c_str());
    if (FILE* f = fopen(path.c_str(), "wb")) {
        fwrite(data, 1, size, f);
        fclose(f);
    }
    bool loaded = savedata::load();
    // Typed reads of every kind, at the root and in a group that may be anything.
    int sound = savedata::read(7, "sound");
    bool tutorial = savedata::read(false, "tutorial_shown");
    int sub = savedata::read(3, "level_0", "submitted");
    std::vector<unsigned char> sum;
    savedata::read(sum, "checksum", "level_0_best");
    savedata::write(1, "fuzz");
    if (!savedata::save()) abort();
    if (!loaded && slurp(path + ".unreadable") != std::string(data, data + size)) abort();

    if (!savedata::load()) abort();
    if (savedata::read(0, "fuzz") != 1) abort();
    if (loaded) {
        if (savedata::read(7, "sound") != sound) abort();
        if (savedata::read(false, "tutorial_shown") != tutorial) abort();
        if (savedata::read(3, "level_0", "submitted") != sub) abort();
        std::vector<unsigned char> again;
        savedata::read(again, "checksum", "level_0_best");
        if (again != sum) abort();
    }
    // Entries of kinds the game never stores (dates out of range, say) may change once on
    // their first trip through XML; after that, what is written reads back to the same file.
    savedata::write(2, "fuzz");
    if (!savedata::save() || !savedata::load()) abort();
    std::string second = slurp(path);
    savedata::write(2, "fuzz");
    if (!savedata::save() || !savedata::load()) abort();
    if (slurp(path) != second) abort();
    return 0;
}
