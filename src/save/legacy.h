// SPDX-License-Identifier: MIT
// Import of the save file of the game's first version: "save.dat" in the data folder, a 40-byte
// record of little-endian 32-bit fields.
#pragma once

#include <cstddef>
#include <cstdint>

namespace fg {

struct SaveInfo {
    static constexpr char real_id[9] = "kmz_sdat"; // eight characters, no terminator on disk
    static constexpr int VERSION = 3;
    static constexpr size_t SIZE = 40;

    char id[8];
    int32_t version;
    int32_t best[3];
    int32_t submitted[3];
    uint32_t flags; // bit 0: sound on, bit 1: tutorial shown
};

// Decodes a record; false unless it is exactly 40 bytes with the right id and version.
bool parseLegacy(const unsigned char* data, size_t size, SaveInfo& out);

// If a valid "save.dat" is in the data folder: copies it into the store, saves, and deletes the
// old file once the save has succeeded (otherwise it stays and is imported again next time).
void loadLegacy();

} // namespace fg
