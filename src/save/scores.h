// SPDX-License-Identifier: MIT
// Best scores (protected records "level_%i_best") and the scores last sent to the online board
// (group "submitted", key "level_%i"), levels 0 to 4.
#pragma once

#include "save/obfuscator.h"

namespace fg::scores {

// Loads the key file "obf.dat" once (released on onShutdown) and moves best scores of the
// older unprotected group "best" into protected records, once. Call after savedata::load and
// fg::loadLegacy. A key file whose SHA-256 is not keyDigest (by default the one this build
// installs) counts as missing: best scores read as 0 and none is stored or moved.
void init(const savedata::KeyDigest& keyDigest = savedata::build_key_digest);

// The level's best score, or 0 when it is missing or fails its checksum.
int readBest(int level);
// Stores the best score and saves the file.
void saveBest(int score, int level);

int readSubmitted(int level);
void saveSubmitted(int score, int level);

} // namespace fg::scores
