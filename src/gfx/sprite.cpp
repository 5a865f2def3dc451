// SPDX-License-Identifier: MIT
#include "gfx/sprite.h"

#include "gfx/texture.h"

#include <GLES/gl.h>
#include <algorithm>
#include <cmath>
#include <string>

namespace fg {
const float quad_verts[8] = {-0.5f, -0.5f, 0.5f, -0.5f, 0.5f, 0.5f, -0.5f, 0.5f};
} // namespace fg

Sprite::Sprite(const char* name, Vector2<int> size, float dur, bool scrolls, int count,
               bool mirrored)
    : duration(scrolls ? 0 : dur), scrolling(scrolls) {
    texture = texture_mgr.get(name, !scrolls);
    // Frames are given in points; the texture holds scale pixels a point.
    const float k = texture->scale;
    if (size.x == 0 && size.y == 0) {
        quadSize = {float(texture->size.x) / k, float(texture->size.y) / k};
        frameSize = {int(std::lround(quadSize.x)), int(std::lround(quadSize.y))};
    } else {
        frameSize = size;
        quadSize = {float(size.x), float(size.y)};
    }
    // An image that failed to load, asked for at its own size, has nothing to show.
    if (frameSize.x <= 0 || frameSize.y <= 0) return;
    const Vector2<int> px = {int(std::lround(quadSize.x * k)), int(std::lround(quadSize.y * k))};
    const int columns = std::max(1, texture->size.x / px.x);
    if (scrolling)
        frameCount = 1;
    else
        frameCount = count > 0 ? count : columns * std::max(1, texture->size.y / px.y);
    frames = new float[size_t(frameCount) * 8];
    const float tw = float(texture->texSize.x), th = float(texture->texSize.y);
    for (int i = 0; i < frameCount; ++i) {
        const int row = i / columns, column = i % columns;
        // A failed texture has no size; its coordinates are never looked at by GL.
        const float u0 = tw > 0 ? float(px.x * column) / tw : 0;
        const float u1 = tw > 0 ? float(column * px.x + px.x) / tw : 0;
        const float v0 = th > 0 ? float(px.y * row) / th : 0;
        const float v1 = th > 0 ? float(row * px.y + px.y) / th : 0;
        const float left = mirrored ? u1 : u0, right = mirrored ? u0 : u1;
        float* f = frames + 8 * i;
        f[0] = left, f[1] = v1; // bottom-left shows the frame's bottom row
        f[2] = right, f[3] = v1;
        f[4] = right, f[5] = v0;
        f[6] = left, f[7] = v0;
    }
}

Sprite::Sprite(int pointSize, int glyphOffset, const char* font, const char* text,
               Vector4<float> colour, int outlineWidth, float popIn) {
    const float fill = (colour.x + colour.y + colour.z) * (1.0f / 3.0f);
    const std::string copy = text; // callers pass formatString's result, which getText reuses
    texture =
        texture_mgr.getText(copy.c_str(), font, glyphOffset, pointSize, colour, outlineWidth, fill);
    const float k = texture->scale;
    quadSize = {float(texture->size.x) / k, float(texture->size.y) / k};
    frameSize = {int(std::lround(quadSize.x)), int(std::lround(quadSize.y))};
    frameCount = 1;
    frames = new float[8];
    const Vector2<int> px = texture->size;
    const float uMax = texture->texSize.x ? float(px.x) / float(texture->texSize.x) : 0;
    const float vMax = texture->texSize.y ? float(px.y) / float(texture->texSize.y) : 0;
    const float f[8] = {0, 0, uMax, 0, uMax, vMax, 0, vMax}; // text rows are stored bottom first
    std::copy(f, f + 8, frames);
    if (popIn <= 2) return;
    large = texture_mgr.getText(copy.c_str(), font, glyphOffset, pointSize * POP_DETAIL, colour,
                                outlineWidth * POP_DETAIL, fill);
    const Vector2<int> lp = large->size, lt = large->texSize;
    const float lu = lt.x ? float(lp.x) / float(lt.x) : 0,
                lv = lt.y ? float(lp.y) / float(lt.y) : 0;
    const float l[8] = {0, 0, lu, 0, lu, lv, 0, lv};
    std::copy(l, l + 8, largeFrame);
}

