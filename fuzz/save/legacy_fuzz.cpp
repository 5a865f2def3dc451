// SPDX-License-Identifier: MIT
// Any bytes as the old "save.dat": a record is imported and removed exactly when it is a valid
// 40-byte record, and then the store holds its fields (scores out of range as 0).
#include "core/platform.h"
#include "save/legacy.h"
#include "save/savedata.h"

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string dir = [] {
        char tmpl[] = "/dev/shm/flingo-fuzz-legacy-XXXXXX";
        platform::setDataPath(mkdtemp(tmpl) ? tmpl : "/tmp");
        return std::string(platform::getDataPath());
    }();
    unlink(savedata::filePath());
    std::ofstream(dir + "save.dat", std::ios::binary)
        .write(reinterpret_cast<const char*>(data), std::streamsize(size));
    fg::SaveInfo info{};
    const bool valid = fg::parseLegacy(data, size, info);
    if (valid != (size == 40 && memcmp(data, "kmz_sdat\3\0\0\0", 12) == 0)) abort();
    savedata::load();
    fg::loadLegacy();
    if ((access((dir + "save.dat").c_str(), F_OK) == 0) == valid) abort();
    if (!valid) {
        if (savedata::modified || access(savedata::filePath(), F_OK) == 0) abort();
        return 0;
    }
    // Imported and saved: what the store holds is what the next start reads (the fields
    // themselves are the unit tests' business).
    if (!savedata::load() || savedata::read(false, "sound") != ((info.flags & 1) != 0)) abort();
    return 0;
}
