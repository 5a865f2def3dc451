// SPDX-License-Identifier: MIT
// The OpenGL ES view whose timer drives the game: every interval it publishes "onFrame" with the
// seconds since its previous tick, then "render", then presents. It draws into its own
// framebuffer object, which the window composes onto the screen.
#pragma once

#include "shell/views.h"

#include <GLES/gl.h>
#include <SDL.h>

namespace shell {

class Timer;

class BaseGLView : public View {
  public:
    BaseGLView() = default;
    ~BaseGLView() override;
    BaseGLView(const BaseGLView&) = delete;
    BaseGLView& operator=(const BaseGLView&) = delete;

    // The 320 x 480 view with a tick every interval seconds: creates the context and the
    // framebuffer and subscribes "onSleep" and "onWake". False when any of it fails (the view is
    // then unusable and is deleted by its creator). The timer does not start here.
    bool initWithFrame(double interval, bool depth);

    bool createFramebufferUsingDepth(bool depth);
    void destroyFramebuffer();
    void startAnimation();
    void stopAnimation();
    bool animationRunning() const { return m_animation_timer != nullptr; }
    // One tick: "onFrame" with dt, "render", present.
    void update();
    void onSleep(void*);
    void onWake(void*);

    void draw(float x) override;
    bool opaque() const override { return m_view_renderbuffer != 0; }
    GLuint framebuffer() const { return m_view_framebuffer; }

  protected:
    int m_backing_width = 0;
    int m_backing_height = 0;
    SDL_GLContext m_context = nullptr;
    GLuint m_view_renderbuffer = 0; // the colour buffer: a texture, so the window can compose it
    GLuint m_view_framebuffer = 0;
    GLuint m_depth_renderbuffer = 0;
    double m_interval = 0;
    Timer* m_animation_timer = nullptr;
    double m_time = 0;
    bool m_subscribed = false;

  private:
    int m_texture_size = 0;
};

// Whether some tick ran since the last call (the loop presents only then or when animating).
bool takeTicked();
void markTicked();

} // namespace shell
