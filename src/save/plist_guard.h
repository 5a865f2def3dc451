// libplist builds, writes and frees nested containers recursively: a file nested some tens of
// thousands of levels deep overflows the stack, and writing one a few thousand deep produces
// hundreds of megabytes. The save file is two levels deep, so anything much deeper is refused
// before it is parsed.
#pragma once

#include <cstddef>

namespace savedata {

// False when the property list in data (XML or binary) nests containers deeper than maxDepth, or
// when telling would take unreasonably long. Damage it cannot judge is left to the parser.
bool nestingWithin(const char* data, size_t size, int maxDepth);

} // namespace savedata
