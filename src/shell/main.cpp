// SPDX-License-Identifier: MIT
// The program entry: the command line, then the application until it terminates.
#include "core/platform.h"
#include "shell/app.h"
#include "shell/flingo_app_delegate.h"
#include "shell/options.h"
#include "shell/script.h"
#include "shell/trace.h"
#include "shell/window.h"

#include <SDL.h>
#include <cstdio>

int main(int argc, char** argv) {
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
    std::vector<shell::Command> script;
    if (!opts.script.empty() && !shell::loadScript(opts.script, script, error)) {
        fprintf(stderr, "flingo: %s\n", error.c_str());
        return 2;
    }
    if (!opts.data_dir.empty()) platform::setDataPath(opts.data_dir.c_str());
    if (!opts.resource_dir.empty()) platform::setBasePath(opts.resource_dir.c_str());
    if (!opts.trace.empty() && !shell::openTrace(opts.trace)) return 2;

    auto* delegate = new FlingoAppDelegate;
    const int status = shell::run(*delegate, opts, std::move(script));
    delete delegate; // its destruction publishes the shutdown once more, as the phone's did
    shell::closeTrace();
    shell::destroyWindow();
    if (!opts.headless) SDL_Quit();
    return status;
}
