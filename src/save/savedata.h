// SPDX-License-Identifier: MIT
// The save-data store: every setting and score of the game in one property-list file,
// "savedata.plist" in the player's data folder. The whole file lives in memory as one root
// dictionary; entries are addressed by a key inside a group (a dictionary at the root), and a
// null or empty group name addresses the root itself. Main thread only.
#pragma once

#include <vector>

namespace savedata {

// Set by every write, cleared by load and by a successful save.
extern bool modified;

// Reads the file into a new root dictionary (XML or binary property list). True when the file
// was read and its root is a dictionary; otherwise the store starts empty, and a file that was
// there but unreadable is kept beside it as "savedata.plist.unreadable" when the next save
// replaces it.
bool load();

// Writes the store as an XML property list when something changed. The new content goes to a
// temporary file in the same folder, is flushed to disk and renamed over the old file, so the
// file on disk is always either the old or the new content. Logs "Failed to save!" on failure
// and keeps `modified` set so that the next save tries again. True when the file on disk now
// holds the store (also when there was nothing to write).
bool save();

// Typed reads with a default: the integer and boolean reads accept any number (a boolean reads
// as 1 or 0); the byte read leaves `out` alone unless the entry is a byte string.
int read(int def, const char* key, const char* group = nullptr);
bool read(bool def, const char* key, const char* group = nullptr);
void read(std::vector<unsigned char>& out, const char* key, const char* group = nullptr);

void write(int value, const char* key, const char* group = nullptr);
void write(bool value, const char* key, const char* group = nullptr);

bool keyExists(const char* key, const char* group = nullptr);
void deleteKey(const char* key, const char* group = nullptr);

// The full path of the save file (the data folder followed by "savedata.plist").
const char* filePath();

} // namespace savedata
