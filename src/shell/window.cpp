// SPDX-License-Identifier: MIT
#include "shell/window.h"

#include "core/platform.h"
#include "gfx/scale.h"
#include "shell/gl_ext.h"
#include "shell/identity.h"
#include "ui/png_file.h"
#include "ui/views.h"

#include <EGL/egl.h>
#include <GLES/gl.h>
#include <GLES/glext.h>
#include <algorithm>
#include <cmath>

namespace shell {

using namespace ui;
namespace {

SDL_Window* win = nullptr;
SDL_GLContext gl_context = nullptr;
bool is_headless = false;
bool fullscreen_on = false;
std::vector<uint8_t> readback;
bool launch_drawn = false;
uint32_t launch_ticks = 0; // when the launch frame was drawn

// The surface's true size in pixels. SDL's idea of it can differ from what the window really
// got (a full-screen request no window manager carries out, a resize still under way), and the
// surface is what GL draws into.
void drawableSize(int& w, int& h) {
    w = 320;
    h = 480;
    if (!win) return;
    SDL_GL_GetDrawableSize(win, &w, &h);
    EGLDisplay d = eglGetCurrentDisplay();
    EGLSurface s = eglGetCurrentSurface(EGL_DRAW);
    EGLint ew = 0, eh = 0;
    if (d != EGL_NO_DISPLAY && s != EGL_NO_SURFACE && eglQuerySurface(d, s, EGL_WIDTH, &ew) &&
        eglQuerySurface(d, s, EGL_HEIGHT, &eh) && ew > 0 && eh > 0) {
        w = ew;
        h = eh;
    }
}

// The window's size: the surface's, in window coordinates (the same on X11; SDL's ratio where
// the system scales windows).
void realWindowSize(int& w, int& h) {
    int sw = 0, sh = 0, dw = 0, dh = 0;
    SDL_GetWindowSize(win, &sw, &sh);
    SDL_GL_GetDrawableSize(win, &dw, &dh);
    drawableSize(w, h);
    if (dw > 0 && dh > 0 && (sw != dw || sh != dh)) { // scaled: keep SDL's ratio
        w = w * sw / dw;
        h = h * sh / dh;
    }
}

// The largest scale whose window fits the usable desktop with room for the window's frame.
double fitScale() {
    SDL_Rect usable;
    if (SDL_GetDisplayUsableBounds(0, &usable) != 0) return 1;
    const double s = std::min((usable.w - 16) / 320.0, (usable.h - 48) / 480.0);
    return std::max(s, 0.5);
}

// Everything of the game's GL state that composing the screen touches. The game sets most of
// its state once at start-up and relies on it for the whole run, so all of it goes back.
struct SavedState {
    GLint framebuffer = 0, viewport[4] = {}, texture = 0, matrix_mode = 0, array_buffer = 0;
    GLint active_texture = 0, client_texture = 0, env_mode = 0, blend_src = 0, blend_dst = 0;
    GLfloat projection[16] = {}, modelview[16] = {}, texmatrix[16] = {};
    GLfloat clear[4] = {};
    GLboolean caps[9] = {}, arrays[4] = {};
    struct Pointer {
        GLint size = 0, type = 0, stride = 0, buffer = 0;
        void* ptr = nullptr;
    } vertex, texcoord;

    static constexpr GLenum cap_names[9] = {GL_BLEND,     GL_TEXTURE_2D,   GL_DEPTH_TEST,
                                            GL_CULL_FACE, GL_SCISSOR_TEST, GL_ALPHA_TEST,
                                            GL_LIGHTING,  GL_FOG,          GL_STENCIL_TEST};
    static constexpr GLenum array_names[4] = {GL_VERTEX_ARRAY, GL_TEXTURE_COORD_ARRAY,
                                              GL_COLOR_ARRAY, GL_NORMAL_ARRAY};

