// SPDX-License-Identifier: MIT
// Sound figures: how soon an effect asked for on the bus sounds, how much memory the game's decoded
// sounds take, and what a play allocates once its pool is warm.
//   FLINGO_RESOURCE_DIR=<build>/resources bench/audio/bench_audio
#include "alloc_counter.h"
#include "audio/app_sound.h"
#include "audio/mixer.h"
#include "audio/sound.h"
#include "audio/sound_effect.h"
#include "core/evt.h"
#include "core/file.h"
#include "core/platform.h"

#include <SDL_mixer.h>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

fs::path workDir() {
    static fs::path dir = [] {
        fs::path d = fs::temp_directory_path() / ("flingo-audio-bench-" + std::to_string(getpid()));
        fs::create_directories(d / "res" / "sounds");
        return d;
    }();
    return dir;
}

// 50 ms of a constant level, loud from its first sample.
void writeTick(const fs::path& path) {
    const uint32_t frames = 2205, bytes = frames * 4;
    std::ofstream out(path, std::ios::binary);
    auto put = [&](uint32_t v, int n) {
        for (int i = 0; i < n; ++i)
            out.put(static_cast<char>(v >> (8 * i)));
    };
    out.write("RIFF", 4);
    put(36 + bytes, 4);
    out.write("WAVEfmt ", 8);
    put(16, 4), put(1, 2), put(2, 2), put(44100, 4), put(44100 * 4, 4), put(4, 2), put(16, 2);
    out.write("data", 4);
    put(bytes, 4);
    for (uint32_t i = 0; i < frames * 2; ++i)
        put(8000, 2);
}

// Reopens the mixer on the disk driver; `realtime` paces it like a device.
void openDisk(bool realtime) {
    sound::closeAudio();
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", (workDir() / "out.raw").c_str(), 1);
    if (realtime)
        unsetenv("SDL_DISKAUDIODELAY");
    else
        setenv("SDL_DISKAUDIODELAY", "0", 1);
    sound::SoundMgr::init();
    mixer::open();
}

sound::AppSound& app() {
    static sound::AppSound* a = [] {
        writeTick(workDir() / "res" / "sounds" / "Tick.wav");
        platform::setBasePath((workDir() / "res").c_str());
        auto* s = new sound::AppSound;
        return s;
    }();
    return *a;
}

// The first buffer the mixer hands to the driver with sound in it, seen from its post-mix hook.
std::atomic<bool> armed{false};
std::atomic<int64_t> heard_ns{0};
void SDLCALL postMix(void*, Uint8* stream, int len) {
    if (!armed.load(std::memory_order_acquire)) return;
    for (int i = 0; i < len; ++i) {
        if (stream[i]) {
            heard_ns.store(Clock::now().time_since_epoch().count(), std::memory_order_release);
            armed.store(false, std::memory_order_release);
            return;
        }
    }
}

int64_t fileFrames() {
    std::error_code ec;
    auto size = fs::file_size(workDir() / "out.raw", ec);
    return ec ? 0 : static_cast<int64_t>(size / 4);
}

// Whether any frame from `from` on sounds.
bool soundsSince(int64_t from) {
    FILE* f = fopen((workDir() / "out.raw").c_str(), "rb");
    if (!f) return false;
    fseek(f, static_cast<long>(from * 4), SEEK_SET);
    int16_t buf[4096];
    bool found = false;
    size_t n;
    while (!found && (n = fread(buf, 2, 4096, f)) > 0)
        found = std::any_of(buf, buf + n, [](int16_t s) { return s != 0; });
    fclose(f);
    return found;
}

