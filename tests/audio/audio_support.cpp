#include "audio_support.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include <sys/stat.h>

namespace testaudio {

namespace {
void put32(std::ofstream& out, uint32_t v) {
    const char b[4] = {char(v), char(v >> 8), char(v >> 16), char(v >> 24)};
    out.write(b, 4);
}
void put16(std::ofstream& out, uint16_t v) {
    const char b[2] = {char(v), char(v >> 8)};
    out.write(b, 2);
}
} // namespace

void writeWav(const std::string& path, int rate, int channels,
              const std::vector<int16_t>& samples) {
    std::ofstream out(path, std::ios::binary);
    const uint32_t data = static_cast<uint32_t>(samples.size() * 2);
    out.write("RIFF", 4);
    put32(out, 36 + data);
    out.write("WAVEfmt ", 8);
    put32(out, 16);
    put16(out, 1); // PCM
    put16(out, static_cast<uint16_t>(channels));
    put32(out, static_cast<uint32_t>(rate));
    put32(out, static_cast<uint32_t>(rate * channels * 2));
    put16(out, static_cast<uint16_t>(channels * 2));
    put16(out, 16);
    out.write("data", 4);
    put32(out, data);
    for (int16_t s : samples)
        put16(out, static_cast<uint16_t>(s));
}

void writeMarkerWav(const std::string& path, int frames, int16_t id) {
    std::vector<int16_t> samples;
    samples.reserve(frames * 2);
    for (int i = 0; i < frames; ++i) {
        samples.push_back(static_cast<int16_t>(i % MARKER_BLOCK + 1));
        samples.push_back(static_cast<int16_t>(id + i / MARKER_BLOCK));
    }
    writeWav(path, 44100, 2, samples);
}

bool run(const std::string& command) {
    return std::system(command.c_str()) == 0;
}

std::string makeTempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "flingo-audio-XXXXXX").string();
    if (!mkdtemp(pattern.data())) return {};
    return pattern;
}

void removeTree(const std::string& dir) {
    std::error_code ec;
    if (!dir.empty()) std::filesystem::remove_all(dir, ec);
}

int64_t DiskOutput::framesWritten() const {
    struct stat st {};
    if (stat(m_path.c_str(), &st) != 0) return 0;
    return st.st_size / 4;
}

std::vector<Frame> DiskOutput::read(int64_t from) const {
    std::vector<Frame> frames;
    FILE* f = fopen(m_path.c_str(), "rb");
    if (!f) return frames;
    const int64_t end = framesWritten();
    if (end > from) {
        frames.resize(end - from);
        fseek(f, static_cast<long>(from * 4), SEEK_SET);
        const size_t got = fread(frames.data(), 4, frames.size(), f);
        frames.resize(got);
    }
    fclose(f);
    return frames;
}

bool DiskOutput::waitMoreFrames(int64_t count, double timeout_s) const {
    const int64_t target = framesWritten() + count;
    return waitFor([&] { return framesWritten() >= target; }, timeout_s);
}

bool waitFor(const std::function<bool()>& done, double timeout_s) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(timeout_s);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return true;
}

int64_t firstSounding(const std::vector<Frame>& frames, int64_t from) {
    for (int64_t i = from; i < static_cast<int64_t>(frames.size()); ++i)
        if (frames[i].left != 0 || frames[i].right != 0) return i;
    return -1;
}

} // namespace testaudio
