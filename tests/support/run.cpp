// SPDX-License-Identifier: MIT
#include "support/run.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <png.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>

extern char** environ;

namespace testrun {

namespace {
// Folders made for runs are removed when the test program ends.
struct MadeFolders {
    std::vector<std::string> paths;
    ~MadeFolders() {
        std::error_code ignored;
        for (const std::string& p : paths)
            if (!getenv("FLINGO_KEEP_TEST_DIRS")) std::filesystem::remove_all(p, ignored);
    }
} made_folders;
} // namespace

std::string tempDir() {
    std::string tmpl = std::filesystem::temp_directory_path() / "flingo-test-XXXXXX";
    if (!mkdtemp(tmpl.data())) return "/tmp";
    made_folders.paths.push_back(tmpl);
    return tmpl;
}

void writeFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

long Png::at(int x, int y) const {
    if (x < 0 || y < 0 || x >= w || y >= h) return -1;
    const uint8_t* p = &rgb[(static_cast<size_t>(y) * w + x) * 3];
    return (long(p[0]) << 16) | (long(p[1]) << 8) | p[2];
}

Png readPng(const std::string& path) {
    png_image img{};
    img.version = PNG_IMAGE_VERSION;
    Png out;
    if (!png_image_begin_read_from_file(&img, path.c_str())) return out;
    img.format = PNG_FORMAT_RGB;
    out.rgb.resize(PNG_IMAGE_SIZE(img));
    if (!png_image_finish_read(&img, nullptr, out.rgb.data(), 0, nullptr)) return Png{};
    out.w = static_cast<int>(img.width), out.h = static_cast<int>(img.height);
    return out;
}

std::string solidPng(int w, int h, uint32_t rgb) {
    std::vector<uint8_t> px;
    for (int i = 0; i < w * h; ++i)
        px.insert(px.end(), {uint8_t(rgb >> 16), uint8_t(rgb >> 8), uint8_t(rgb)});
    png_image img{};
    img.version = PNG_IMAGE_VERSION;
    img.width = static_cast<png_uint_32>(w), img.height = static_cast<png_uint_32>(h);
    img.format = PNG_FORMAT_RGB;
    png_alloc_size_t n = px.size() * 2 + 1024; // more than the pixels stored uncompressed take
    std::string out(n, '\0');
    if (!png_image_write_to_memory(&img, out.data(), &n, 0, px.data(), 0, nullptr)) n = 0;
    out.resize(n);
    return out;
}

int start(const std::vector<std::string>& argv, const std::string& stderr_path,
          const std::string& stdout_path, const std::string& cwd) {
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    const int flags = O_WRONLY | O_CREAT | O_TRUNC;
    if (!stderr_path.empty())
        posix_spawn_file_actions_addopen(&fa, 2, stderr_path.c_str(), flags, 0644);
    posix_spawn_file_actions_addopen(&fa, 1, stdout_path.c_str(), flags, 0644);
    if (!cwd.empty()) posix_spawn_file_actions_addchdir_np(&fa, cwd.c_str());
    pid_t pid = -1;
    if (posix_spawn(&pid, args[0], &fa, nullptr, args.data(), environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&fa);
    return pid;
}

int wait(int pid, int timeout) {
    // Naps of 5 ms are counted rather than the clock read: `timeout` seconds or more.
    int status = 0;
    for (long naps = 0; pid > 0 && waitpid(pid, &status, WNOHANG) == 0; ++naps) {
        if (naps == timeout * 200L) kill(pid, SIGKILL); // reaped on a later turn
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : -1;
}

Result run(const std::vector<std::string>& argv, int timeout, const std::string& cwd) {
    const std::string dir = tempDir();
    const int status = wait(start(argv, dir + "/stderr.txt", dir + "/stdout.txt", cwd), timeout);
    return {status, readFile(dir + "/stderr.txt"), readFile(dir + "/stdout.txt")};
}

} // namespace testrun
