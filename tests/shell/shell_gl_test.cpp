// The GL view and the window in-process on the offscreen driver: ticks and their dt, sleep and
// wake, the composed screen, the game's GL state kept across composing, window-to-screen points.
#include "core/evt.h"
#include "core/platform.h"
#include "shell/gl_ext.h"
#include "shell/gl_view.h"
#include "shell/timer.h"
#include "shell/window.h"
#include "testrun.h"

#include <GLES/gl.h>
#include <gtest/gtest.h>

namespace {

std::vector<std::string> order;
std::vector<double> dts;

void onFrame(void*, void* payload) {
    order.push_back("onFrame");
    dts.push_back(*static_cast<double*>(payload));
}
void onRender(void*, void*) {
    order.push_back("render");
    glClearColor(1, 1, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
}

class ShellGl : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        ASSERT_TRUE(shell::createWindow(true, 1, false));
        view = new shell::BaseGLView;
        ASSERT_TRUE(view->initWithFrame(0.02, false));
        evt::subscribe("onFrame", evt::Callback(&onFrame, nullptr));
        evt::subscribe("render", evt::Callback(&onRender, nullptr));
    }
    static void TearDownTestSuite() {
        delete view;
        shell::destroyWindow();
    }
    void SetUp() override {
        order.clear();
        dts.clear();
        view->stopAnimation();
    }
    // The loop clock and the game's millisecond clock at ms milliseconds.
    static void at(int64_t ms) {
        shell::setNowNs(ms * 1'000'000);
        platform::setVirtualTime(static_cast<double>(ms) / 1000.0);
    }
    static shell::BaseGLView* view;
};
shell::BaseGLView* ShellGl::view = nullptr;

} // namespace

TEST_F(ShellGl, TicksFollowTheMillisecondClockAndSleepStopsThem) {
    platform::initialize();
    at(1000);
    view->startAnimation();
    view->startAnimation(); // already running: nothing changes
    at(1019);
    EXPECT_EQ(shell::fireDueTimers(), 0);
    at(1020);
    EXPECT_EQ(shell::fireDueTimers(), 1);
    at(1047); // late by 7 ms: dt says so, and the next tick keeps its schedule (1060)
    shell::fireDueTimers();
    shell::setNowNs(1'060'000'000); // the clock did not move a millisecond: dt 0
    shell::fireDueTimers();
    ASSERT_EQ(dts.size(), 3u);
    EXPECT_NEAR(dts[0], 0.020, 1e-9);
    EXPECT_NEAR(dts[1], 0.027, 1e-9);
    EXPECT_EQ(dts[2], 0.0);
    EXPECT_EQ(order, (std::vector<std::string>{"onFrame", "render", "onFrame", "render", "onFrame",
                                               "render"}));

    evt::publish("onSleep");
    EXPECT_FALSE(view->animationRunning());
    at(9000);
    EXPECT_EQ(shell::fireDueTimers(), 0);
    evt::publish("onWake");
    at(9020);
    shell::fireDueTimers();
    ASSERT_EQ(dts.size(), 4u);
    EXPECT_NEAR(dts[3], 0.020, 1e-9); // measured from the wake, not from before the sleep
    view->stopAnimation();
    view->stopAnimation(); // harmless
}

TEST_F(ShellGl, ComposingShowsTheViewAndLeavesTheGameStateAlone) {
    // A tick draws yellow into the view; then some state a game sets once and relies on.
    at(20000);
    view->startAnimation();
    at(20020);
    shell::fireDueTimers();
    static const GLfloat verts[] = {-0.5f, -0.5f, 0.5f, -0.5f, 0.5f, 0.5f, -0.5f, 0.5f};
    static const GLfloat uvs[] = {0, 0, 1, 0, 1, 1, 0, 1};
    glext::bindFramebuffer(GL_FRAMEBUFFER_OES, view->framebuffer());
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    glDisable(GL_TEXTURE_2D);
    glEnableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glVertexPointer(2, GL_FLOAT, 0, verts);
    glTexCoordPointer(2, GL_FLOAT, 8, uvs);
    glColor4f(0.25f, 0.5f, 0.75f, 1);
    glClearColor(0.1f, 0.2f, 0.3f, 1);
    glViewport(1, 2, 300, 400);
    GLuint tex = 0;
    glGenTextures(1, &tex);
    glBindTexture(GL_TEXTURE_2D, tex);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrthof(0, 320, 0, 480, 0, 450);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(3, 4, 0);

    const std::string shot = testrun::tempDir() + "/s.png";
    shell::present(view, {shot});

    GLint i = 0, v[4] = {};
    GLfloat f[16] = {};
    void* p = nullptr;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING_OES, &i);
    EXPECT_EQ(static_cast<GLuint>(i), view->framebuffer());
    glGetIntegerv(GL_BLEND_SRC, &i);
    EXPECT_EQ(i, GL_ONE);
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_TRUE(glIsEnabled(GL_VERTEX_ARRAY));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_COORD_ARRAY));
    glGetPointerv(GL_VERTEX_ARRAY_POINTER, &p);
    EXPECT_EQ(p, verts);
    glGetPointerv(GL_TEXTURE_COORD_ARRAY_POINTER, &p);
    EXPECT_EQ(p, uvs);
    glGetIntegerv(GL_TEXTURE_COORD_ARRAY_STRIDE, &i);
    EXPECT_EQ(i, 8);
    glGetFloatv(GL_CURRENT_COLOR, f);
    EXPECT_FLOAT_EQ(f[1], 0.5f);
    glGetFloatv(GL_COLOR_CLEAR_VALUE, f);
    EXPECT_FLOAT_EQ(f[2], 0.3f);
    glGetIntegerv(GL_VIEWPORT, v);
    EXPECT_EQ(v[0], 1);
    EXPECT_EQ(v[1], 2);
    EXPECT_EQ(v[2], 300);
    EXPECT_EQ(v[3], 400);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &i);
    EXPECT_EQ(static_cast<GLuint>(i), tex);
    glGetIntegerv(GL_MATRIX_MODE, &i);
    EXPECT_EQ(i, GL_MODELVIEW);
    glGetFloatv(GL_MODELVIEW_MATRIX, f);
    EXPECT_FLOAT_EQ(f[12], 3);
    EXPECT_FLOAT_EQ(f[13], 4);
    glGetFloatv(GL_PROJECTION_MATRIX, f);
    EXPECT_NEAR(f[0], 2.0f / 320, 1e-6);

    // The view's yellow fills the composed screen.
    EXPECT_TRUE(testrun::near(testrun::pixel(shot, 0, 0), 0xffff00, 8));
    EXPECT_TRUE(testrun::near(testrun::pixel(shot, 319, 479), 0xffff00, 8));
    glDeleteTextures(1, &tex);
    view->stopAnimation();
}

