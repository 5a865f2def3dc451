#include "testrun.h"

#include "shell/png_file.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <png.h>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace testrun {

int start(const std::vector<std::string>& argv, const std::string& stderr_path,
          const std::string& stdout_path, const std::string& cwd) {
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, stderr_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_addopen(&actions, 1, stdout_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    if (!cwd.empty()) posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());
    pid_t pid = -1;
    if (posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

int wait(int pid, int timeout) {
    if (pid <= 0) return -1;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeout);
    int status = 0;
    for (;;) {
        pid_t r = waitpid(pid, &status, WNOHANG);
        if (r == pid) break;
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return -1;
}

Result run(const std::vector<std::string>& argv, int timeout, const std::string& cwd) {
    const std::string dir = tempDir();
    Result r;
    r.status = wait(start(argv, dir + "/stderr.txt", dir + "/stdout.txt", cwd), timeout);
    r.stderr_text = readFile(dir + "/stderr.txt");
    r.stdout_text = readFile(dir + "/stdout.txt");
    return r;
}

namespace {
// The text of a JSON string starting at s[i] == '"'; i ends after the closing quote.
std::string jsonString(const std::string& s, size_t& i) {
    std::string out;
    for (++i; i < s.size() && s[i] != '"'; ++i) {
        if (s[i] != '\\' || i + 1 >= s.size()) {
            out += s[i];
            continue;
        }
        char c = s[++i];
        if (c == 'n')
            out += '\n';
        else if (c == 't')
            out += '\t';
        else if (c == 'r')
            out += '\r';
        else if (c == 'u' && i + 4 < s.size()) {
            out += static_cast<char>(std::stoi(s.substr(i + 1, 4), nullptr, 16));
            i += 4;
        } else
            out += c;
    }
    ++i;
    return out;
}
} // namespace

std::vector<TraceLine> readTrace(const std::string& path) {
    std::vector<TraceLine> out;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        TraceLine t;
        const std::string frame = "{\"frame\":";
        if (line.rfind(frame, 0) != 0) continue;
        t.frame = std::stol(line.substr(frame.size()));
        size_t i = line.find(",\"event\":");
        if (i != std::string::npos) {
            i += 9;
            t.event = jsonString(line, i);
            const std::string key = ",\"payload\":";
            if (line.compare(i, key.size(), key) == 0)
                t.payload = line.substr(i + key.size(), line.size() - i - key.size() - 1);
        } else if ((i = line.find(",\"log\":")) != std::string::npos) {
            i += 7;
            t.log = jsonString(line, i);
        }
        out.push_back(t);
    }
    return out;
}

std::vector<TraceLine> events(const std::vector<TraceLine>& trace, const std::string& name) {
    std::vector<TraceLine> out;
    for (const TraceLine& t : trace)
        if (t.event == name) out.push_back(t);
    return out;
}

int find(const std::vector<TraceLine>& trace, const std::string& name, size_t from) {
    for (size_t i = from; i < trace.size(); ++i)
        if (trace[i].event == name) return static_cast<int>(i);
    return -1;
}

bool hasLog(const std::vector<TraceLine>& trace, const std::string& part) {
    for (const TraceLine& t : trace)
        if (t.event.empty() && t.log.find(part) != std::string::npos) return true;
    return false;
}

bool waitForStep(const std::string& trace, long step, int timeout) {
    const std::string mark = "{\"frame\":" + std::to_string(step) + ",";
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeout);
    while (std::chrono::steady_clock::now() < deadline) {
        if (readFile(trace).find(mark) != std::string::npos) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

std::string tempDir() {
    const char* base = getenv("TMPDIR");
    std::string tmpl = std::string(base && *base ? base : "/tmp") + "/flingo-test-XXXXXX";
    if (!mkdtemp(tmpl.data())) return "/tmp";
    return tmpl;
}

void writeFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void writeSolidPng(const std::string& path, int w, int h, uint8_t r, uint8_t g, uint8_t b) {
    std::vector<uint8_t> rgb(static_cast<size_t>(w) * h * 3);
    for (size_t i = 0; i < rgb.size(); i += 3) {
        rgb[i] = r;
        rgb[i + 1] = g;
        rgb[i + 2] = b;
    }
    shell::writePngRgb(path, rgb.data(), w, h);
}

long pixel(const std::string& png, int x, int y) {
    shell::Image img;
    if (!shell::readPng(png, img) || x < 0 || y < 0 || x >= img.width || y >= img.height) return -1;
    const uint8_t* p = &img.rgba[(static_cast<size_t>(y) * img.width + x) * 4];
    return (long(p[0]) << 16) | (long(p[1]) << 8) | p[2];
}

bool near(long a, long b, int tol) {
    if (a < 0 || b < 0) return false;
    for (int shift = 0; shift < 24; shift += 8)
        if (std::abs(((a >> shift) & 255) - ((b >> shift) & 255)) > tol) return false;
    return true;
}

} // namespace testrun
