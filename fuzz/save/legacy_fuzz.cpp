// SPDX-License-Identifier: MIT
// Any bytes as the old "save.dat": a record is imported and removed exactly when it is a valid
// 40-byte record, and then the store holds its fields.
#include "core/platform.h"
#include "save/legacy.h"
#include "save/savedata.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static std::string dir = [] {
        char tmpl[] = "/dev/shm/flingo-fuzz-legacy-XXXXXX";
        std::string d = mkdtemp(tmpl) ? tmpl : "/tmp";
        platform::setDataPath(d.c_str());
        return d;
    }();
    std::string saveDat = dir + "/save.dat", plist = dir + "/savedata.plist";
    unlink(plist.c_str());
    if (FILE* f = fopen(saveDat.c_str(), "wb")) {
        fwrite(data, 1, size, f);
        fclose(f);
    }
    fg::SaveInfo info{};
    bool valid = fg::parseLegacy(data, size, info);
    bool expected = size == 40 && memcmp(data, "kmz_sdat", 8) == 0 && data[8] == 3 &&
                    data[9] == 0 && data[10] == 0 && data[11] == 0;
    if (valid != expected) abort();

    savedata::load();
    fg::loadLegacy();
    struct stat st {};
    bool left = stat(saveDat.c_str(), &st) == 0;
    if (left == valid) abort();
    if (!valid) {
        if (savedata::modified || stat(plist.c_str(), &st) == 0) abort();
        return 0;
    }
    if (!savedata::load()) abort();
    if (savedata::read(false, "sound") != ((info.flags & 1) != 0)) abort();
    if (savedata::read(false, "tutorial_shown") != ((info.flags & 2) != 0)) abort();
    const char* keys[] = {"level_0", "level_1", "level_2"};
    for (int i = 0; i < 3; ++i) {
        if (savedata::read(0, keys[i], "best") != info.best[i]) abort();
        if (savedata::read(0, keys[i], "submitted") != info.submitted[i]) abort();
    }
    return 0;
}
