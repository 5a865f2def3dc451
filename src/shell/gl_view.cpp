// SPDX-License-Identifier: MIT
#include "shell/gl_view.h"

#include "core/evt.h"
#include "core/platform.h"
#include "shell/gl_ext.h"
#include "shell/timer.h"
#include "shell/window.h"

namespace shell {
namespace {
bool ticked = false;
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
        evt::unsubscribe("onSleep", evt::Callback(this, &BaseGLView::onSleep));
        evt::unsubscribe("onWake", evt::Callback(this, &BaseGLView::onWake));
    }
    // The timer's handler points at this view: it must not outlive it.
    stopAnimation();
    // The context is the window's and goes with it.
    if (m_context && SDL_GL_GetCurrentContext() == m_context) destroyFramebuffer();
}

bool BaseGLView::initWithFrame(double interval, bool depth) {
    m_backing_width = static_cast<int>(SCREEN_WIDTH);
    m_backing_height = static_cast<int>(SCREEN_HEIGHT);
    m_context = context();
    if (!m_context) return false;
    if (!createFramebufferUsingDepth(depth)) return false;
    m_interval = interval;
    evt::subscribe("onSleep", evt::Callback(this, &BaseGLView::onSleep));
    evt::subscribe("onWake", evt::Callback(this, &BaseGLView::onWake));
    m_subscribed = true;
    return true;
}

bool BaseGLView::createFramebufferUsingDepth(bool depth) {
    glext::genFramebuffers(1, &m_view_framebuffer);
    glext::bindFramebuffer(GL_FRAMEBUFFER_OES, m_view_framebuffer);
    // The colour buffer is a texture of the next power-of-two size; the screen is its
    // bottom-left 320 x 480 corner. 16-bit RGB565 as the phone's display, else 8-bit RGBA.
    m_texture_size = 512;
    glGenTextures(1, &m_view_renderbuffer);
    glBindTexture(GL_TEXTURE_2D, m_view_renderbuffer);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, m_texture_size, m_texture_size, 0, GL_RGB,
                 GL_UNSIGNED_SHORT_5_6_5, nullptr);
    glext::framebufferTexture2D(GL_FRAMEBUFFER_OES, GL_COLOR_ATTACHMENT0_OES, GL_TEXTURE_2D,
                                m_view_renderbuffer, 0);
    if (glext::checkFramebufferStatus(GL_FRAMEBUFFER_OES) != GL_FRAMEBUFFER_COMPLETE_OES) {
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, m_texture_size, m_texture_size, 0, GL_RGBA,
                     GL_UNSIGNED_BYTE, nullptr);
        glext::framebufferTexture2D(GL_FRAMEBUFFER_OES, GL_COLOR_ATTACHMENT0_OES, GL_TEXTURE_2D,
                                    m_view_renderbuffer, 0);
    }
    glBindTexture(GL_TEXTURE_2D, 0);
    if (depth) {
        glext::genRenderbuffers(1, &m_depth_renderbuffer);
        glext::bindRenderbuffer(GL_RENDERBUFFER_OES, m_depth_renderbuffer);
        glext::renderbufferStorage(GL_RENDERBUFFER_OES, GL_DEPTH_COMPONENT16_OES, m_texture_size,
                                   m_texture_size);
        glext::framebufferRenderbuffer(GL_FRAMEBUFFER_OES, GL_DEPTH_ATTACHMENT_OES,
                                       GL_RENDERBUFFER_OES, m_depth_renderbuffer);
    }
    const GLenum status = glext::checkFramebufferStatus(GL_FRAMEBUFFER_OES);
    if (status != GL_FRAMEBUFFER_COMPLETE_OES) {
        platform::log("failed to make complete framebuffer object %x", status);
        return false;
    }
    glViewport(0, 0, m_backing_width, m_backing_height);
    return true;
}

void BaseGLView::destroyFramebuffer() {
    if (m_view_framebuffer) glext::deleteFramebuffers(1, &m_view_framebuffer);
    if (m_view_renderbuffer) glDeleteTextures(1, &m_view_renderbuffer);
    m_view_framebuffer = 0;
    m_view_renderbuffer = 0;
    if (m_depth_renderbuffer) {
        glext::deleteRenderbuffers(1, &m_depth_renderbuffer);
        m_depth_renderbuffer = 0;
    }
}

void BaseGLView::startAnimation() {
    if (m_animation_timer) return;
    m_time = platform::getTime();
    m_animation_timer = scheduleTimer(m_interval, true, [this] { update(); });
}

void BaseGLView::stopAnimation() {
    invalidateTimer(m_animation_timer);
    m_animation_timer = nullptr;
}

void BaseGLView::update() {
    const double now = platform::getTime();
    double dt = now - m_time;
    m_time = now;
    evt::publish("onFrame", &dt);
    if (SDL_GL_GetCurrentContext() != m_context) SDL_GL_MakeCurrent(window(), m_context);
    glext::bindFramebuffer(GL_FRAMEBUFFER_OES, m_view_framebuffer);
    evt::publish("render");
    markTicked(); // the loop presents the composed screen once per step
}

void BaseGLView::onSleep(void*) {
    stopAnimation();
}
void BaseGLView::onWake(void*) {
    startAnimation();
}

void BaseGLView::draw(float x) {
    if (!m_view_renderbuffer) return;
    // Texture rows run bottom-up: the screen's top edge is at v = 480 / size.
    const float size = static_cast<float>(m_texture_size);
    const GLint filter = screenRect().w % 320 == 0 ? GL_NEAREST : GL_LINEAR;
    glBindTexture(GL_TEXTURE_2D, m_view_renderbuffer);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
    glDisable(GL_BLEND);
    drawQuad(m_view_renderbuffer, x, 0, SCREEN_WIDTH, SCREEN_HEIGHT, 0,
             static_cast<float>(m_backing_height) / size,
             static_cast<float>(m_backing_width) / size, 0, 1);
    glEnable(GL_BLEND);
}

} // namespace shell
