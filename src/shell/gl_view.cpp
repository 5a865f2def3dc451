// SPDX-License-Identifier: MIT
#include "shell/gl_view.h"

#include "core/clock.h"
#include "core/events.h"
#include "core/evt.h"
#include "gfx/scale.h"
#include "shell/window.h"
#include "ui/timer.h"

namespace shell {

using namespace ui;
namespace {
bool ticked = false;

void render() {
    evt::publish(events::render);
}
} // namespace

bool takeTicked() {
    bool t = ticked;
    ticked = false;
    return t;
}
void markTicked() {
    ticked = true;
}

BaseGLView::~BaseGLView() {
    if (m_subscribed) {
        evt::unsubscribe(events::onSleep, evt::Callback(this, &BaseGLView::onSleep));
        evt::unsubscribe(events::onWake, evt::Callback(this, &BaseGLView::onWake));
    }
    // The timer's handler points at this view: it must not outlive it.
    stopAnimation();
}

bool BaseGLView::initWithFrame(double interval, bool) {
    m_context = context();
    if (!m_context) return false;
    m_interval = interval;
    evt::subscribe(events::onSleep, evt::Callback(this, &BaseGLView::onSleep));
    evt::subscribe(events::onWake, evt::Callback(this, &BaseGLView::onWake));
    m_subscribed = true;
    return true;
}

void BaseGLView::startAnimation() {
    if (m_animation_timer) return;
    m_time = clk::seconds();
    m_animation_timer = scheduleTimer(m_interval, true, [this] { update(); });
}

void BaseGLView::stopAnimation() {
    invalidateTimer(m_animation_timer);
    m_animation_timer = nullptr;
}

void BaseGLView::update() {
    const double now = clk::seconds();
    double dt = now - m_time;
    m_time = now;
    // Text made from here on is rasterised for the window as it is now.
    if (const float s = screenScale(); s > 0) gfx::setDrawScale(s);
    evt::publish(events::onFrame, &dt);
    if (SDL_GL_GetCurrentContext() != m_context) SDL_GL_MakeCurrent(window(), m_context);
    // Sliding (or not yet shown), the view is drawn where the slide puts it when the screen is
    // composed: a picture drawn in place now would be covered, a whole screen of wasted pixels.
    if (m_in_place) {
        drawGame(0, render);
        m_drawn_at = presentCount();
        m_drawn_height = screenRect().h;
    }
    markTicked(); // the loop presents the composed screen once per step
}

void BaseGLView::onSleep(void*) {
    stopAnimation();
}
void BaseGLView::onWake(void*) {
    startAnimation();
}

void BaseGLView::draw(float x) {
    m_in_place = x == 0;
    // The tick's picture is in the back buffer until the next present, where it was drawn.
    if (x == 0 && m_drawn_at == presentCount() && m_drawn_height == screenRect().h) return;
    drawGame(x, render);
}

} // namespace shell
