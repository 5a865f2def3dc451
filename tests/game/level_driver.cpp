#include "level_driver.h"

#include "core/evt.h"
#include "core/platform.h"
#include "gfx/sprite.h"
#include "gfx/texture.h"
#include "support/gl_context.h"

#include <GLES/gl.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace leveltest {
namespace {

LevelDriver* current = nullptr;
bool catalogue_ready = false;

bool isString(std::string_view name) {
    return name == "flingoPlaySound";
}
bool isInt(std::string_view name) {
    return name == "setBest";
}
bool isOwn(std::string_view name) {
    return name == "onFrame" || name == "render" || name == "onPtrDown" || name == "onPtrMove" ||
           name == "onPtrUp";
}

} // namespace

const fg::LevelInfo& row(int index) {
    if (!catalogue_ready) {
        fg::initializeData();
        catalogue_ready = true;
    }
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
    glDisable(GL_CULL_FACE);
    glDisable(GL_DEPTH_TEST);
    glViewport(0, 0, 320, 480);
    glColor4f(1, 1, 1, 1);
    glClearColor(0.9f, 0, 0, 1);
    glVertexPointer(2, GL_FLOAT, 0, fg::quad_verts);
    onSizeGl(nullptr, nullptr);

    current = this;
    evt::setObserver(&LevelDriver::observe);
    evt::subscribe("sizeGl", evt::Callback(&LevelDriver::onSizeGl, this));
    evt::subscribe("onFrame", evt::Callback(&LevelDriver::onFrame, this));
    evt::subscribe("render", evt::Callback(&LevelDriver::onRender, this));
}

LevelDriver::~LevelDriver() {
    evt::unsubscribe("sizeGl", evt::Callback(&LevelDriver::onSizeGl, this));
    evt::unsubscribe("onFrame", evt::Callback(&LevelDriver::onFrame, this));
    evt::unsubscribe("render", evt::Callback(&LevelDriver::onRender, this));
    evt::setObserver(nullptr);
    current = nullptr;
    level.destroy();
    texture_mgr.cleanup();
    platform::useHostClock();
}

void LevelDriver::enter(int index, int best, bool canSubmit, int basketFrame) {
    enter(&row(index), best, canSubmit, basketFrame);
}

void LevelDriver::enter(const fg::LevelInfo* info, int best, bool canSubmit, int basketFrame) {
    level.create(info, best, canSubmit, basketFrame);
    level.state = level.savedState;
}

void LevelDriver::frame(double dt) {
    now += dt;
    platform::setVirtualTime(now);
    evt::publish("onFrame", &dt);
    evt::publish("render");
}

void LevelDriver::frames(int n, double dt) {
    for (int i = 0; i < n; ++i)
        frame(dt);
}

int LevelDriver::playUntilReady(int maxFrames) {
    for (int i = 1; i <= maxFrames; ++i) {
        frame();
        if (level.state == Level::READY) return i;
    }
    return -1;
}

void LevelDriver::pointer(const char* name, float x, float y) {
    Vector2<float> p = {x, y};
    evt::publish(name, &p);
}

void LevelDriver::down(float x, float y) {
    pointer("onPtrDown", x, y);
}
void LevelDriver::move(float x, float y) {
    pointer("onPtrMove", x, y);
}
void LevelDriver::up(float x, float y) {
    pointer("onPtrUp", x, y);
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

void LevelDriver::wait(double seconds) {
    now += seconds;
    platform::setVirtualTime(now);
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

void LevelDriver::observe(std::string_view name, void* payload) {
    if (!current || isOwn(name)) return;
    Published p;
    p.name = std::string(name);
    if (isString(name) && payload) p.text = static_cast<const char*>(payload);
    if (isInt(name)) p.value = evt::payloadInt(payload);
    current->published.push_back(p);
}

// What the controller does on "sizeGl": the 2D projection of the 320 x 480 screen.
void LevelDriver::onSizeGl(void* user, void*) {
    if (user) ++static_cast<LevelDriver*>(user)->sizeGlCalls;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrthof(0, 320, 0, 480, 0, 450);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void LevelDriver::onFrame(void* user, void* payload) {
    auto* d = static_cast<LevelDriver*>(user);
    d->level.update(static_cast<float>(*static_cast<double*>(payload)));
    texture_mgr.cleanup();
}

void LevelDriver::onRender(void* user, void*) {
    auto* d = static_cast<LevelDriver*>(user);
    glClear(GL_COLOR_BUFFER_BIT);
    d->level.render({0, 0});
    glFlush(); // llvmpipe queues commands until a flush or a readback
}

} // namespace leveltest
