// SPDX-License-Identifier: MIT
// The one window of the game and its GL ES 1.1 context. The 320 x 480 point screen is composed
// from the views straight into the window at the drawable's own resolution, scaled to fit with
// the aspect kept and black bars around it.
#pragma once

#include <SDL.h>
#include <string>
#include <vector>

namespace ui {
class View;
}

namespace shell {

struct PixelRect {
    int x = 0, y = 0, w = 0, h = 0; // GL window coordinates (origin bottom-left)
};

// Creates the (hidden) window of 320 x 480 points at the given scale: offscreen in headless runs
// (0 = 1), else clamped to the desktop with a message (0 = the largest that fits). False with a
// message on failure.
bool createWindow(bool headless, double scale, bool fullscreen);
void showWindow();
void destroyWindow();
SDL_Window* window();
bool headless();

// The window's ES 1.1 context, made current; created on first use and kept until the window
// goes. Null when none can be had.
SDL_GLContext context();

// Shows the window at once with the view composed in it, before the launch goes on: the
// start-up image is up while the game loads, as the phone shows it while it starts the game.
// False when there is no context to draw with.
bool presentLaunchScreen(ui::View* view);
// Whether a request to draw the window, queued at SDL time ticks, was answered by the launch
// frame.
bool drawnByLaunch(uint32_t ticks);

void toggleFullscreen();
// The screen's place in the drawable, and its scale (drawable pixels per point).
PixelRect screenRect();
// Drawable pixels per point (0 while the drawable has no size).
float screenScale();
// The same for a drawable of the given size, and a window point mapped onto the screen for a
// window of ww x wh coordinates over a dw x dh drawable (the arithmetic of the two above).
PixelRect fitScreen(int dw, int dh);
bool mapToScreen(float wx, float wy, int ww, int wh, int dw, int dh, float& x, float& y,
                 bool clamp);
// Window coordinates (as SDL reports mouse positions) to screen points (top-left origin, y
// down). False when the point lies outside the screen; with clamp, it is moved onto its edge.
bool windowToScreen(float wx, float wy, float& x, float& y, bool clamp);
// The window's size in window coordinates (as mouse positions come).
void windowSize(int& w, int& h);

// Draws the game's picture into the window's screen rectangle moved by x points: with the
// game's own GL state in place while composing (and the compose state back afterwards), else
// as it stands. render draws in 320 x 480 points.
void drawGame(float x, void (*render)());
// How many times the window was presented: a picture drawn since is still in the back buffer.
unsigned presentCount();

// Composes the root view and the overlays into the window and shows the result (in headless
// runs: flushes). Screenshots listed are written from what was composed.
void present(ui::View* root, const std::vector<std::string>& screenshots);

} // namespace shell