// From "flingoPlaySound" to the first buffer with the effect in it (mixed and handed to the
// driver), with a 512-frame buffer on a device paced in real time. Also the time until those
// samples are in the disk driver's file, which adds the driver's own stdio buffering.
void BM_PlayLatency(benchmark::State& state) {
    openDisk(true);
    sound::AppSound& a = app();
    a.setupAudio();
    evt::publish("setSound", true);
    Mix_SetPostMix(&postMix, nullptr);
    sound::SoundEffect* fx = sound::getSoundEffect("Tick.wav", false);
    std::vector<double> mixed_ms, file_ms;
    for (auto _ : state) {
        // Start from quiet: the last tick over and its buffers out.
        while (std::any_of(fx->players().begin(), fx->players().end(),
                           [&](int p) { return fx->isPlaying(p); }))
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        std::this_thread::sleep_for(std::chrono::milliseconds(60 + (state.iterations() % 7)));
        const int64_t from = fileFrames();
        armed.store(true);
        const auto t0 = Clock::now();
        evt::publish("flingoPlaySound", "Tick.wav");
        while (armed.load(std::memory_order_acquire))
            std::this_thread::sleep_for(std::chrono::microseconds(50));
        const auto heard = Clock::time_point(Clock::duration(heard_ns.load()));
        while (!soundsSince(from))
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        const auto in_file = Clock::now();
        const double ms = std::chrono::duration<double, std::milli>(heard - t0).count();
        mixed_ms.push_back(ms);
        file_ms.push_back(std::chrono::duration<double, std::milli>(in_file - t0).count());
        state.SetIterationTime(ms / 1000.0);
    }
    Mix_SetPostMix(nullptr, nullptr);
    std::sort(mixed_ms.begin(), mixed_ms.end());
    std::sort(file_ms.begin(), file_ms.end());
    state.counters["mixed_max_ms"] = mixed_ms.back();
    state.counters["mixed_median_ms"] = mixed_ms[mixed_ms.size() / 2];
    state.counters["in_file_median_ms"] = file_ms[file_ms.size() / 2];
    state.counters["in_file_max_ms"] = file_ms.back();
    sound::closeAudio();
}
BENCHMARK(BM_PlayLatency)->UseManualTime()->Iterations(40)->Unit(benchmark::kMillisecond);

// Allocations on the calling thread for "flingoPlaySound" once the pool has all the players it
// needs: eight overlapping plays make the players, then each play finds one idle (the game plays
// a few effects a second; here the mixer runs unpaced and frees them within a millisecond).
void BM_PlayAllocations(benchmark::State& state) {
    openDisk(false);
    sound::AppSound& a = app();
    a.setupAudio();
    evt::publish("setSound", true);
    sound::SoundEffect* fx = sound::getSoundEffect("Tick.wav", false);
    for (int i = 0; i < 8; ++i)
        evt::publish("flingoPlaySound", "Tick.wav");
    const size_t players = fx->players().size();
    auto idle = [&] {
        return std::any_of(fx->players().begin(), fx->players().end(),
                           [&](int p) { return !fx->isPlaying(p); });
    };
    uint64_t allocations = 0;
    for (auto _ : state) {
        while (!idle())
            std::this_thread::yield();
        const uint64_t before = bench::allocations();
        evt::publish("flingoPlaySound", "Tick.wav");
        allocations += bench::allocations() - before;
    }
    state.counters["allocs_per_play"] = static_cast<double>(allocations) / state.iterations();
    state.counters["players"] = static_cast<double>(fx->players().size());
    state.counters["players_grown"] = static_cast<double>(fx->players().size() - players);
    sound::closeAudio();
}
BENCHMARK(BM_PlayAllocations);

// Every sound of the game decoded as the game holds it once every screen has been opened:
// effects decoded whole, tracks streamed (nothing held decoded).
void BM_DecodedSounds(benchmark::State& state) {
    const char* res = getenv("FLINGO_RESOURCE_DIR");
    const fs::path sounds = fs::path(res ? res : FLINGO_DEFAULT_RESOURCES) / "sounds";
    if (!fs::is_directory(sounds)) {
        state.SkipWithError(("no sounds in " + sounds.string()).c_str());
        return;
    }
    openDisk(false);
    int files = 0;
    for (auto _ : state) {
        files = 0;
        double effects = 0, tracks = 0, largest_track = 0;
        for (const auto& e : fs::directory_iterator(sounds)) {
            const bool track = e.path().extension() == ".mp3";
            if (!track && e.path().extension() != ".wav") continue;
            sound::SoundEffect* fx = sound::getSoundEffect(e.path().string(), track);
            if (!fx) continue;
            if (track) fx->setStreamed(); // as the background track plays: streamed
            fx->prepare();
            const double mb = static_cast<double>(fx->decodedBytes()) / 1e6;
            (track ? tracks : effects) += mb;
            if (track) largest_track = std::max(largest_track, mb);
            ++files;
        }
        state.counters["decoded_MB"] = static_cast<double>(sound::decodedBytes()) / 1e6;
        state.counters["effects_MB"] = effects;
        state.counters["tracks_MB"] = tracks;
        // The game holds the effects asked for so far and streams its one track.
        state.counters["in_game_MB"] = effects + largest_track;
        state.counters["files"] = files;
        state.PauseTiming();
        sound::closeAudio();
        openDisk(false);
        state.ResumeTiming();
    }
    sound::closeAudio();
}
BENCHMARK(BM_DecodedSounds)->Iterations(3)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    fs::remove_all(workDir());
    return 0;
}
