// SPDX-License-Identifier: MIT
// Replacing a file so that a crash or a full disk at any moment leaves either the old or the
// new content, never a mix, a truncated or an empty file.
#pragma once

#include <cstddef>
#include <string>

namespace file {

// Writes data to a temporary file beside path, flushes it to disk, then renames it over path.
// With keepAside non-empty, the current file at path (if any) is first renamed to keepAside.
// 0 when done; otherwise the errno of the step that failed, nothing at path changed and no
// temporary file left behind.
int replaceFile(const std::string& path, const char* data, size_t size,
                const std::string& keepAside = {});

// Removes temporary files a killed process left beside path.
void removeStaleTemps(const std::string& path);

} // namespace file