Sprite::~Sprite() {
    delete[] frames;
    texture_mgr.release(texture);
    if (large) texture_mgr.release(large);
}

void killSprite(Sprite*& sprite) {
    delete sprite;
    sprite = nullptr;
}

void Sprite::setFrame(int index) {
    frame = std::clamp(index, 0, std::max(frameCount - 1, 0));
    time = frameCount > 0 ? float(frame) / float(frameCount) * duration : 0;
}

void Sprite::setScroll(Vector2<float> speed) {
    if (frameCount != 1) return;
    scroll = speed;
    duration = 0;
}

bool Sprite::update(float dt) {
    if (duration > 0) {
        time += dt;
        if (time >= duration) {
            time = float(std::fmod(double(time), double(duration)));
            return true;
        }
        return false;
    }
    if ((scroll.x == 0 && scroll.y == 0) || frameCount < 1) return false;
    if (frameSize.x <= 0 || frameSize.y <= 0) return false; // an empty text: nothing to move
    // Speeds are in pixels of the 1x image, which are points.
    const float du = dt * (scroll.x / quadSize.x);
    const float dv = (scroll.y / quadSize.y) * dt;
    float* f = frames;
    const float width = f[4] - f[0], height = f[5] - f[1];
    float u = f[0] + du, v = f[1] + dv;
    // Wrap into (-1, 1) the way stepping by whole units would, in one step: a long frame time
    // must not mean a long (or, past 2^24, endless) loop.
    if (du > 0) {
        if (u >= 1) u -= std::floor(u);
    } else if (u <= -1) {
        u -= std::ceil(u);
    }
    if (dv > 0) {
        if (v >= 1) v -= std::floor(v);
    } else if (v <= -1) {
        v -= std::ceil(v);
    }
    f[0] = u, f[1] = v;
    f[2] = u + width, f[3] = v;
    f[4] = u + width, f[5] = v + height;
    f[6] = u, f[7] = v + height;
    return false;
}

namespace gfx {
namespace {
GLfloat quad_colours[16];
} // namespace

void setColour(float r, float g, float b, float a) {
    for (int i = 0; i < 16; i += 4) {
        quad_colours[i] = r;
        quad_colours[i + 1] = g;
        quad_colours[i + 2] = b;
        quad_colours[i + 3] = a;
    }
    glColorPointer(4, GL_FLOAT, 0, quad_colours);
    glEnableClientState(GL_COLOR_ARRAY);
}
} // namespace gfx

void Sprite::draw(Vector3<float> position, Vector2<float> scale, Vector3<float> rotation,
                  Vector4<float> colour) {
    // Shrunk to nothing (the menu's buttons while they are away) it covers no pixel: no draw.
    if (frameCount <= 0 || scale.x == 0 || scale.y == 0) return;
    if (duration > 0) frame = std::min(int(float(frameCount) * (time / duration)), frameCount - 1);
    glPushMatrix();
    glTranslatef(position.x, position.y, -position.z);
    if (rotation.z != 0) glRotatef(rotation.z, 0, 0, 1);
    if (rotation.y != 0) glRotatef(rotation.y, 0, 1, 0);
    if (rotation.x != 0) glRotatef(rotation.x, 1, 0, 0);
    glScalef(quadSize.x * scale.x, quadSize.y * scale.y, 1);
    gfx::setColour(colour.x, colour.y, colour.z, colour.w);
    // Blown up, the twin drawn for that size keeps the edges sharp.
    const bool big = large && large->id && std::max(scale.x, scale.y) > 2;
    glBindTexture(GL_TEXTURE_2D, big ? large->id : texture->id);
    const GLint wrap = scrolling ? GL_REPEAT : GL_CLAMP_TO_EDGE;
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wrap);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrap);
    glTexCoordPointer(2, GL_FLOAT, 0, big ? largeFrame : frames + 8 * frame);
    glDrawArrays(GL_TRIANGLE_FAN, 0, 4);
    glPopMatrix();
}

bool Sprite::checkPoint(Vector3<float> centre, Vector2<float> point, float scale) const {
    const double hw = scale * (quadSize.x / 2.0), hh = scale * (quadSize.y / 2.0);
    return centre.x - hw <= point.x && point.x <= centre.x + hw && centre.y - hh <= point.y &&
           point.y <= centre.y + hh;
}
