// SPDX-License-Identifier: MIT
// A protected integer record in the save-data store: a group holding "value", "ts" (seconds
// since 1970 when it was written) and "checksum", the MD5 of the value mixed with a window of a
// key file's bytes chosen by the time stamp. A value edited by hand no longer matches.
#pragma once

#include "core/vector.h"

#include <string>
#include <utility>
#include <vector>

namespace savedata {

class Obfuscator {
  public:
    // Loads the whole key file, found through the resource search folders (a name found in none
    // is used as it is). params = (window length, offset range).
    Obfuscator(const std::string& keyFile, const Vector2<int>& params);
    ~Obfuscator();

    // Stores value under the record `key` with the current time; marks the store modified but
    // does not save. Leaves the record alone when the key material is too short to sign it.
    void write(int value, const char* key);
    // Writes with a given time stamp (for tools and tests).
    void write(int value, const char* key, long long ts);
    // (stored value or def, whether its checksum matches).
    std::pair<int, bool> read(int def, const char* key);
    // Whether the root holds anything under `key`; a null or empty key counts as existing.
    bool keyExists(const char* key);

    // False when the key material cannot cover the window for every time stamp.
    bool usable() const;

  private:
    bool checksum(int value, long long ts, unsigned char out[16]) const;

    std::vector<unsigned char> m_key;
    int m_window;
    int m_range;
};

} // namespace savedata
