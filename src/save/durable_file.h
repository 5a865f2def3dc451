// SPDX-License-Identifier: MIT
// Replacing a file so that a crash or a full disk at any moment leaves either the old or the
// new content, never a mix, a truncated or an empty file.
#pragma once

#include <cstddef>
#include <string>

namespace savedata {

// Writes data to a temporary file beside path, flushes it to disk, then renames it over path.
// With keepAside non-empty, the current file at path (if any) is first renamed to keepAside.
// False (nothing at path changed) on any failure.
bool replaceFile(const std::string& path, const char* data, size_t size,
                 const std::string& keepAside = {});

// Removes temporary files a killed process left beside path.
void removeStaleTemps(const std::string& path);

} // namespace savedata
