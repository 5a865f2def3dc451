// SPDX-License-Identifier: MIT
// Any bytes as "savedata.plist": load must not crash, and whatever it accepted must survive a
// save and a second load unchanged.
#include "core/platform.h"
#include "save/savedata.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <tuple>
#include <unistd.h>
#include <vector>

static std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = [] {
        // In memory: each run saves twice, and fsync on a disk would make that the whole cost.
        char tmpl[] = "/dev/shm/flingo-fuzz-load-XXXXXX";
        platform::setDataPath(mkdtemp(tmpl) ? tmpl : "/tmp");
        platform::setLogHook([](const char*) {});
        return std::string(savedata::filePath());
    }();
    const std::string bytes(data, data + size);
    unlink((path + ".unreadable").c_str());
    std::ofstream(path, std::ios::binary) << bytes;
    const bool loaded = savedata::load();
    // Typed reads of every kind, at the root and in a group that may be anything.
    const auto reads = [] {
        std::vector<unsigned char> sum;
        savedata::read(sum, "checksum", "level_0_best");
        return std::tuple(savedata::read(7, "sound"), savedata::read(false, "tutorial_shown"),
                          savedata::read(3, "level_0", "submitted"), sum);
    };
    const auto before = reads();
    savedata::write(1, "fuzz");
    if (!savedata::save()) abort();
    if (!loaded && slurp(path + ".unreadable") != bytes) abort();
    if (!savedata::load() || savedata::read(0, "fuzz") != 1) abort();
    if (loaded && reads() != before) abort();
    // Entries of kinds the game never stores (dates out of range, say) may change once on
    // their first trip through XML; after that, what is written reads back to the same file.
    std::string second;
    for (int round = 0; round < 2; ++round) {
        savedata::write(2, "fuzz");
        if (!savedata::save() || !savedata::load()) abort();
        if (round == 1 && slurp(path) != second) abort();
        second = slurp(path);
    }
    return 0;
}