    void save() {
        glGetIntegerv(GL_FRAMEBUFFER_BINDING_OES, &framebuffer);
        glGetIntegerv(GL_VIEWPORT, viewport);
        glGetIntegerv(GL_ACTIVE_TEXTURE, &active_texture);
        glGetIntegerv(GL_CLIENT_ACTIVE_TEXTURE, &client_texture);
        glActiveTexture(GL_TEXTURE0);
        glClientActiveTexture(GL_TEXTURE0);
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &texture);
        glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &env_mode);
        glGetIntegerv(GL_MATRIX_MODE, &matrix_mode);
        glGetFloatv(GL_PROJECTION_MATRIX, projection);
        glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
        glGetFloatv(GL_TEXTURE_MATRIX, texmatrix);
        glGetIntegerv(GL_ARRAY_BUFFER_BINDING, &array_buffer);
        glGetIntegerv(GL_BLEND_SRC, &blend_src);
        glGetIntegerv(GL_BLEND_DST, &blend_dst);
        glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
        for (int i = 0; i < 9; ++i)
            caps[i] = glIsEnabled(cap_names[i]);
        for (int i = 0; i < 4; ++i)
            arrays[i] = glIsEnabled(array_names[i]);
        savePointer(vertex, GL_VERTEX_ARRAY_SIZE, GL_VERTEX_ARRAY_TYPE, GL_VERTEX_ARRAY_STRIDE,
                    GL_VERTEX_ARRAY_BUFFER_BINDING, GL_VERTEX_ARRAY_POINTER);
        savePointer(texcoord, GL_TEXTURE_COORD_ARRAY_SIZE, GL_TEXTURE_COORD_ARRAY_TYPE,
                    GL_TEXTURE_COORD_ARRAY_STRIDE, GL_TEXTURE_COORD_ARRAY_BUFFER_BINDING,
                    GL_TEXTURE_COORD_ARRAY_POINTER);
    }

    static void savePointer(Pointer& p, GLenum size, GLenum type, GLenum stride, GLenum buffer,
                            GLenum ptr) {
        glGetIntegerv(size, &p.size);
        glGetIntegerv(type, &p.type);
        glGetIntegerv(stride, &p.stride);
        glGetIntegerv(buffer, &p.buffer);
        glGetPointerv(ptr, &p.ptr);
    }

    void restore() const {
        glext::bindFramebuffer(GL_FRAMEBUFFER_OES, static_cast<GLuint>(framebuffer));
        glViewport(viewport[0], viewport[1], viewport[2], viewport[3]);
        glBindBuffer(GL_ARRAY_BUFFER, static_cast<GLuint>(vertex.buffer));
        glVertexPointer(vertex.size, static_cast<GLenum>(vertex.type), vertex.stride, vertex.ptr);
        glBindBuffer(GL_ARRAY_BUFFER, static_cast<GLuint>(texcoord.buffer));
        glTexCoordPointer(texcoord.size, static_cast<GLenum>(texcoord.type), texcoord.stride,
                          texcoord.ptr);
        glBindBuffer(GL_ARRAY_BUFFER, static_cast<GLuint>(array_buffer));
        for (int i = 0; i < 9; ++i)
            caps[i] ? glEnable(cap_names[i]) : glDisable(cap_names[i]);
        for (int i = 0; i < 4; ++i)
            arrays[i] ? glEnableClientState(array_names[i]) : glDisableClientState(array_names[i]);
        glBlendFunc(static_cast<GLenum>(blend_src), static_cast<GLenum>(blend_dst));
        glClearColor(clear[0], clear[1], clear[2], clear[3]);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, env_mode);
        glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(texture));
        glMatrixMode(GL_TEXTURE);
        glLoadMatrixf(texmatrix);
        glMatrixMode(GL_PROJECTION);
        glLoadMatrixf(projection);
        glMatrixMode(GL_MODELVIEW);
        glLoadMatrixf(modelview);
        glMatrixMode(static_cast<GLenum>(matrix_mode));
        glActiveTexture(static_cast<GLenum>(active_texture));
        glClientActiveTexture(static_cast<GLenum>(client_texture));
    }
};

