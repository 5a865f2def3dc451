// SPDX-License-Identifier: MIT
#include "core/file.h"

#include "core/platform.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

namespace file {

FileMgr* file_mgr = nullptr;

namespace {
bool exists(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0;
}
bool isComplete(const std::string& p) { return p.empty() || p[0] == '/' || p.find(':') != p.npos; }
} // namespace

void FileMgr::init() {
    if (file_mgr) return;
    file_mgr = new FileMgr;
    file_mgr->addPath(".");
    platformInit();
}

void FileMgr::platformInit() {
    std::string res = platform::getBasePath();
    file_mgr->addPath(res);
}

void FileMgr::addPath(const std::string& dir) {
    std::string p = dir;
    // Paths of one or two characters ("/", "./") keep their slash.
    for (size_t i = p.size(); i > 2 && (p[i - 1] == '/' || p[i - 1] == '\\'); --i)
        p.pop_back();
    if (!isComplete(p)) {
        char cwd[10000];
        if (!getcwd(cwd, sizeof cwd)) cwd[0] = '\0';
        p = std::string(cwd) + "/" + p;
    }
    m_paths.insert(p);
}

std::string FileMgr::getAbsolutePath(const std::string& name) const {
    if (name.empty()) return {};
    if (name[0] == '/' || name.find(':') != name.npos) return exists(name) ? name : std::string();
    for (const std::string& d : m_paths) {
        std::string candidate = d + "/" + name;
        if (exists(candidate)) return candidate;
    }
    return {};
}

bool FileMgr::scanDir(std::vector<std::string>& out, const std::string& dir,
                      const std::string& suffix) {
    std::string abs = getAbsolutePath(dir);
    if (abs.empty()) return false;
    DIR* d = opendir(abs.c_str());
    if (!d) return false;
    while (dirent* e = readdir(d)) {
        std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        if (!suffix.empty() &&
            (name.size() < suffix.size() ||
             name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0))
            continue;
        out.push_back(abs + "/" + name);
    }
    closedir(d);
    return true;
}

void File::setPath(const std::string& name) {
    path = file_mgr ? file_mgr->getAbsolutePath(name) : std::string();
    if (path.empty()) path = name;
}

bool File::openReadOnly() {
    file = fopen(path.c_str(), "rb");
    return file != nullptr;
}

uint64_t File::getSize() const {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) return 0;
    return static_cast<uint64_t>(st.st_size);
}

bool File::read(unsigned char* buf, int n) {
    if (!file || n < 0) return false;
    return fread(buf, 1, static_cast<size_t>(n), file) == static_cast<size_t>(n);
}

} // namespace file
