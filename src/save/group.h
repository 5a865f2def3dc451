// SPDX-License-Identifier: MIT
// The store's dictionaries, shared inside the save layer (the score records use them directly).
#pragma once

#include <plist/plist.h>

namespace savedata {

// The dictionary of a group: the root for a null or empty name; a new empty group when the name
// is missing; null (with a logged message) when the name holds something that is not a
// dictionary, and null before the first load.
plist_t getGroup(const char* group);

// The entry under key in group, or null.
plist_t findEntry(const char* key, const char* group);

// An integer entry as the signed 64-bit value it was written from (booleans give 1 or 0, reals
// are truncated and clamped). False when the entry is not a number.
bool numberValue(plist_t node, long long& out);

// Replaces the entry under key in group (takes ownership of node) and marks the store modified.
void setEntry(const char* key, const char* group, plist_t node);

} // namespace savedata
