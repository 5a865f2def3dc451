// SPDX-License-Identifier: MIT
#include "support/gl_context.h"

#include <GLES/gl.h>
#include <SDL.h>
#include <algorithm>
#include <cstdio>

namespace testgl {
namespace {
SDL_Window* window = nullptr;
SDL_GLContext context = nullptr;
int w = 0, h = 0;
} // namespace

bool init(int width, int height) {
    if (context) return true;
    SDL_SetHint(SDL_HINT_VIDEODRIVER, "offscreen");
    const bool video = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
    for (auto [attr, value] :
         {std::pair{SDL_GL_CONTEXT_PROFILE_MASK, int(SDL_GL_CONTEXT_PROFILE_ES)},
          {SDL_GL_CONTEXT_MAJOR_VERSION, 1},
          {SDL_GL_CONTEXT_MINOR_VERSION, 1},
          {SDL_GL_RED_SIZE, 8},
          {SDL_GL_GREEN_SIZE, 8},
          {SDL_GL_BLUE_SIZE, 8},
          {SDL_GL_DEPTH_SIZE, 16}})
        SDL_GL_SetAttribute(attr, value);
    if (video)
        window =
            SDL_CreateWindow("test", 0, 0, width, height, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (window) context = SDL_GL_CreateContext(window);
    if (!context) {
        fprintf(stderr, "testgl: no ES 1.1 context: %s\n", SDL_GetError());
        return false;
    }
    SDL_GL_MakeCurrent(window, context);
    w = width;
    h = height;
    glViewport(0, 0, w, h);
    return true;
}

int height() {
    return h;
}

std::vector<uint8_t> readPixels() {
    std::vector<uint8_t> px(static_cast<size_t>(w) * h * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, px.data());
    const size_t row = static_cast<size_t>(w) * 4; // GL's row 0 is the bottom one
    for (int y = 0; y < h / 2; ++y)
        std::swap_ranges(&px[y * row], &px[y * row] + row, &px[(h - 1 - y) * row]);
    return px;
}

uint32_t rgbAt(const std::vector<uint8_t>& px, int x, int y) {
    const uint8_t* p = &px[(static_cast<size_t>(y) * w + x) * 4];
    return (uint32_t(p[0]) << 16) | (uint32_t(p[1]) << 8) | p[2];
}

} // namespace testgl
