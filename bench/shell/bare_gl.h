// SPDX-License-Identifier: MIT
// What the bare floor programs share: an SDL2 window with an OpenGL ES 1.1 context, one patterned
// picture in a 512 x 512 texture (powers of two, as plain ES 1.1 wants them; the game fits its
// pictures where the driver takes any size), and the game's 2D state (blending, 320 x 480 point
// projection).
#pragma once

#include <GLES/gl.h>
#include <SDL.h>
#include <vector>

namespace bare {

// A window of w x h pixels with a current ES 1.1 context and no vsync; null if either failed.
inline SDL_Window* openWindow(const char* title, int w, int h) {
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_ES);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 1);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
    SDL_Window* win = SDL_CreateWindow(title, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, w, h,
                                       SDL_WINDOW_OPENGL);
    if (!win || !SDL_GL_CreateContext(win)) return nullptr;
    SDL_GL_SetSwapInterval(0);
    return win;
}

// A w x h patterned picture uploaded into a 512 x 512 texture; then
// textured, blended drawing of 2D arrays over the 320 x 480 point space in a viewW x viewH
// viewport.
inline void setUp2d(int w, int h, int viewW, int viewH) {
    std::vector<unsigned char> pixels(static_cast<size_t>(w) * h * 4);
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = static_cast<unsigned char>(i * 7);
    GLuint tex = 0;
    glGenTextures(1, &tex);
    glBindTexture(GL_TEXTURE_2D, tex);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 512, 512, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glViewport(0, 0, viewW, viewH);
    glMatrixMode(GL_PROJECTION);
    glOrthof(0, 320, 0, 480, -1, 1);
    glMatrixMode(GL_MODELVIEW);
}

} // namespace bare
