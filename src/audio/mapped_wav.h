// SPDX-License-Identifier: MIT
// Sound effects played straight from their files: a WAV whose samples are already in the audio
// device's format is mapped into memory and handed to the mixer as it lies on disk, so that no
// decoded copy sits on the heap and only the pages that are played become resident.
#pragma once

#include <string>

struct Mix_Chunk;

namespace mapped_wav {

// A chunk over the mapped samples of `path`, or null when the file is not a plain PCM WAV in the
// open device's rate, sample format and channel count (or is cut short, or cannot be mapped): the
// caller then decodes it the usual way, which also names what is wrong with it.
Mix_Chunk* load(const std::string& path);
// Whether `chunk` came from load(); such a chunk is given back with release(), not freed.
bool isMapped(const Mix_Chunk* chunk);
// Frees the chunk and unmaps its file; no channel may be playing it.
void release(Mix_Chunk* chunk);

} // namespace mapped_wav
