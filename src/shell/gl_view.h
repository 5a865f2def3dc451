// SPDX-License-Identifier: MIT
// The OpenGL ES view whose timer drives the game: every interval it publishes onFrame with the
// seconds since its previous tick, then render, which draws straight into the window at the
// drawable's resolution. Composed where that picture no longer stands (moved aside by a slide,
// or presented since), the view has the game draw it again in place: nothing is copied.
#pragma once

#include "ui/views.h"

#include <GLES/gl.h>
#include <SDL.h>

namespace ui {
class Timer;
} // namespace ui

namespace shell {

class BaseGLView : public ui::View {
  public:
    BaseGLView() = default;
    ~BaseGLView() override;
    BaseGLView(const BaseGLView&) = delete;
    BaseGLView& operator=(const BaseGLView&) = delete;

    // The 320 x 480 point view with a tick every interval seconds: creates the context and
    // subscribes onSleep and onWake. False when there is no context (the view is then
    // unusable and is deleted by its creator). The timer does not start here. A depth buffer
    // is the window's, requested before it opens.
    bool initWithFrame(double interval, bool depth);

    void startAnimation();
    void stopAnimation();
    bool animationRunning() const { return m_animation_timer != nullptr; }
    // One tick: onFrame with dt, render, present.
    void update();
    void onSleep(void*);
    void onWake(void*);

    void draw(float x) override;
    bool opaque() const override { return m_context != nullptr; }

  protected:
    SDL_GLContext m_context = nullptr;
    double m_interval = 0;
    ui::Timer* m_animation_timer = nullptr;
    double m_time = 0;
    bool m_subscribed = false;

  private:
    // The window's present count and the screen's height in pixels when the last tick drew.
    unsigned m_drawn_at = ~0u;
    int m_drawn_height = 0;
    // Whether the screen was last composed with this view in place (not sliding, and shown).
    bool m_in_place = false;
};

// Whether some tick ran since the last call (the loop presents only then or when animating).
bool takeTicked();
void markTicked();

} // namespace shell
