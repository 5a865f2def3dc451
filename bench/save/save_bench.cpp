// SPDX-License-Identifier: MIT
// Loading and saving a store that holds every key of the game, and how many files one new best
// score writes (counted by the kernel through inotify, not by the code under test).
#include "core/evt.h"
#include "core/file.h"
#include "core/platform.h"
#include "save/savedata.h"
#include "save/scores.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <poll.h>
#include <random>
#include <string>
#include <sys/inotify.h>
#include <unistd.h>

namespace {

const std::string& folder() {
    static std::string dir = [] {
        char tmpl[] = "/tmp/flingo-bench-save-XXXXXX";
        std::string d = mkdtemp(tmpl);
        platform::setDataPath(d.c_str());
        std::mt19937 rng(1);
        std::string key(1024, '\0');
        for (char& c : key)
            c = static_cast<char>(rng());
        FILE* f = fopen((d + "/obf.dat").c_str(), "wb");
        fwrite(key.data(), 1, key.size(), f);
        fclose(f);
        file::file_mgr = new file::FileMgr;
        file::file_mgr->addPath(d);

        // Every key the game keeps.
        savedata::load();
        fg::scores::init();
        savedata::write(true, "sound");
        savedata::write(true, "tutorial_shown");
        for (int level = 0; level < 5; ++level) {
            fg::scores::saveBest(40 + level, level);
            fg::scores::saveSubmitted(30 + level, level);
        }
        std::atexit([] {
            std::string d = platform::getDataPath();
            for (const char* name : {"obf.dat", "savedata.plist"})
                unlink((d + name).c_str());
            rmdir(d.c_str());
        });
        return d;
    }();
    return dir;
}

void BM_Load(benchmark::State& state) {
    folder();
    for (auto _ : state)
        benchmark::DoNotOptimize(savedata::load());
    if (fg::scores::readBest(4) != 44) state.SkipWithError("store lost a best score");
}
BENCHMARK(BM_Load)->Unit(benchmark::kMicrosecond);

// A changed store written through the temporary file, fsync and rename.
void BM_Save(benchmark::State& state) {
    folder();
    savedata::load();
    bool on = false;
    for (auto _ : state) {
        savedata::write(on = !on, "sound");
        if (!savedata::save()) state.SkipWithError("save failed");
    }
}
BENCHMARK(BM_Save)->Unit(benchmark::kMicrosecond);

void BM_NewBestScore(benchmark::State& state) {
    const std::string& dir = folder();
    savedata::load();
    int fd = inotify_init1(IN_NONBLOCK);
    if (fd < 0 || inotify_add_watch(fd, dir.c_str(), IN_CLOSE_WRITE) < 0) {
        state.SkipWithError("inotify unavailable");
        return;
    }
    int score = 100;
    for (auto _ : state)
        fg::scores::saveBest(++score, 2);
    // Each file closed after writing is one event; wait briefly for the last ones.
    long writes = 0;
    alignas(inotify_event) char buf[65536];
    pollfd p{fd, POLLIN, 0};
    while (poll(&p, 1, 100) > 0) {
        ssize_t n = read(fd, buf, sizeof buf);
        if (n <= 0) break;
        for (char* at = buf; at < buf + n;) {
            auto* e = reinterpret_cast<inotify_event*>(at);
            writes += (e->mask & IN_CLOSE_WRITE) != 0;
            at += sizeof(inotify_event) + e->len;
        }
    }
    close(fd);
    state.counters["file_writes_per_best"] =
        static_cast<double>(writes) / static_cast<double>(state.iterations());
    if (fg::scores::readBest(2) != score) state.SkipWithError("best score not kept");
}
BENCHMARK(BM_NewBestScore)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
