// SPDX-License-Identifier: MIT
#include "save/legacy.h"

#include "core/platform.h"
#include "save/savedata.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace fg {
namespace {

int32_t le32(const unsigned char* p) {
    return static_cast<int32_t>(static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                                static_cast<uint32_t>(p[2]) << 16 |
                                static_cast<uint32_t>(p[3]) << 24);
}

} // namespace

bool parseLegacy(const unsigned char* data, size_t size, SaveInfo& out) {
    if (!data || size != SaveInfo::SIZE) return false;
    if (memcmp(data, SaveInfo::real_id, sizeof out.id) != 0) return false;
    if (le32(data + 8) != SaveInfo::VERSION) return false;
    memcpy(out.id, data, sizeof out.id);
    out.version = le32(data + 8);
    for (int i = 0; i < 3; ++i) {
        out.best[i] = le32(data + 12 + 4 * i);
        out.submitted[i] = le32(data + 24 + 4 * i);
    }
    out.flags = static_cast<uint32_t>(le32(data + 36));
    return true;
}

void loadLegacy() {
    std::string path = std::string(platform::getDataPath()) + "save.dat";
    // Only a file of the record's size is worth reading.
    struct stat st {};
    if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) ||
        st.st_size != static_cast<off_t>(SaveInfo::SIZE))
        return;
    int size = 0;
    unsigned char* bytes = platform::readFile(path.c_str(), size);
    SaveInfo info{};
    bool valid = bytes && parseLegacy(bytes, static_cast<size_t>(size), info);
    delete[] bytes;
    if (!valid) return;

    savedata::write((info.flags & 1u) != 0, "sound");
    savedata::write((info.flags & 2u) != 0, "tutorial_shown");
    char key[16];
    for (int i = 0; i < 3; ++i) {
        snprintf(key, sizeof key, "level_%i", i);
        savedata::write(static_cast<int>(info.best[i]), key, "best");
        savedata::write(static_cast<int>(info.submitted[i]), key, "submitted");
    }
    // The old file is the only other copy of these scores until the new one is on disk.
    if (!savedata::save()) return;
    if (unlink(path.c_str()) != 0)
        platform::log("Could not remove the imported '%s'; it will be imported again.",
                      path.c_str());
}

} // namespace fg
