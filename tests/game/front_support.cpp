#include "front_support.h"

#include "core/evt.h"
#include "core/platform.h"
#include "support/gl_context.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;

namespace front {
namespace {

std::vector<std::string> filter;
std::vector<Event> recorded;
bool fonts_found = false;

const char* const STRING_EVENTS[] = {"flingoPlaySound", "setBackgroundSound", "playSound"};

void observe(std::string_view name, void* payload) {
    if (!filter.empty() && std::find(filter.begin(), filter.end(), name) == filter.end()) return;
    Event e{std::string(name), payload, {}};
    for (const char* s : STRING_EVENTS)
        if (name == s && payload) e.text = static_cast<const char*>(payload);
    recorded.push_back(std::move(e));
}

std::vector<std::string> made_dirs;

void removeMadeDirs() {
    for (const std::string& d : made_dirs) {
        std::error_code ec;
        fs::remove_all(d, ec);
    }
}

// A fresh folder under the system's temporary folder, removed when the test program exits.
std::string tempDir(const char* prefix) {
    std::string tmpl = (fs::temp_directory_path() / (std::string(prefix) + "XXXXXX")).string();
    char* made = mkdtemp(tmpl.data());
    if (!made) return std::string();
    if (made_dirs.empty()) std::atexit(&removeMadeDirs);
    made_dirs.emplace_back(made);
    return made_dirs.back();
}

} // namespace

std::string makeResourceDir() {
    const std::string dir = tempDir("flingo-front-res-");
    fs::create_directories(fs::path(dir) / "img");
    fonts_found = true;
    const char* built = std::getenv("FLINGO_RESOURCE_DIR");
    for (const char* f : {"fawn.ttf", "zerothre.ttf", "obf.dat"}) {
        std::error_code ec;
        if (built) fs::copy_file(fs::path(built) / f, fs::path(dir) / f, ec);
        if ((!built || ec) && std::string(f) != "obf.dat") fonts_found = false;
    }
    platform::setBasePath(dir.c_str());
    return dir;
}

bool haveFonts() {
    return fonts_found;
}

void writeImage(const char* name, int w, int h, uint32_t rgba) {
    std::vector<uint8_t> px(static_cast<size_t>(w) * h * 4);
    for (size_t i = 0; i < px.size(); i += 4) {
        px[i] = uint8_t(rgba >> 24);
        px[i + 1] = uint8_t(rgba >> 16);
        px[i + 2] = uint8_t(rgba >> 8);
        px[i + 3] = uint8_t(rgba);
    }
    const std::string path = std::string(platform::getBasePath()) + "img/" + name;
    testgl::writePng(path.c_str(), px, w, h);
}

std::string makeDataDir() {
    const std::string dir = tempDir("flingo-front-data-");
    platform::setDataPath(dir.c_str());
    return dir;
}

void record(std::vector<std::string> names) {
    filter = std::move(names);
    recorded.clear();
    evt::setObserver(&observe);
}

void stopRecording() {
    evt::setObserver(nullptr);
}

std::vector<Event>& events() {
    return recorded;
}

std::vector<std::string> names() {
    std::vector<std::string> out;
    for (const Event& e : recorded)
        out.push_back(e.name);
    return out;
}

} // namespace front
