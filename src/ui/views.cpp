// SPDX-License-Identifier: MIT
#include "ui/views.h"

#include "core/clock.h"
#include "core/util.h"
#include "gfx/scale.h"
#include "gfx/sprite.h"
#include "gfx/texture.h"
#include "ui/png_file.h"
#include "ui/timer.h"

#include <SDL.h>
#include <algorithm>
#include <map>

namespace ui {

namespace {
bool needs_display = true;
} // namespace

void setNeedsDisplay() {
    needs_display = true;
}
bool needsDisplay() {
    return needs_display;
}
void clearNeedsDisplay() {
    needs_display = false;
}

void drawQuad(GLuint texture, float x, float y, float w, float h, float u0, float v0, float u1,
              float v1, float alpha) {
    const GLfloat verts[] = {x, y, x + w, y, x + w, y + h, x, y + h};
    const GLfloat uvs[] = {u0, v0, u1, v0, u1, v1, u0, v1};
    glBindTexture(GL_TEXTURE_2D, texture);
    gfx::setColour(1, 1, 1, alpha);
    glVertexPointer(2, GL_FLOAT, 0, verts);
    glTexCoordPointer(2, GL_FLOAT, 0, uvs);
    glDrawArrays(GL_TRIANGLE_FAN, 0, 4);
}

// ---- ImageView

ImageView::ImageView(std::string p, float x, float y, float w, float h)
    : path(std::move(p)), fx(x), fy(y), fw(w), fh(h) {}

ImageView::~ImageView() {
    if (texture && SDL_GL_GetCurrentContext()) glDeleteTextures(1, &texture);
    for (ImageView* c : children)
        delete c;
}

void ImageView::setCenter(float cx, float cy) {
    load();
    fx = cx - fw / 2;
    fy = cy - fh / 2;
}

void ImageView::fadeTo(float target, double seconds) {
    fade_from = currentAlpha();
    alpha = target;
    fade_start = clk::now();
    fade_length = seconds;
}

float ImageView::currentAlpha() const {
    if (fade_length <= 0) return alpha;
    double t = (clk::now() - fade_start) / fade_length;
    if (t >= 1) return alpha;
    if (t <= 0) return fade_from;
    return static_cast<float>(fade_from + (alpha - fade_from) * t);
}

bool ImageView::animating() const {
    if (fade_length > 0 && clk::now() < fade_start + fade_length) return true;
    return std::any_of(children.begin(), children.end(),
                       [](const ImageView* c) { return c->animating(); });
}

bool ImageView::opaque() const {
    // Only a loaded picture known to fill the screen; its own alpha channel is not looked at,
    // so only the start-up image (a full-screen photo) counts, by its frame.
    return texture != 0 && currentAlpha() >= 1 && fx <= 0 && fy <= 0 && fx + fw >= SCREEN_WIDTH &&
           fy + fh >= SCREEN_HEIGHT && opaque_pixels;
}

// Loads the image into a texture once, padded as image textures are (see util::paddedSide). A
// missing image draws nothing.
bool ImageView::load() {
    if (texture || failed) return texture != 0;
    Image img;
    int scale = 1;
    if (!readPng(gfx::findScaled(path, scale), img)) {
        failed = true;
        return false;
    }
    opaque_pixels = true;
    for (size_t i = 3; i < img.rgba.size(); i += 4)
        if (img.rgba[i] != 255) {
            opaque_pixels = false;
            break;
        }
    const bool any = gfx::anyTextureSize();
    const int tw = util::paddedSide(img.width, any), th = util::paddedSide(img.height, any);
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, tw, th, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, img.width, img.height, GL_RGBA, GL_UNSIGNED_BYTE,
                    img.rgba.data());
    texWidth = tw;
    texHeight = th;
    umax = static_cast<float>(img.width) / static_cast<float>(tw);
    vmax = static_cast<float>(img.height) / static_cast<float>(th);
    // Sized in points whatever the set's pixels.
    if (fw <= 0) fw = static_cast<float>(img.width) / static_cast<float>(scale);
    if (fh <= 0) fh = static_cast<float>(img.height) / static_cast<float>(scale);
    return true;
}

void ImageView::unload() {
    if (texture && SDL_GL_GetCurrentContext()) gfx::releaseTexture(texture, texWidth, texHeight);
    texture = 0;
    for (ImageView* c : children)
        c->unload();
}

void ImageView::draw(float x) {
    const float a = currentAlpha();
    if (load() && a > 0) drawQuad(texture, x + fx, fy, fw, fh, 0, 0, umax, vmax, a);
    for (ImageView* c : children)
        c->draw(x + fx);
}