unsigned presents = 0;
SavedState* composing = nullptr; // the game's state while present() composes

// Black bars around the screen, and black under a screen not wholly covered. The game's
// picture may already be in the screen's rectangle: the bars alone are cleared then.
void clearAround(const PixelRect& r, int dw, int dh, bool covered) {
    glViewport(0, 0, dw, dh);
    glClearColor(0, 0, 0, 1);
    if (!covered) {
        glClear(GL_COLOR_BUFFER_BIT);
        return;
    }
    glEnable(GL_SCISSOR_TEST);
    const PixelRect bars[4] = {{0, 0, r.x, dh},
                               {r.x + r.w, 0, dw - r.x - r.w, dh},
                               {r.x, 0, r.w, r.y},
                               {r.x, r.y + r.h, r.w, dh - r.y - r.h}};
    for (const PixelRect& b : bars) {
        if (b.w <= 0 || b.h <= 0) continue;
        glScissor(b.x, b.y, b.w, b.h);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    glDisable(GL_SCISSOR_TEST);
}

void setComposeState(const PixelRect& r) {
    glext::bindFramebuffer(GL_FRAMEBUFFER_OES, 0);
    glDisable(GL_SCISSOR_TEST);
    glViewport(r.x, r.y, r.w, r.h);
    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrthof(0, SCREEN_WIDTH, SCREEN_HEIGHT, 0, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    for (GLenum cap :
         {GL_DEPTH_TEST, GL_CULL_FACE, GL_ALPHA_TEST, GL_LIGHTING, GL_FOG, GL_STENCIL_TEST})
        glDisable(cap);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    glShadeModel(GL_FLAT);
}

void writeScreenshot(const std::string& path, const PixelRect& r) {
    readback.resize(static_cast<size_t>(r.w) * r.h * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(r.x, r.y, r.w, r.h, GL_RGBA, GL_UNSIGNED_BYTE, readback.data());
    // GL rows run bottom-up; the file's run top-down. Alpha depends on the surface: drop it.
    std::vector<uint8_t> rgb(static_cast<size_t>(r.w) * r.h * 3);
    for (int y = 0; y < r.h; ++y) {
        const uint8_t* src = &readback[static_cast<size_t>(r.h - 1 - y) * r.w * 4];
        uint8_t* dst = &rgb[static_cast<size_t>(y) * r.w * 3];
        for (int x = 0; x < r.w; ++x) {
            dst[x * 3] = src[x * 4];
            dst[x * 3 + 1] = src[x * 4 + 1];
            dst[x * 3 + 2] = src[x * 4 + 2];
        }
    }
    writePngRgb(path, rgb.data(), r.w, r.h);
}

} // namespace

bool createWindow(bool headless_run, double scale, bool fullscreen) {
    is_headless = headless_run;
    if (headless_run) {
        SDL_SetHint(SDL_HINT_VIDEODRIVER, "offscreen");
    } else if (!SDL_getenv("SDL_VIDEODRIVER")) {
        // Display servers only: without one SDL would fall back to drivers that show nothing
        // to anyone (and run unseen); no Wayland probe, and its complaint, where there is none.
        const char* wayland = SDL_getenv("WAYLAND_DISPLAY");
        SDL_SetHint(SDL_HINT_VIDEODRIVER, wayland && *wayland ? "x11,wayland" : "x11");
    }
    setIdentityHints();
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        platform::log("cannot start the video system: %s", SDL_GetError());
        return false;
    }
    if (scale <= 0) {
        scale = headless_run ? 1 : fitScale();
    } else if (!headless_run && scale > fitScale() + 1e-9) {
        platform::log("--scale %g does not fit the desktop: using %.3g", scale, fitScale());
        scale = fitScale();
    }
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_ES);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 1);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    // 8 bits a channel: the art is drawn in full colour, not the phone's 16-bit display's.
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    // Loaded once for the whole process (after the attributes, which choose the ES library):
    // destroying the window must not unload the GL driver, whose memory then turns into leaks
    // of unknown origin for the leak checker.
    static const bool gl_loaded = SDL_GL_LoadLibrary(nullptr) == 0;
    (void)gl_loaded;
    Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN | SDL_WINDOW_ALLOW_HIGHDPI;
    if (!headless_run) flags |= SDL_WINDOW_RESIZABLE;
    const int w = std::max(1, static_cast<int>(std::lround(320 * scale)));
    const int h = std::max(1, static_cast<int>(std::lround(480 * scale)));
    win = SDL_CreateWindow("Flingo", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, w, h, flags);
    if (!win) {
        platform::log("cannot open a window: %s", SDL_GetError());
        return false;
    }
    SDL_SetWindowMinimumSize(win, 160, 240);
    if (!headless_run) setWindowIcon(win);
    if (fullscreen && !headless_run) toggleFullscreen();
    return true;
}

