// SPDX-License-Identifier: MIT
#include "level_driver.h"

#include "gfx/sprite.h"
#include "gfx/texture.h"
#include "support/gl_context.h"

#include <GLES/gl.h>
#include <cstdlib>

namespace leveltest {
namespace {

LevelDriver* current = nullptr;

// Records what the level publishes, leaving out the events the tests send and the level's
// switch back to the 2D projection.
void observe(std::string_view name, void* payload) {
    if (!current || name == "sizeGl" || name.starts_with("onPtr") || name == "onLevelUnlocked" ||
        name == "postScore")
        return;
    std::string e(name == "flingoPlaySound" ? static_cast<char*>(payload) : name);
    if (name == "setBest") e += " " + std::to_string(evt::payloadInt(payload));
    current->published.push_back(e);
}

} // namespace

LevelDriver::LevelDriver() {
    if (!testgl::init()) std::abort();
    clk::setNs(0);
    fg::initializeData();
    // The fixed state the controller sets once at start-up.
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glEnable(GL_TEXTURE_2D);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glVertexPointer(2, GL_FLOAT, 0, fg::quad_verts);
    glClearColor(0.9f, 0, 0, 1);
    current = this;
    evt::setObserver(&observe);
}

LevelDriver::~LevelDriver() {
    evt::setObserver(nullptr);
    current = nullptr;
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

int LevelDriver::untilReady() {
    int n = 0;
    for (; level.state != Level::READY && n < 1000; ++n)
        frames();
    return n;
}

void LevelDriver::pointer(const char* event, float x, float y) {
    Vector2<float> p = {x, y};
    evt::publish(event, &p);
}

void LevelDriver::flick(float dx, float dy) {
    const float x = level.ballPos.x, y = level.ballPos.y;
    down(x, y);
    wait(0.02);
    move(x + dx, y + dy);
    up(x + dx, y + dy);
}

void LevelDriver::onSizeGl(void*) {
    ++sizeGlCalls;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrthof(0, 320, 0, 480, 0, 450);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

} // namespace leveltest
