// The game controller. This first cut carries the state table, the slides and the start-up GL
// state; the screens plug in as their code lands.
#include "game/flingo.h"

#include "core/evt.h"
#include "core/platform.h"
#include "core/util.h"

#include <GLES/gl.h>
#include <ctime>

namespace fg {
namespace {

int state = STATE_MENU;
Vector2<float> offset = {0, 0};
int current_level = -1;
int highlest_level = 0;

const Vector2<float> unit_quad[4] = {{-0.5f, -0.5f}, {0.5f, -0.5f}, {0.5f, 0.5f}, {-0.5f, 0.5f}};

// Advances a slide; true on the frame it passes its end. The first frame of a slide only clears
// the marker: its dt measured whatever started the slide, not the slide.
bool slide(double dt, double direction) {
    if (offset.y == -1.0f) {
        offset.y = 0.0f;
        return false;
    }
    offset.x = static_cast<float>(offset.x + dt * direction * SLIDE_SPEED);
    return direction < 0 ? offset.x <= -320.0f : offset.x >= 0.0f;
}

} // namespace

bool initialize() {
    platform::initialize();
    util::seedrand(static_cast<int>(std::time(nullptr)));

    glCullFace(GL_BACK);
    glPointSize(5.0f);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glEnable(GL_TEXTURE_2D);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisable(GL_CULL_FACE);
    glDisable(GL_DEPTH_TEST);
    glLoadIdentity();
    glViewport(0, 0, 320, 480);
    glColor4f(1, 1, 1, 1);
    glClearColor(0.9f, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glVertexPointer(2, GL_FLOAT, 0, unit_quad);

    sizeGl(nullptr, nullptr);

    evt::subscribe("sizeGl", evt::Callback(&fg::sizeGl, nullptr));
    evt::subscribe("postScore", evt::Callback(&fg::postScore, nullptr));
    evt::subscribe("setBest", evt::Callback(&fg::setBest, nullptr));
    evt::subscribe("setSound", evt::Callback(&fg::setSound, nullptr));
    evt::subscribe("onFrame", evt::Callback(&fg::update, nullptr));
    evt::subscribe("render", evt::Callback(&fg::render, nullptr));
    evt::subscribe("onShutdown", evt::Callback(&fg::shutdown, nullptr));
    evt::subscribe("gotoLevel", evt::Callback(&fg::gotoLevel, nullptr));
    evt::subscribe("gotoScores", evt::Callback(&fg::gotoScores, nullptr));
    evt::subscribe("gotoMenu", evt::Callback(&fg::gotoMenu, nullptr));
    evt::subscribe("onTutorialShown", evt::Callback(&fg::onTutorialShown, nullptr));

    evt::publish("setSound", true);
    evt::publish("setBackgroundSound", "OfficeNoise.mp3");
    evt::publish("registerAds");
    return true;
}

void activate() {}

int getLevel() {
    return current_level;
}
int getBestScore() {
    return 0;
}

bool goBack() {
    if (state != STATE_SCORES && state != STATE_LEVEL) return false;
    evt::publish("gotoMenu");
    return true;
}

void sizeGl(void*, void* payload) {
    static int height_offset = 0;
    if (payload) height_offset = *static_cast<int*>(payload);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrthof(0, 320, 0, 480.0f + height_offset, 0, 450);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void postScore(void*, void*) {}
void setBest(void*, void*) {}
void setSound(void*, void*) {}

void update(void*, void* payload) {
    double dt = *static_cast<double*>(payload);
    switch (state) {
    case STATE_MENU_TO_SCORES:
    case STATE_MENU_TO_LEVEL:
        if (slide(dt, -1.0)) state = state == STATE_MENU_TO_SCORES ? STATE_SCORES : STATE_LEVEL;
        break;
    case STATE_SCORES_TO_MENU:
    case STATE_LEVEL_TO_MENU:
        if (slide(dt, 1.0)) state = STATE_MENU;
        break;
    default:
        break;
    }
}

void render(void*, void*) {}

void shutdown(void*, void*) {}

void gotoLevel(void*, void* payload) {
    if (state != STATE_MENU) return;
    state = STATE_MENU_TO_LEVEL;
    offset = {0, -1};
    current_level = evt::payloadInt(payload);
}

void gotoScores(void*, void*) {
    if (state != STATE_MENU) return;
    state = STATE_MENU_TO_SCORES;
    offset = {0, -1};
}

void gotoMenu(void*, void*) {
    evt::publish("stopFireworks");
    evt::publish("setBackgroundSound", "OfficeNoise.mp3");
    if (state != STATE_SCORES && state != STATE_LEVEL) return;
    state = state == STATE_LEVEL ? STATE_LEVEL_TO_MENU : STATE_SCORES_TO_MENU;
    offset = {-320, -1};
}

void onTutorialShown(void*, void*) {}

int getState() {
    return state;
}
Vector2<float> getOffset() {
    return offset;
}
int getHighestLevel() {
    return highlest_level;
}
Menu* getMenu() {
    return nullptr;
}
ScoreMenu* getScoreMenu() {
    return nullptr;
}
Level* getLevelObject() {
    return nullptr;
}

} // namespace fg
