// SPDX-License-Identifier: MIT
// Finds data files named by a bare file name in an ordered set of folders.
#pragma once

#include <cstdint>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

namespace file {

class FileMgr {
  public:
    // Creates file_mgr with the working directory and the resource folder; later calls do nothing.
    static void init();
    static void platformInit();

    void addPath(const std::string& dir);
    // The full path of an existing file, or "" when no folder holds it.
    std::string getAbsolutePath(const std::string& name) const;
    // Appends the full paths of dir's entries whose names end in suffix; false if dir is missing.
    bool scanDir(std::vector<std::string>& out, const std::string& dir, const std::string& suffix);

    // The folders in search order (byte-wise order of their strings).
    const std::set<std::string>& paths() const { return m_paths; }

  private:
    std::set<std::string> m_paths;
};

extern FileMgr* file_mgr;

// A read-only file resolved through the search folders. The user fcloses `file` when done.
struct File {
    FILE* file = nullptr;
    std::string path;

    void setPath(const std::string& name);
    bool openReadOnly();
    uint64_t getSize() const;
    bool read(unsigned char* buf, int n);
};

} // namespace file
