// SPDX-License-Identifier: MIT
// The program entry: the command line, then the application until it terminates.
#include "core/platform.h"
#include "online/location.h"
#include "shell/app.h"
#include "shell/flingo_app_delegate.h"
#include "shell/options.h"
#include "shell/script.h"
#include "shell/trace.h"
#include "shell/window.h"

#include <SDL.h>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#if defined(__GLIBC__)
#include <malloc.h>
#endif
#include <sys/stat.h>

namespace {

bool set(const char* variable) {
    const char* v = getenv(variable);
    return v && *v;
}

// What the game cannot start without, each missing one said in one line: a display to open
// the window on, and the resource folder with the start-up screen's picture.
bool startable(const shell::Options& opts) {
    if (!opts.headless && !set("DISPLAY") && !set("WAYLAND_DISPLAY") && !set("SDL_VIDEODRIVER")) {
        fputs("flingo: No display found: set DISPLAY or WAYLAND_DISPLAY, or use --headless\n",
              stderr);
        return false;
    }
    const std::string dir = platform::getBasePath();
    struct stat st {};
    if (stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        fprintf(stderr, "flingo: no resource folder at %s (give one with --resource-dir)\n",
                dir.c_str());
        return false;
    }
    if (stat((dir + "Default.png").c_str(), &st) != 0) {
        fprintf(stderr, "flingo: the resource folder %s has no Default.png\n", dir.c_str());
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
#if defined(__GLIBC__)
    // Pictures pass through decode and upload buffers of a few hundred kilobytes that live a
    // moment. Left alone, glibc raises its mmap threshold above the first such buffer freed and
    // serves the later ones from the heap, whose pages then stay with the process for good; with
    // the threshold held they are mapped and given back. The heap is trimmed only when a large
    // top is free, so that the frames' small allocations never shrink and regrow it.
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);
    mallopt(M_TRIM_THRESHOLD, 32 * 1024 * 1024);
    // The game's threads (sound, loading, the score service) allocate little and rarely: one
    // heap for all of them, not an arena of its own pages for each.
    mallopt(M_ARENA_MAX, 1);
#endif
    // A file-size limit then shows as a failed write, which every writer reports and survives,
    // instead of killing the game in the middle of a save.
    signal(SIGXFSZ, SIG_IGN);
    shell::Options opts;
    std::string error;
    if (!shell::parseOptions(argc, argv, opts, error)) {
        fprintf(stderr, "flingo: %s\n%s", error.c_str(), shell::usage());
        return 2;
    }
    if (opts.help) {
        fputs(shell::usage(), stdout);
        return 0;
    }
    if (opts.version) {
        printf("flingo %s\n", FLINGO_VERSION);
        return 0;
    }
    double lat = 0, lng = 0;
    if (!opts.location.empty() && !location::parse(opts.location, lat, lng)) {
        fprintf(stderr,
                "flingo: --location: expected LAT,LNG in degrees (latitude -90 to 90, longitude "
                "-180 to 180), got: %s\n",
                opts.location.c_str());
        return 2;
    }
    std::vector<shell::Command> script;
    if (!opts.script.empty() && !shell::loadScript(opts.script, script, error)) {
        fprintf(stderr, "flingo: %s\n", error.c_str());
        return 2;
    }
    if (!opts.data_dir.empty()) platform::setDataPath(opts.data_dir.c_str());
    if (!opts.resource_dir.empty()) platform::setBasePath(opts.resource_dir.c_str());
    if (!opts.trace.empty() && !shell::openTrace(opts.trace)) return 2;

    if (!startable(opts)) return 1;

    auto* delegate = new FlingoAppDelegate;
    int status = shell::run(*delegate, opts, std::move(script));
    delete delegate; // its destruction publishes the shutdown once more, as the phone's did
    if (!shell::closeTrace() && status == 0) status = 1;
    shell::destroyWindow();
    if (!opts.headless) SDL_Quit();
    return status;
}
