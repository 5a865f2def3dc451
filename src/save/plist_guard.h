// SPDX-License-Identifier: MIT
// Checks made before libplist sees a file. It builds, writes and frees nested containers
// recursively: a file nested some tens of thousands of levels deep overflows the stack, and
// writing one a few thousand deep produces hundreds of megabytes; the save file is two levels
// deep, so anything much deeper is refused. And binary UTF-16 text holding a zero unit makes
// strings whose length disagrees with their text, which trips the library's assertions.
#pragma once

#include <cstddef>

namespace savedata {

// False when the property list in data (XML or binary) nests containers deeper than maxDepth,
// holds such text, or would take unreasonably long to judge. Other damage is left to the parser.
bool safeToParse(const char* data, size_t size, int maxDepth);

} // namespace savedata
