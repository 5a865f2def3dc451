// SPDX-License-Identifier: MIT
// The platform's stock controls drawn into pixels with the game's font: the alert box, the
// navigation bar and the busy indicator. The controls upload the pixels and draw them over the
// game.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace panel {

// Each control is laid out in screen points and drawn at `scale` pixels a point: its image is
// scale times its size on screen.
struct Image {
    int width = 0; // pixels
    int height = 0;
    float scale = 1;           // pixels per point
    std::vector<uint8_t> rgba; // row 0 at the top, straight (not premultiplied) alpha
};

struct Rect {
    float x = 0, y = 0, w = 0, h = 0;
    bool contains(float px, float py) const {
        return px >= x && px < x + w && py >= y && py < y + h;
    }
};

// A whole-screen alert: the screen dimmed, a panel with the title, the wrapped message and the
// buttons (side by side when two, stacked when more). The buttons' places in screen points go
// to `buttons`, in the order given.
void alert(const std::string& title, const std::string& message,
           const std::vector<std::string>& labels, Image& out, std::vector<Rect>& buttons,
           float scale = 1);

// The navigation bar across the top of the screen: the title in the middle, the back button
// with its label at the left (its place goes to `back`).
constexpr int NAV_BAR_HEIGHT = 44;
void navBar(const std::string& title, const std::string& back_label, Image& out, Rect& back,
            float scale = 1);

// A dark rounded plate for a busy indicator with a line of text under it. The spinner's middle is
// BUSY_PLATE_DROP points above the plate's middle.
constexpr int BUSY_PLATE_DROP = 14;
void busyPlate(const std::string& text, Image& out, float scale = 1);

// One frame of a busy indicator of the given size: twelve spokes, the brightest at the top.
// Turning it by 30 degree steps animates it. `white`: the large white style; else gray.
void spinner(int size, bool white, Image& out, float scale = 1);

} // namespace panel
