// SPDX-License-Identifier: MIT
#include "front_support.h"

#include "core/platform.h"
#include "gfx/sprite.h"

#include <GLES/gl.h>
#include <algorithm>
#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;

namespace front {
namespace {

Events filter, recorded;
std::vector<std::string> made_dirs;

void observe(std::string_view name, void* payload) {
    if (std::find(filter.begin(), filter.end(), name) == filter.end()) return;
    std::string e(name);
    if (name == "flingoPlaySound" || name == "setBackgroundSound")
        e += std::string(" ") + static_cast<const char*>(payload);
    else if (name == "gotoLevel" || name == "showScores" || name == "setSound")
        e += " " + std::to_string(evt::payloadInt(payload));
    recorded.push_back(e);
}

// A fresh folder under the temporary folder, removed when the program exits.
std::string tempDir() {
    std::string dir = (fs::temp_directory_path() / "flingo-front-XXXXXX").string();
    if (!mkdtemp(dir.data())) return dir;
    if (made_dirs.empty())
        std::atexit([] {
            std::error_code ec;
            for (const std::string& d : made_dirs)
                fs::remove_all(d, ec);
        });
    made_dirs.push_back(dir);
    return dir;
}

} // namespace

bool makeResourceDir() {
    const std::string dir = tempDir();
    fs::create_directories(dir + "/img");
    platform::setBasePath(dir.c_str());
    const char* built = std::getenv("FLINGO_RESOURCE_DIR");
    std::error_code ec;
    for (const char* f : {"fawn.ttf", "zerothre.ttf", "obf.dat"})
        if (!built || !fs::copy_file(fs::path(built) / f, fs::path(dir) / f, ec)) return false;
    return true;
}

void makeDataDir() {
    platform::setDataPath(tempDir().c_str());
}

void writeImage(const char* name, int w, int h, uint32_t rgba) {
    std::vector<uint8_t> px(static_cast<size_t>(w) * h * 4);
    for (size_t i = 0; i < px.size(); ++i)
        px[i] = uint8_t(rgba >> (24 - 8 * (i % 4)));
    testgl::writePng((std::string(platform::getBasePath()) + "img/" + name).c_str(), px, w, h);
}

void clearScreen() {
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrthof(0, 320, 0, 480, 0, 450);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glEnable(GL_TEXTURE_2D);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glVertexPointer(2, GL_FLOAT, 0, fg::quad_verts);
}

void record(Events names) {
    filter = std::move(names);
    recorded.clear();
    evt::setObserver(&observe);
}

Events& events() {
    return recorded;
}

} // namespace front
