// SPDX-License-Identifier: MIT
// The GL view and the window in-process on the offscreen driver: ticks and their dt, sleep and
// wake, the game's GL state kept across composing, window-to-screen points.
#include "core/clock.h"
#include "core/evt.h"
#include "shell/gl_ext.h"
#include "shell/gl_view.h"
#include "shell/window.h"
#include "support/run.h"
#include "ui/timer.h"

#include <GLES/gl.h>
#include <gtest/gtest.h>
#include <tuple>

namespace {

std::vector<double> dts;

void onFrame(void*, void* payload) {
    dts.push_back(*static_cast<double*>(payload));
}
void onRender(void*, void*) {
    glClearColor(1, 1, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
}
void at(int64_t ms) {
    clk::setNs(ms * 1'000'000);
}

} // namespace

TEST(ShellGl, TicksFollowTheMillisecondClockSleepStopsThemAndComposingKeepsGameState) {
    ASSERT_TRUE(shell::createWindow(true, 1, false));
    shell::BaseGLView view;
    ASSERT_TRUE(view.initWithFrame(0.02, false));
    evt::subscribe("onFrame", evt::Callback(&onFrame, nullptr));
    evt::subscribe("render", evt::Callback(&onRender, nullptr));
    at(1000);
    view.startAnimation();
    view.startAnimation(); // already running: nothing changes
    at(1019);
    EXPECT_EQ(ui::fireDueTimers(), 0);
    at(1020);
    EXPECT_EQ(ui::fireDueTimers(), 1);
    at(1047); // late by 7 ms: dt says so, and the next tick keeps its schedule (1060)
    ui::fireDueTimers();
    clk::setNs(1'060'999'999); // dt counts whole milliseconds: 13
    ui::fireDueTimers();
    evt::publish("onSleep");
    at(9000);
    EXPECT_EQ(ui::fireDueTimers(), 0);
    evt::publish("onWake");
    at(9020);
    ui::fireDueTimers();
    ASSERT_EQ(dts.size(), 4u);
    EXPECT_NEAR(dts[0], 0.020, 1e-9);
    EXPECT_NEAR(dts[1], 0.027, 1e-9);
    EXPECT_NEAR(dts[2], 0.013, 1e-9);
    EXPECT_NEAR(dts[3], 0.020, 1e-9); // measured from the wake, not from before the sleep

    // State a game sets once and relies on, across composing the screen.
    static const GLfloat verts[8] = {};
    glext::bindFramebuffer(GL_FRAMEBUFFER_OES, 0);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    glDisable(GL_TEXTURE_2D);
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(2, GL_FLOAT, 0, verts);
    glViewport(1, 2, 300, 400);
    GLuint tex = 0;
    glGenTextures(1, &tex);
    glBindTexture(GL_TEXTURE_2D, tex);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(3, 4, 0);
    glMatrixMode(GL_PROJECTION); // left so: composing must not end in its own mode
    const std::string shot = testrun::tempDir() + "/s.png";
    shell::present(&view, {shot});
    // Framebuffer, blend source, texture binding, matrix mode, the viewport, the translation.
    std::vector<GLint> got(8);
    GLfloat m[16] = {};
    void* p = nullptr;
    const GLenum names[] = {GL_FRAMEBUFFER_BINDING_OES, GL_BLEND_SRC, GL_TEXTURE_BINDING_2D,
                            GL_MATRIX_MODE, GL_VIEWPORT};
    for (int i = 0; i < 5; ++i)
        glGetIntegerv(names[i], &got[i]);
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    got.insert(got.end(), {GLint(m[12]), GLint(m[13])});
    glGetPointerv(GL_VERTEX_ARRAY_POINTER, &p);
    EXPECT_EQ(got,
              (std::vector<GLint>{0, GL_ONE, GLint(tex), GL_PROJECTION, 1, 2, 300, 400, 3, 4}));
    EXPECT_TRUE(glIsEnabled(GL_BLEND) && glIsEnabled(GL_VERTEX_ARRAY));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_EQ(p, verts);
    // The view's yellow fills the composed screen.
    EXPECT_TRUE(testrun::near(testrun::pixel(shot, 0, 0), 0xffff00, 8));
    EXPECT_TRUE(testrun::near(testrun::pixel(shot, 319, 479), 0xffff00, 8));
    glDeleteTextures(1, &tex);
    view.stopAnimation();
    shell::destroyWindow();
}

TEST(ShellGl, WindowPointsMapOntoTheLetterboxedScreen) {
    // Window size, pixel size, point; the screen point (y down), or none when on a bar.
    struct Case {
        int ww, wh, pw, ph, x, y;
        bool inside;
        float sx, sy;
    };
    for (const Case& c : std::vector<Case>{
             {320, 480, 320, 480, 320, 480, true, 320, 480},
             {700, 960, 700, 960, 30, 0, true, 0, 0}, // twice the screen, bars at the sides
             {700, 960, 700, 960, 350, 480, true, 160, 240},
             {700, 960, 700, 960, 10, 100, false, 0, 0},
             {350, 480, 700, 960, 175, 240, true, 160, 240}, // a system-scaled window
             {640, 1100, 640, 1100, 0, 70, true, 0, 0}}) {   // bars above and below
        float x = -1, y = -1;
        const std::string name = std::to_string(c.ww) + "x" + std::to_string(c.wh) + " at " +
                                 std::to_string(c.x) + "," + std::to_string(c.y);
        EXPECT_EQ(shell::mapToScreen(c.x, c.y, c.ww, c.wh, c.pw, c.ph, x, y, false), c.inside)
            << name;
        if (c.inside) {
            EXPECT_EQ(std::pair(x, y), std::pair(c.sx, c.sy)) << name;
        }
    }
    float x = 0, y = 0;
    EXPECT_FALSE(shell::mapToScreen(690, 970, 700, 960, 700, 960, x, y, true));
    EXPECT_EQ(std::pair(x, y), std::pair(320.f, 480.f));            // clamped onto the edge
    EXPECT_FALSE(shell::mapToScreen(0, 0, 1, 1, 1, 1, x, y, true)); // a minimised window
    // Any real scale: smaller, a full-screen 1280 x 800, a 1366 x 768 window; none at 0 x 0.
    for (const auto& [dw, dh, want] :
         std::vector<std::tuple<int, int, std::vector<int>>>{{200, 480, {0, 90, 200, 300}},
                                                             {1280, 800, {373, 0, 533, 800}},
                                                             {1366, 720, {443, 0, 480, 720}},
                                                             {1, 1, {0, 0, 0, 0}},
                                                             {0, 0, {0, 0, 0, 0}}}) {
        const shell::PixelRect s = shell::fitScreen(dw, dh);
        EXPECT_EQ(std::vector<int>({s.x, s.y, s.w, s.h}), want) << dw << "x" << dh;
    }
}

namespace {
// A 10 x 10 point white square at (100, 200) from the top-left, on a colour no 16-bit
// surface holds.
void drawSquare(void*, void*) {
    glClearColor(0x12 / 255.f, 0x34 / 255.f, 0x56 / 255.f, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_TEXTURE_2D);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glEnableClientState(GL_VERTEX_ARRAY);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrthof(0, 320, 480, 0, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    static const GLfloat quad[8] = {100, 200, 110, 200, 110, 210, 100, 210};
    glVertexPointer(2, GL_FLOAT, 0, quad);
    glColor4f(1, 1, 1, 1);
    glDrawArrays(GL_TRIANGLE_FAN, 0, 4);
}
} // namespace

TEST(ShellGl, AFractionalScaleDrawsAtFullResolutionAndTouchesMapBack) {
    for (const double scale : {1.0, 1.5, 2.25}) {
        ASSERT_TRUE(shell::createWindow(true, scale, false));
        shell::BaseGLView view;
        ASSERT_TRUE(view.initWithFrame(0.02, false));
        EXPECT_FLOAT_EQ(shell::screenScale(), static_cast<float>(scale));
        evt::subscribe("render", evt::Callback(&drawSquare, nullptr));
        view.update();
        const std::string shot = testrun::tempDir() + "/f.png";
        shell::present(&view, {shot});
        const int side = static_cast<int>(320 * scale);
        // The square's edges fall on the scaled pixels; the background keeps 24-bit colour.
        const auto px = [&](double x, double y) {
            return testrun::pixel(shot, static_cast<int>(x * scale), static_cast<int>(y * scale));
        };
        EXPECT_EQ(px(100.4, 200.4), 0xffffffL) << scale;
        EXPECT_EQ(px(109.6, 209.6), 0xffffffL) << scale;
        EXPECT_EQ(px(99.4, 205), 0x123456L) << scale;
        EXPECT_EQ(px(105, 210.6), 0x123456L) << scale;
        EXPECT_EQ(testrun::pixel(shot, side - 1, 0), 0x123456L) << scale;
        // A click on the square's pixels comes back as a point inside it.
        float x = 0, y = 0;
        EXPECT_TRUE(shell::windowToScreen(static_cast<float>(101 * scale),
                                          static_cast<float>(209 * scale), x, y, false));
        EXPECT_TRUE(x > 100 && x < 102 && y > 208 && y < 210) << scale << ": " << x << "," << y;
        evt::unsubscribe("render", evt::Callback(&drawSquare, nullptr));
        shell::destroyWindow();
    }
}
