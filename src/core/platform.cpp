// SPDX-License-Identifier: MIT
#include "core/platform.h"

#include "core/clock.h"

#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

std::string base_path;
std::string data_path;
LogHook log_hook = nullptr;

std::string withSlash(std::string dir) {
    if (dir.empty() || dir.back() != '/') dir += '/';
    return dir;
}

bool isDir(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string executableDir() {
    char buf[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return "./";
    std::string exe(buf, static_cast<size_t>(n));
    return exe.substr(0, exe.rfind('/') + 1);
}

// mkdir -p; failures show later as a failed save with its own message.
void makeDirs(const std::string& path) {
    for (size_t i = 1; i <= path.size(); ++i) {
        if (i == path.size() || path[i] == '/') {
            std::string part = path.substr(0, i);
            if (mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) return;
        }
    }
}

} // namespace

double getTime() {
    return clk::seconds();
}

const char* getBasePath() {
    if (base_path.empty()) {
        if (const char* env = getenv("FLINGO_RESOURCE_DIR"); env && *env) {
            base_path = withSlash(env);
        } else {
            std::string dir = executableDir();
            base_path = isDir(dir + "resources") ? dir + "resources/" : dir + "../share/flingo/";
        }
    }
    return base_path.c_str();
}

void setBasePath(const char* dir) {
    base_path = dir && *dir ? withSlash(dir) : std::string();
}

const char* getDataPath() {
    if (data_path.empty()) {
        const char* xdg = getenv("XDG_DATA_HOME");
        const char* home = getenv("HOME");
        if (xdg && *xdg == '/')
            data_path = withSlash(xdg) + "flingo/";
        else
            data_path = withSlash(home && *home ? home : ".") + ".local/share/flingo/";
        makeDirs(data_path);
    }
    return data_path.c_str();
}

void setDataPath(const char* dir) {
    data_path = dir && *dir ? withSlash(dir) : std::string();
    if (!data_path.empty()) makeDirs(data_path);
}

unsigned char* readFile(const char* path, int& size) {
    FILE* f = fopen(path, "rb");
    if (!f) return nullptr;
    if (fseek(f, 0, SEEK_END) != 0) {
        fclose(f);
        return nullptr;
    }
    long len = ftell(f);
    if (len < 0 || len > INT_MAX || fseek(f, 0, SEEK_SET) != 0) {
        fclose(f);
        return nullptr;
    }
    size = static_cast<int>(len);
    if (len == 0) { // a directory or an empty file
        fclose(f);
        return nullptr;
    }
    auto* buf = new unsigned char[static_cast<size_t>(len)];
    if (fread(buf, static_cast<size_t>(len), 1, f) != 1) {
        delete[] buf;
        fclose(f);
        return nullptr;
    }
    fclose(f);
    return buf;
}

void log(const char* format, ...) {
    char line[1024];
    va_list args;
    va_start(args, format);
    vsnprintf(line, sizeof line, format, args);
    va_end(args);
    fprintf(stderr, "%s\n", line);
    if (log_hook) log_hook(line);
}

void setLogHook(LogHook hook) {
    log_hook = hook;
}

} // namespace platform