TEST_F(ShellGl, WindowPointsMapOntoTheLetterboxedScreen) {
    float x = 0, y = 0;
    EXPECT_TRUE(shell::windowToScreen(0, 0, x, y, false));
    EXPECT_FLOAT_EQ(x, 0);
    EXPECT_FLOAT_EQ(y, 0);
    EXPECT_TRUE(shell::windowToScreen(320, 480, x, y, false));
    EXPECT_FLOAT_EQ(x, 320);
    EXPECT_FLOAT_EQ(y, 480);

    // A wider window: the largest whole factor (2) centred, black bars at the sides.
    const shell::PixelRect r = shell::fitScreen(700, 960);
    EXPECT_EQ(r.w, 640);
    EXPECT_EQ(r.h, 960);
    EXPECT_EQ(r.x, 30);
    EXPECT_EQ(r.y, 0);
    EXPECT_TRUE(shell::mapToScreen(30, 0, 700, 960, 700, 960, x, y, false));
    EXPECT_FLOAT_EQ(x, 0);
    EXPECT_FLOAT_EQ(y, 0);
    EXPECT_TRUE(shell::mapToScreen(350, 480, 700, 960, 700, 960, x, y, false));
    EXPECT_FLOAT_EQ(x, 160);
    EXPECT_FLOAT_EQ(y, 240);
    EXPECT_FALSE(shell::mapToScreen(10, 100, 700, 960, 700, 960, x, y, false)); // on the bar
    EXPECT_FALSE(shell::mapToScreen(690, 970, 700, 960, 700, 960, x, y, true));
    EXPECT_FLOAT_EQ(x, 320); // clamped onto the edge
    EXPECT_FLOAT_EQ(y, 480);
    // A window the system scales (350 x 480 coordinates over 700 x 960 pixels).
    EXPECT_TRUE(shell::mapToScreen(175, 240, 350, 480, 700, 960, x, y, false));
    EXPECT_FLOAT_EQ(x, 160);
    EXPECT_FLOAT_EQ(y, 240);

    // Taller than wide: bars above and below (GL rows count from the bottom).
    const shell::PixelRect t = shell::fitScreen(640, 1100);
    EXPECT_EQ(t.y, 70);
    EXPECT_TRUE(shell::mapToScreen(0, 70, 640, 1100, 640, 1100, x, y, false));
    EXPECT_FLOAT_EQ(y, 0);

    // Smaller than the screen: shrunk to fit, aspect kept.
    const shell::PixelRect s = shell::fitScreen(200, 480);
    EXPECT_EQ(s.w, 200);
    EXPECT_EQ(s.h, 300);
    EXPECT_EQ(s.y, 90);

    // The offscreen surface keeps its size whatever SDL is told; the layout follows the surface.
    SDL_SetWindowSize(shell::window(), 700, 960);
    EXPECT_EQ(shell::screenRect().w, 320);
    SDL_SetWindowSize(shell::window(), 320, 480);
}
