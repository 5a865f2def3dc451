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

bool readFrames(const char* v, Options& o) {
    return parseLong(v, 1, LONG_MAX, o.frames);
}

bool readScale(const char* v, Options& o) {
    char* end = nullptr;
    errno = 0;
    const double s = strtod(v, &end);
    if (end == v || *end || errno || !(s >= 0.5 && s <= 16)) return false;
    o.scale = s;
    return true;
}

bool readSeed(const char* v, Options& o) {
    long n = 0;
    if (!parseLong(v, INT_MIN, INT_MAX, n)) return false;
    o.has_seed = true;
    o.seed = static_cast<int>(n);
    return true;
}

bool readScreenshot(const char* v, Options& o) {
    const char* colon = strchr(v, ':');
    std::string step(v, colon ? static_cast<size_t>(colon - v) : strlen(v));
    long n = 0;
    if (!colon || !colon[1] || !parseLong(step.c_str(), 1, LONG_MAX, n)) return false;
    o.screenshots.push_back({n, colon + 1});
    return true;
}

// An option is a flag, a text (any non-empty value) or a value read and checked by a function,
// which says what it expects when the value will not do.
struct Option {
    const char* name;
    bool Options::*flag = nullptr;
    std::string Options::*text = nullptr;
    bool (*read)(const char* value, Options& o) = nullptr;
    const char* expects = "";
};

const Option OPTIONS[] = {
    {.name = "--headless", .flag = &Options::headless},
    {.name = "--no-ads", .flag = &Options::no_ads},
    {.name = "--fullscreen", .flag = &Options::fullscreen},
    {.name = "--help", .flag = &Options::help},
    {.name = "-h", .flag = &Options::help},
    {.name = "--version", .flag = &Options::version},
    {.name = "--frames", .read = &readFrames, .expects = "not a positive whole number"},
    {.name = "--scale", .read = &readScale, .expects = "not a number from 0.5 to 16"},
    {.name = "--seed", .read = &readSeed, .expects = "not a whole number"},
    {.name = "--screenshot", .read = &readScreenshot, .expects = "expected STEP:FILE, got"},
    {.name = "--data-dir", .text = &Options::data_dir},
    {.name = "--resource-dir", .text = &Options::resource_dir},
    {.name = "--script", .text = &Options::script},
    {.name = "--trace", .text = &Options::trace},
    {.name = "--score-server", .text = &Options::score_server},
    {.name = "--location", .text = &Options::location},
    {.name = "--analytics-log", .text = &Options::analytics_log},
};

const Option* findOption(const std::string& name) {
    for (const Option& opt : OPTIONS)
        if (name == opt.name) return &opt;
    return nullptr;
}

// Stores a value given to a text or checked option.
bool setValue(const Option& opt, const char* value, Options& o, std::string& error) {
    if (opt.text) {
        if (!*value) {
            error = std::string(opt.name) + " needs a value";
            return false;
        }
        o.*opt.text = value;
        return true;
    }
    if (opt.read(value, o)) return true;
    error = std::string(opt.name) + ": " + opt.expects + ": " + value;
    return false;
}

} // namespace

const char* usage() {
    return "usage: flingo [options]\n"
           "  --data-dir DIR        the player's data folder (saved game, device id)\n"
           "  --resource-dir DIR    the resource folder\n"
           "  --headless            no window: offscreen drawing and a virtual clock\n"
           "  --frames N            stop after step N (as if the window were closed)\n"
           "  --script FILE         input script, one command a line; step N is at N x 0.02 s\n"
           "                          N down|move|up|cancel X Y   a touch in screen points,\n"
           "                                                      origin top-left, y down\n"
           "                          N press \"LABEL\"             tap the on-screen button\n"
           "                                                      showing LABEL\n"
           "                          N key NAME [down|up]        a key or pad button: escape,\n"
           "                                                      f11, return, space, up, down,\n"
           "                                                      left, right, pad-a, pad-b,\n"
           "                                                      pad-x, pad-y, pad-back,\n"
           "                                                      pad-start, pad-up, pad-down,\n"
           "                                                      pad-left, pad-right (without\n"
           "                                                      down|up: pressed and let go)\n"
           "                          N pad P attach|detach       virtual gamepad P (1-4)\n"
           "                          N pad P BUTTON down|up      a, b, x, y, back, start,\n"
           "                                                      dpup, dpdown, dpleft, dpright\n"
           "                          N pad P AXIS VALUE          leftx, lefty, rightx, righty;\n"
           "                                                      VALUE from -1 to 1\n"
           "                          N focus lost|gained         the window loses or gets focus\n"
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
           "  --fullscreen          start in full screen (F11 or Alt+Enter toggles)\n"
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
        const Option* opt = findOption(name);
        if (!opt) {
            error = std::string("unknown option: ") + arg;
            return false;
        }
        if (opt->flag) {
            if (value) {
                error = name + " takes no value";
                return false;
            }
            o.*opt->flag = true;
            continue;
        }
        if (!value) {
            if (i + 1 >= argc) {
                error = name + " needs a value";
                return false;
            }
            value = argv[++i];
        }
        if (!setValue(*opt, value, o, error)) return false;
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
