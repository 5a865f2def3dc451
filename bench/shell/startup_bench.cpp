// SPDX-License-Identifier: MIT
// Start-up to the first presented frame: the game (its start-up screen is its first frame)
// against a bare SDL2 + GLES 1.1 program that presents one cleared frame. Each iteration spawns
// the program with a probe preloaded that notes the time of the first present. The windowed
// cases need a display (run under xvfb-run); without one they are skipped.
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <signal.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

int64_t nowNs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

// Milliseconds from the spawn to the first present; negative on failure.
double measure(std::vector<std::string> argv) {
    const std::string probe_file = "/tmp/flingo-present-probe-" + std::to_string(getpid());
    unlink(probe_file.c_str());
    std::vector<std::string> env_store;
    for (char** e = environ; *e; ++e)
        env_store.push_back(*e);
    env_store.push_back(std::string("LD_PRELOAD=") + PRESENT_PROBE);
    env_store.push_back("PRESENT_PROBE_FILE=" + probe_file);
    std::vector<char*> env, args;
    for (std::string& s : env_store)
        env.push_back(s.data());
    env.push_back(nullptr);
    for (std::string& s : argv)
        args.push_back(s.data());
    args.push_back(nullptr);
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 2, "/dev/null", O_WRONLY, 0);
    const int64_t start = nowNs();
    pid_t pid = -1;
    if (posix_spawn(&pid, args[0], &fa, nullptr, args.data(), env.data()) != 0) return -1;
    posix_spawn_file_actions_destroy(&fa);
    int status = 0;
    waitpid(pid, &status, 0);
    std::ifstream in(probe_file);
    long long t = 0;
    if (!(in >> t)) return -1;
    unlink(probe_file.c_str());
    return static_cast<double>(t - start) / 1e6;
}

void run(benchmark::State& state, std::vector<std::string> argv, bool windowed) {
    if (windowed && !getenv("DISPLAY")) {
        state.SkipWithError("no display: run under xvfb-run");
        return;
    }
    for (auto _ : state) {
        const double ms = measure(argv);
        if (ms < 0) {
            state.SkipWithError("the program did not present");
            return;
        }
        state.SetIterationTime(ms / 1000.0);
    }
}

const std::string data_dir = "/tmp/flingo-startup-bench-data";

void BM_GameHeadless(benchmark::State& s) {
    run(s, {FLINGO_EXE, "--headless", "--frames", "1", "--no-ads", "--data-dir", data_dir}, false);
}
void BM_BareHeadless(benchmark::State& s) {
    run(s, {BARE_PRESENT, "--headless"}, false);
}
// The shell alone (the small test application, no game libraries): its first step shows
// the start-up image.
void BM_ShellOnlyHeadless(benchmark::State& s) {
    run(s, {SHELL_HARNESS, "--headless", "--frames", "1", "--resource-dir", RESOURCE_DIR}, false);
}
void BM_GameWindowed(benchmark::State& s) {
    run(s, {FLINGO_EXE, "--frames", "1", "--scale", "1", "--no-ads", "--data-dir", data_dir}, true);
}
void BM_BareWindowed(benchmark::State& s) {
    run(s, {BARE_PRESENT}, true);
}

} // namespace

BENCHMARK(BM_BareHeadless)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(15);
BENCHMARK(BM_GameHeadless)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(15);
BENCHMARK(BM_ShellOnlyHeadless)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(15);
BENCHMARK(BM_BareWindowed)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(15);
BENCHMARK(BM_GameWindowed)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(15);

BENCHMARK_MAIN();
