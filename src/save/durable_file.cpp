// SPDX-License-Identifier: MIT
#include "save/durable_file.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace savedata {
namespace {

const char TEMP_MARK[] = ".tmp.";

std::string folderOf(const std::string& path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool writeAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

// A rename is only durable once the folder's entry list is on disk too.
void syncFolder(const std::string& folder) {
    int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    fsync(fd);
    close(fd);
}

} // namespace

bool replaceFile(const std::string& path, const char* data, size_t size,
                 const std::string& keepAside) {
    std::string tmp = path + TEMP_MARK + "XXXXXX";
    int fd = mkstemp(tmp.data());
    if (fd < 0) return false;
    // mkstemp makes the file private; the save file is an ordinary user file.
    fchmod(fd, 0644);
    bool ok = writeAll(fd, data, size) && fsync(fd) == 0;
    if (close(fd) != 0) ok = false;
    bool moved_aside = false;
    if (ok && !keepAside.empty()) {
        moved_aside = rename(path.c_str(), keepAside.c_str()) == 0;
        if (!moved_aside && errno != ENOENT) ok = false;
    }
    if (ok && rename(tmp.c_str(), path.c_str()) != 0) {
        ok = false;
        if (moved_aside) rename(keepAside.c_str(), path.c_str());
    }
    if (!ok) {
        unlink(tmp.c_str());
        return false;
    }
    syncFolder(folderOf(path));
    return true;
}

void removeStaleTemps(const std::string& path) {
    std::string folder = folderOf(path);
    std::string prefix = path.substr(path.rfind('/') + 1) + TEMP_MARK;
    DIR* d = opendir(folder.c_str());
    if (!d) return;
    while (dirent* e = readdir(d)) {
        if (strncmp(e->d_name, prefix.c_str(), prefix.size()) == 0 &&
            strlen(e->d_name) == prefix.size() + 6)
            unlink((folder + "/" + e->d_name).c_str());
    }
    closedir(d);
}

} // namespace savedata