void showWindow() {
    if (win) SDL_ShowWindow(win);
}

void destroyWindow() {
    if (gl_context) {
        SDL_GL_MakeCurrent(win, nullptr);
        SDL_GL_DeleteContext(gl_context);
        gl_context = nullptr;
    }
    if (win) SDL_DestroyWindow(win);
    win = nullptr;
    // Shutting the video system down gives the desktop back its state after a full-screen run.
    // Offscreen there is nothing to give back, and SDL's shutdown there loses track of memory
    // the process is about to return anyway.
    if (!is_headless) SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

SDL_Window* window() {
    return win;
}

void windowSize(int& w, int& h) {
    w = 320;
    h = 480;
    if (win) realWindowSize(w, h);
}
bool headless() {
    return is_headless;
}

SDL_GLContext context() {
    if (gl_context || !win) return gl_context;
    SDL_GLContext ctx = SDL_GL_CreateContext(win);
    if (!ctx) {
        platform::log("cannot create an OpenGL ES 1.1 context: %s", SDL_GetError());
        return nullptr;
    }
    if (SDL_GL_MakeCurrent(win, ctx) != 0) {
        platform::log("cannot use the OpenGL ES 1.1 context: %s", SDL_GetError());
        SDL_GL_DeleteContext(ctx);
        return nullptr;
    }
    // The frame loop paces itself; waiting for the display would fight its 0.02 s timer.
    SDL_GL_SetSwapInterval(0);
    if (!glext::load()) {
        platform::log("the OpenGL ES context has no framebuffer objects");
        SDL_GL_DeleteContext(ctx);
        return nullptr;
    }
    gl_context = ctx;
    // Art and text are made for the window as it opens.
    if (const float s = screenScale(); s > 0) gfx::setDrawScale(s);
    return gl_context;
}

bool presentLaunchScreen(View* view) {
    if (!context()) return false;
    showWindow();
    // The window system's requests to draw the new window, queued by now, are for this frame.
    SDL_PumpEvents();
    launch_ticks = SDL_GetTicks();
    launch_drawn = true;
    present(view, {});
    return true;
}

bool drawnByLaunch(uint32_t ticks) {
    return launch_drawn && ticks <= launch_ticks;
}

void toggleFullscreen() {
    if (!win || is_headless) return;
    fullscreen_on = !fullscreen_on;
    SDL_SetWindowFullscreen(win, fullscreen_on ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0);
}

PixelRect fitScreen(int dw, int dh) {
    // The largest centred rectangle of the screen's shape, at any scale: everything is drawn
    // at the drawable's own resolution, so no scale is sharper than another.
    PixelRect r;
    // Minimised, not yet sized, or too small to show anything: nothing to draw.
    if (dw < 2 || dh < 3) return r;
    const double s = std::min(dw / 320.0, dh / 480.0);
    r.w = std::clamp(static_cast<int>(std::lround(320 * s)), 1, dw);
    r.h = std::clamp(static_cast<int>(std::lround(480 * s)), 1, dh);
    r.x = (dw - r.w) / 2;
    r.y = (dh - r.h) / 2;
    return r;
}

float screenScale() {
    const PixelRect r = screenRect();
    return r.h > 0 ? static_cast<float>(r.h) / SCREEN_HEIGHT : 0.0f;
}

unsigned presentCount() {
    return presents;
}

namespace {
void restoreCompose(const PixelRect& r) {
    if (composing) setComposeState(r);
}
} // namespace

void drawGame(float x, void (*render)()) {
    const PixelRect r = screenRect();
    if (r.w <= 0) return;
    if (composing) composing->restore();
    glext::bindFramebuffer(GL_FRAMEBUFFER_OES, 0);
    const float s = static_cast<float>(r.w) / SCREEN_WIDTH;
    const int left = r.x + static_cast<int>(std::lround(x * s));
    glViewport(left, r.y, r.w, r.h);
    // Moved aside (a slide), the picture covers only its part of the screen, even where the
    // game clears: what lies beside it and the bars stay as they are.
    if (x != 0 || composing) {
        const int x0 = std::max(left, r.x), x1 = std::min(left + r.w, r.x + r.w);
        if (x1 <= x0) return restoreCompose(r);
        glEnable(GL_SCISSOR_TEST);
        glScissor(x0, r.y, x1 - x0, r.h);
    }
    render();
    glDisable(GL_SCISSOR_TEST);
    if (!composing) return;
    composing->save();
    setComposeState(r);
}

bool mapToScreen(float wx, float wy, int ww, int wh, int dw, int dh, float& x, float& y,
                 bool clamp) {
    const PixelRect r = fitScreen(dw, dh);
    if (r.w <= 0 || r.h <= 0) { // no screen to be on
        x = y = 0;
        return false;
    }
    // Drawable pixels from window coordinates; the screen's top edge in them.
    const float px = wx * static_cast<float>(dw) / static_cast<float>(std::max(ww, 1));
    const float py = wy * static_cast<float>(dh) / static_cast<float>(std::max(wh, 1));
    const float top = static_cast<float>(dh - r.y - r.h);
    x = (px - static_cast<float>(r.x)) * SCREEN_WIDTH / static_cast<float>(r.w);
    y = (py - top) * SCREEN_HEIGHT / static_cast<float>(r.h);
    const bool inside = x >= 0 && x <= SCREEN_WIDTH && y >= 0 && y <= SCREEN_HEIGHT;
    if (clamp) {
        x = std::clamp(x, 0.0f, SCREEN_WIDTH);
        y = std::clamp(y, 0.0f, SCREEN_HEIGHT);
    }
    return inside;
}

PixelRect screenRect() {
    int dw = 320, dh = 480;
    drawableSize(dw, dh);
    return fitScreen(dw, dh);
}

bool windowToScreen(float wx, float wy, float& x, float& y, bool clamp) {
    int ww = 320, wh = 480, dw = 320, dh = 480;
    if (win) {
        realWindowSize(ww, wh);
        drawableSize(dw, dh);
    }
    return mapToScreen(wx, wy, ww, wh, dw, dh, x, y, clamp);
}

void present(View* root, const std::vector<std::string>& screenshots) {
    SavedState saved;
    saved.save();
    int dw = 0, dh = 0;
    drawableSize(dw, dh);
    const PixelRect r = fitScreen(dw, dh);
    if (r.w <= 0) { // a drawable of no size: nothing to show, nothing to divide by
        saved.restore();
        return;
    }
    clearAround(r, dw, dh, root && root->opaque());
    setComposeState(r);
    composing = &saved;
    if (root) root->draw(0);
    composing = nullptr;
    for (Overlay* o : overlays())
        o->draw();
    for (const std::string& path : screenshots)
        writeScreenshot(path, r);
    saved.restore();
    ++presents;
    if (is_headless)
        glFlush(); // the offscreen surface never swaps; without a flush
                   // llvmpipe's queued commands pile up frame after frame
    else
        SDL_GL_SwapWindow(win);
}

} // namespace shell