// ---- NavController

NavController::NavController(ViewController* root) {
    stack.push_back(root);
}

void NavController::begin(ViewController* leaving, ViewController* coming, bool fwd,
                          bool animated) {
    if (delegate) delegate->willShowViewController(*this, coming, animated);
    if (animated && leaving) {
        from = leaving;
        to = coming;
        forward = fwd;
        start = clk::now();
    } else if (delegate) {
        delegate->didShowViewController(*this, coming, animated);
    }
}

void NavController::push(ViewController* vc, bool animated) {
    advance();
    if (transitioning()) return; // one transition at a time, as the phone's controller
    ViewController* leaving = top();
    stack.push_back(vc);
    begin(leaving, vc, true, animated);
}

void NavController::pop(bool animated) {
    advance();
    if (transitioning() || stack.size() < 2) return;
    ViewController* leaving = top();
    stack.pop_back();
    begin(leaving, top(), false, animated);
}

void NavController::advance() {
    if (!from) return;
    if (clk::now() - start < TRANSITION_SECONDS - 1e-9) return;
    ViewController* shown = to;
    from = to = nullptr;
    if (delegate) delegate->didShowViewController(*this, shown, true);
}

float NavController::slid() const {
    const double p = std::clamp((clk::now() - start) / TRANSITION_SECONDS, 0.0, 1.0);
    return static_cast<float>(p * p * (3 - 2 * p)); // ease in and out
}

bool NavController::notMovedYet() const {
    return from && SCREEN_WIDTH * slid() < 0.01f;
}

void NavController::draw(float x) {
    if (!from) {
        if (top()->view) top()->view->draw(x);
        return;
    }
    const float e = slid();
    const float w = SCREEN_WIDTH;
    if (forward) {
        if (from->view) from->view->draw(x - w * e);
        if (to->view) to->view->draw(x + w * (1 - e));
    } else {
        if (to->view) to->view->draw(x - w * (1 - e));
        if (from->view) from->view->draw(x + w * e);
    }
}

void NavController::touch(TouchPhase phase, float x, float y) {
    if (!from && top()->view) top()->view->touch(phase, x, y);
}

void NavController::nav(Nav n) {
    if (!from && top()->view) top()->view->nav(n);
}

void NavController::wheel(float dy) {
    if (!from && top()->view) top()->view->wheel(dy);
}

bool NavController::flickAnchor(float& x, float& y) const {
    return !from && top()->view && top()->view->flickAnchor(x, y);
}

bool NavController::opaque() const {
    if (from) return from->view && to->view && from->view->opaque() && to->view->opaque();
    return top()->view && top()->view->opaque();
}

bool NavController::animating() const {
    return from != nullptr || (top()->view && top()->view->animating());
}

// ---- overlays and buttons

namespace {
std::vector<Overlay*> overlay_list;
struct Rect {
    float x, y, w, h;
};
std::map<std::string, Rect> buttons;
void (*button_source)(std::vector<Button>&) = nullptr;
std::vector<Button> listed;
} // namespace

void addOverlay(Overlay* o) {
    overlay_list.push_back(o);
}
void removeOverlay(Overlay* o) {
    std::erase(overlay_list, o);
}
const std::vector<Overlay*>& overlays() {
    return overlay_list;
}

void setButton(const std::string& label, float x, float y, float w, float h) {
    buttons[label] = {x, y, w, h};
}
void removeButton(const std::string& label) {
    buttons.erase(label);
}

bool findButton(const std::string& label, float& cx, float& cy) {
    if (auto it = buttons.find(label); it != buttons.end()) {
        cx = it->second.x + it->second.w / 2;
        cy = it->second.y + it->second.h / 2;
        return true;
    }
    listed.clear();
    if (button_source) button_source(listed);
    for (const Button& b : listed) {
        if (b.label != label) continue;
        cx = b.x + b.w / 2;
        cy = b.y + b.h / 2;
        return true;
    }
    return false;
}

void setButtonSource(void (*list)(std::vector<Button>& out)) {
    button_source = list;
}

std::string buttonLabels() {
    std::string out;
    auto add = [&out](const std::string& label) {
        out += (out.empty() ? "\"" : ", \"") + label + "\"";
    };
    for (const auto& [label, rect] : buttons)
        add(label);
    listed.clear();
    if (button_source) button_source(listed);
    for (const Button& b : listed)
        if (!buttons.count(b.label)) add(b.label);
    return out.empty() ? "none" : out;
}

} // namespace ui
