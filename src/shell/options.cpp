// SPDX-License-Identifier: MIT
#include "shell/options.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace shell {
namespace {

Options current;

bool parseLong(const char* s, long lo, long hi, long& out) {
    if (!s || !*s) return false;
    char* end = nullptr;
    errno = 0;
    long v = strtol(s, &end, 10);
    if (errno != 0 || *end != '\0' || v < lo || v > hi) return false;
    out = v;
    return true;
}

} // namespace

const char* usage() {
    return "usage: flingo [options]\n"
           "  --data-dir DIR        the player's data folder (saved game, device id)\n"
           "  --resource-dir DIR    the resource folder\n"
           "  --headless            no window: offscreen drawing and a virtual clock\n"
           "  --frames N            stop after step N (as if the window were closed)\n"
           "  --script FILE         input script, one command a line:\n"
           "                          N down|move|up|cancel X Y   a touch in screen points,\n"
           "                                                      origin top-left, y down\n"
           "                          N press \"LABEL\"             tap an on-screen button\n"
           "                          N key NAME                  escape, f11, ...\n"
           "                          N quit\n"
           "  --screenshot N:FILE   write the screen after step N as a PNG (may repeat)\n"
           "  --trace FILE          write every bus event as a JSON line\n"
           "  --seed N              seed the random numbers with N instead of the time\n"
           "  --score-server URL    base URL of the score service\n"
           "  --location LAT,LNG    a fixed position for score submission\n"
           "  --analytics-log FILE  write analytics events as JSON lines\n"
           "  --no-ads              show no banners\n"
           "  --scale S             pixels per point, any real number from 0.5 to 16 (default:\n"
           "                        the largest that fits; headless: 1)\n"
           "  --fullscreen          start in full screen (F11 toggles)\n"
           "  --help, --version\n";
}

bool parseOptions(int argc, const char* const* argv, Options& o, std::string& error) {
    o = Options();
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        // Options with a value take it from the next argument or after '='.
        std::string name = arg;
        const char* value = nullptr;
        if (size_t eq = name.find('='); name.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = arg + eq + 1;
            name.resize(eq);
        }
        auto needValue = [&]() -> const char* {
            if (value) return value;
            if (i + 1 >= argc) {
                error = name + " needs a value";
                return nullptr;
            }
            return argv[++i];
        };
        auto flag = [&](bool& b) {
            if (value) {
                error = name + " takes no value";
                return false;
            }
            b = true;
            return true;
        };
        long n = 0;
        const char* v = nullptr;
        if (name == "--headless") {
            if (!flag(o.headless)) return false;
        } else if (name == "--no-ads") {
            if (!flag(o.no_ads)) return false;
        } else if (name == "--fullscreen") {
            if (!flag(o.fullscreen)) return false;
        } else if (name == "--help" || name == "-h") {
            if (!flag(o.help)) return false;
        } else if (name == "--version") {
            if (!flag(o.version)) return false;
        } else if (name == "--frames") {
            if (!(v = needValue())) return false;
            if (!parseLong(v, 1, LONG_MAX, n)) {
                error = std::string("--frames: not a positive whole number: ") + v;
                return false;
            }
            o.frames = n;
        } else if (name == "--scale") {
            if (!(v = needValue())) return false;
            char* end = nullptr;
            errno = 0;
            const double s = strtod(v, &end);
            if (end == v || *end || errno || !(s >= 0.5 && s <= 16)) {
                error = std::string("--scale: not a number from 0.5 to 16: ") + v;
                return false;
            }
            o.scale = s;
        } else if (name == "--seed") {
            if (!(v = needValue())) return false;
            if (!parseLong(v, INT_MIN, INT_MAX, n)) {
                error = std::string("--seed: not a whole number: ") + v;
                return false;
            }
            o.has_seed = true;
            o.seed = static_cast<int>(n);
        } else if (name == "--screenshot") {
            if (!(v = needValue())) return false;
            const char* colon = strchr(v, ':');
            std::string step(v, colon ? static_cast<size_t>(colon - v) : strlen(v));
            if (!colon || !colon[1] || !parseLong(step.c_str(), 1, LONG_MAX, n)) {
                error = std::string("--screenshot: expected STEP:FILE, got: ") + v;
                return false;
            }
            o.screenshots.push_back({n, colon + 1});
        } else {
            std::string* target = nullptr;
            if (name == "--data-dir")
                target = &o.data_dir;
            else if (name == "--resource-dir")
                target = &o.resource_dir;
            else if (name == "--script")
                target = &o.script;
            else if (name == "--trace")
                target = &o.trace;
            else if (name == "--score-server")
                target = &o.score_server;
            else if (name == "--location")
                target = &o.location;
            else if (name == "--analytics-log")
                target = &o.analytics_log;
            if (!target) {
                error = std::string("unknown option: ") + arg;
                return false;
            }
            if (!(v = needValue())) return false;
            if (!*v) {
                error = name + " needs a value";
                return false;
            }
            *target = v;
        }
    }
    return true;
}

const Options& options() {
    return current;
}
void setOptions(const Options& o) {
    current = o;
}

} // namespace shell
