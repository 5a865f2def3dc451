// SPDX-License-Identifier: MIT
// The GL view and the window in-process on the offscreen driver: ticks and their dt, sleep and
// wake, the game's GL state kept across composing, drawing at the window's scale, window points
// on the letterboxed screen.
#include "core/clock.h"
#include "core/evt.h"
#include "shell/gl_ext.h"
#include "shell/gl_view.h"
#include "shell/window.h"
#include "support/run.h"
#include "ui/timer.h"

#include <GLES/gl.h>
#include <array>
#include <cmath>
#include <gtest/gtest.h>
#include <tuple>

namespace {

std::vector<long> dts; // in microseconds

void onFrame(void*, void* payload) {
    dts.push_back(std::lround(*static_cast<double*>(payload) * 1e6));
}
// A 10 x 10 point white square at (100, 200) from the top-left, on a colour no 16-bit surface
// holds.
void drawSquare(void*, void*) {
    glClearColor(0x12 / 255.f, 0x34 / 255.f, 0x56 / 255.f, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glEnableClientState(GL_VERTEX_ARRAY);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrthof(0, 320, 480, 0, -1, 1);
    static const GLfloat quad[8] = {100, 200, 110, 200, 110, 210, 100, 210};
    glVertexPointer(2, GL_FLOAT, 0, quad);
    glDrawArrays(GL_TRIANGLE_FAN, 0, 4);
}

} // namespace

TEST(ShellGl, TicksFollowTheClockComposingKeepsGameStateAndScalesDrawAtFullResolution) {
    evt::subscribe("onFrame", evt::Callback(&onFrame, nullptr));
    evt::subscribe("render", evt::Callback(&drawSquare, nullptr));
    for (const double scale : {1.0, 1.5, 2.25}) {
        SCOPED_TRACE(scale);
        ASSERT_TRUE(shell::createWindow(true, scale, false));
        shell::BaseGLView view;
        ASSERT_TRUE(view.initWithFrame(0.02, false));
        shell::present(&view, {}); // on screen in place: from now on each tick draws
        EXPECT_FLOAT_EQ(shell::screenScale(), static_cast<float>(scale));
        dts.clear();
        clk::setNs(1'000'000'000);
        view.startAnimation();
        view.startAnimation();     // already running: nothing changes
        clk::setNs(1'020'000'000); // (a tick before its time would show in the first dt)
        ui::fireDueTimers();
        // Late by 7 ms: dt says so, and the next tick keeps its schedule (1060).
        clk::setNs(1'047'000'000);
        ui::fireDueTimers();
        clk::setNs(1'060'999'999); // dt counts whole milliseconds: 13
        ui::fireDueTimers();
        clk::setNs(1'125'000'000); // 1080 to 1120 missed: one tick, the next at 1140
        EXPECT_EQ(ui::fireDueTimers(), 1);
        EXPECT_EQ(ui::nextTimerDue(), 1'140'000'000);
        // A one-shot timer due before that tick sends the game to sleep, stopping the tick due in
        // the same pass, and stops itself: it fires once, and nothing after it.
        ui::Timer* sleeper = ui::scheduleTimer(0.01, false, [&] {
            evt::publish("onSleep");
            ui::invalidateTimer(sleeper);
        });
        clk::setNs(9'000'000'000);
        ASSERT_EQ(ui::fireDueTimers(), 1); // (timers left running would outlive the view)
        ASSERT_EQ(ui::nextTimerDue(), INT64_MAX);
        ui::invalidateTimer(sleeper); // long gone: nothing happens
        evt::publish("onWake");
        clk::setNs(9'020'000'000);
        ui::fireDueTimers();
        // The last measured from the wake, not from before the sleep.
        EXPECT_EQ(dts, (std::vector<long>{20000, 27000, 13000, 65000, 20000}));

        // State a game sets once and relies on, across composing the screen.
        static const GLfloat verts[8] = {};
        glext::bindFramebuffer(GL_FRAMEBUFFER_OES, 0);
        glEnable(GL_BLEND);
        glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
        glDisable(GL_TEXTURE_2D);
        glVertexPointer(2, GL_FLOAT, 0, verts);
        glViewport(1, 2, 300, 400);
        GLuint tex = 0;
        glGenTextures(1, &tex);
        glBindTexture(GL_TEXTURE_2D, tex);
        glMatrixMode(GL_MODELVIEW);
        glTranslatef(3, 4, 0);
        glMatrixMode(GL_PROJECTION); // left so: composing must not end in its own mode
        const std::string shot = testrun::tempDir() + "/s.png";
        shell::present(&view, {shot});
        // Framebuffer, blend source, texture binding, matrix mode, the viewport, the translation,
        // blending and the vertex array on, texturing off, the vertex pointer.
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
        got.insert(got.end(), {glIsEnabled(GL_BLEND), glIsEnabled(GL_VERTEX_ARRAY),
                               glIsEnabled(GL_TEXTURE_2D), p == verts});
        EXPECT_EQ(got, (std::vector<GLint>{0, GL_ONE, GLint(tex), GL_PROJECTION, 1, 2, 300, 400, 3,
                                           4, 1, 1, 0, 1}));

        // The square's edges fall on the scaled pixels; the background keeps 24-bit colour.
        const testrun::Png png = testrun::readPng(shot);
        const auto px = [&](double x, double y) { return png.at(int(x * scale), int(y * scale)); };
        EXPECT_EQ(std::vector({px(100.4, 200.4), px(109.6, 209.6), px(99.4, 205), px(105, 210.6),
                               px(0, 0), px(319.9, 479.9)}),
                  (std::vector<long>{0xffffff, 0xffffff, 0x123456, 0x123456, 0x123456, 0x123456}));
        // A click on the square's pixels comes back as a point inside it.
        float x = 0, y = 0;
        EXPECT_TRUE(shell::windowToScreen(float(101 * scale), float(209 * scale), x, y, false) &&
                    x > 100 && x < 102 && y > 208 && y < 210)
            << x << "," << y;
        shell::destroyWindow();
    }
}

TEST(ShellGl, WindowPointsMapOntoTheLetterboxedScreen) {
    // Window size, pixel size, point; the screen point (y down), or -1 when on a bar.
    for (const auto& [ww, wh, pw, ph, wx, wy, sx, sy] : std::vector<std::array<int, 8>>{
             {320, 480, 320, 480, 320, 480, 320, 480},
             {700, 960, 700, 960, 30, 0, 0, 0}, // twice the screen, bars at the sides
             {700, 960, 700, 960, 10, 100, -1, -1},
             {350, 480, 700, 960, 175, 240, 160, 240}, // a system-scaled window
             {640, 1100, 640, 1100, 0, 70, 0, 0},      // bars above and below
             {1366, 720, 1366, 720, 443, 0, 0, 0},     // 2.25 times: the bars' edge
             {1366, 720, 1366, 720, 442, 719, -1, -1}}) {
        float x = -1, y = -1;
        const bool inside = shell::mapToScreen(wx, wy, ww, wh, pw, ph, x, y, false);
        EXPECT_EQ(std::tuple(inside, inside ? x : -1, inside ? y : -1),
                  std::tuple(sx >= 0, float(sx), float(sy)))
            << ww << "x" << wh << " at " << wx << "," << wy;
    }
    float x = 0, y = 0;
    EXPECT_FALSE(shell::mapToScreen(690, 970, 700, 960, 700, 960, x, y, true));
    EXPECT_EQ(std::pair(x, y), std::pair(320.f, 480.f));            // clamped onto the edge
    EXPECT_FALSE(shell::mapToScreen(0, 0, 1, 1, 1, 1, x, y, true)); // a minimised window
}
