// SPDX-License-Identifier: MIT
#include "level_driver.h"

#include "core/platform.h"
#include "gfx/sprite.h"
#include "gfx/texture.h"
#include "support/run.h"

#include <GLES/gl.h>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <utility>

namespace fs = std::filesystem;

namespace leveltest {
namespace {

Events filter, recorded;

void observe(std::string_view name, void* payload) {
    if (std::find(filter.begin(), filter.end(), name) == filter.end()) return;
    std::string e = name == "flingoPlaySound" ? static_cast<char*>(payload) : std::string(name);
    if (name == "setBackgroundSound") e += std::string(" ") + static_cast<const char*>(payload);
    for (const char* withNumber : {"gotoLevel", "showScores", "setSound", "setBest"})
        if (name == withNumber) e += " " + std::to_string(evt::payloadInt(payload));
    recorded.push_back(e);
}

} // namespace

void record(Events names) {
    filter = std::move(names);
    recorded.clear();
    evt::setObserver(&observe);
}

Events take() {
    return std::exchange(recorded, {});
}

bool makeResourceDir() {
    const std::string dir = testrun::tempDir();
    fs::create_directories(dir + "/img");
    platform::setBasePath(dir.c_str());
    platform::setDataPath(testrun::tempDir().c_str());
    const char* built = std::getenv("FLINGO_RESOURCE_DIR");
    std::error_code ec;
    for (const char* f : {"fawn.ttf", "zerothre.ttf", "obf.dat"})
        if (!built || !fs::copy_file(fs::path(built) / f, fs::path(dir) / f, ec)) return false;
    return true;
}

void writeImage(const char* name, int w, int h, uint32_t rgb) {
    testrun::writeFile(std::string(platform::getBasePath()) + "img/" + name,
                       testrun::solidPng(w, h, rgb));
}

void touch(const char* event, float x, float y) {
    Vector2<float> p = {x, y};
    evt::publish(event, &p);
}

void clearScreen() {
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glEnable(GL_TEXTURE_2D);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glVertexPointer(2, GL_FLOAT, 0, fg::quad_verts);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    project2D();
}

void project2D() {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrthof(0, 320, 0, 480, 0, 450);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

LevelDriver::LevelDriver() {
    if (!testgl::init()) std::abort();
    clk::setNs(0);
    fg::initializeData();
    clearScreen();
    record({"flingoPlaySound", "setBest", "gotoMenu", "scorePrompt", "onTutorialShown",
            "startFireworks"});
}

LevelDriver::~LevelDriver() {
    evt::setObserver(nullptr);
    level.destroy();
    texture_mgr.cleanup();
}

void LevelDriver::enter(const fg::LevelInfo& info, int best, bool canSubmit) {
    level.create(&info, best, canSubmit, 1);
    level.state = level.savedState;
}

void LevelDriver::frames(int n, double dt) {
    for (; n > 0; --n) {
        wait(dt);
        level.update(static_cast<float>(dt));
        texture_mgr.cleanup();
        glClear(GL_COLOR_BUFFER_BIT);
        level.render({0, 0});
        glFlush(); // llvmpipe queues commands until a flush or a readback
    }
}

void LevelDriver::flick(float dx, float dy) {
    const float x = level.ballPos.x, y = level.ballPos.y;
    down(x, y);
    wait(0.02);
    move(x + dx, y + dy);
    up(x + dx, y + dy);
}

} // namespace leveltest
