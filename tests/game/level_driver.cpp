#include "level_driver.h"

#include "core/platform.h"
#include "gfx/sprite.h"
#include "gfx/texture.h"
#include "support/gl_context.h"

#include <GLES/gl.h>
#include <algorithm>
#include <cstdlib>

namespace leveltest {
namespace {

LevelDriver* current = nullptr;

void observe(std::string_view name, void* payload) {
    if (!current || name == "onFrame" || name == "render" || name == "sizeGl" ||
        name.starts_with("onPtr"))
        return;
    Published p{std::string(name), "", 0};
    if (name == "flingoPlaySound" && payload) p.text = static_cast<const char*>(payload);
    if (name == "setBest") p.value = evt::payloadInt(payload);
    current->published.push_back(p);
}

} // namespace

const fg::LevelInfo& row(int index) {
    static const bool filled = (fg::initializeData(), true);
    (void)filled;
    return fg::level_info[index];
}

LevelDriver::LevelDriver() {
    if (!testgl::init()) std::abort();
    platform::initialize();
    platform::setVirtualTime(now);
    // The fixed state the controller sets once at start-up.
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glEnable(GL_TEXTURE_2D);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glVertexPointer(2, GL_FLOAT, 0, fg::quad_verts);
    glClearColor(0.9f, 0, 0, 1);
    onSizeGl(nullptr);
    sizeGlCalls = 0;
    current = this;
    evt::setObserver(&observe);
}

LevelDriver::~LevelDriver() {
    evt::setObserver(nullptr);
    current = nullptr;
    level.destroy();
    texture_mgr.cleanup();
    platform::useHostClock();
}

void LevelDriver::enter(const fg::LevelInfo* info, int best, bool canSubmit) {
    level.create(info, best, canSubmit, 1);
    level.state = level.savedState;
}

void LevelDriver::enter(int index, int best, bool canSubmit) {
    enter(&row(index), best, canSubmit);
}

void LevelDriver::wait(double seconds) {
    now += seconds;
    platform::setVirtualTime(now);
}

void LevelDriver::frame(double dt) {
    wait(dt);
    evt::publish("onFrame", &dt);
    evt::publish("render");
}

void LevelDriver::pointer(const char* event, float x, float y) {
    Vector2<float> p = {x, y};
    evt::publish(event, &p);
}

void LevelDriver::flick(Vector2<float> from, Vector2<float> to, int moves) {
    down(from.x, from.y);
    for (int i = 1; i <= moves; ++i) {
        const float f = float(i) / float(moves);
        wait(0.02);
        move(from.x + (to.x - from.x) * f, from.y + (to.y - from.y) * f);
    }
    up(to.x, to.y);
}

std::vector<std::string> LevelDriver::sounds() const {
    std::vector<std::string> out;
    for (const Published& p : published)
        if (p.name == "flingoPlaySound") out.push_back(p.text);
    return out;
}

int LevelDriver::count(const std::string& name) const {
    return int(std::count_if(published.begin(), published.end(),
                             [&](const Published& p) { return p.name == name; }));
}

// What the controller does on "sizeGl": the 2D projection of the 320 x 480 screen.
void LevelDriver::onSizeGl(void*) {
    ++sizeGlCalls;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrthof(0, 320, 0, 480, 0, 450);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void LevelDriver::onFrame(void* payload) {
    level.update(static_cast<float>(*static_cast<double*>(payload)));
    texture_mgr.cleanup();
}

void LevelDriver::onRender(void*) {
    glClear(GL_COLOR_BUFFER_BIT);
    level.render({0, 0});
    glFlush(); // llvmpipe queues commands until a flush or a readback
}

} // namespace leveltest
