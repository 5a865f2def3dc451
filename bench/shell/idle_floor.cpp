// SPDX-License-Identifier: MIT
// The floor for idling in the menu: a bare SDL2 + GLES 1.1 window that draws the menu's quads
// (the 320 x 480 background, five level buttons, the scores button, the sound label and a
// banner), textured and blended, 50 times a second, scaled like the game's window.
//   idle_floor FRAMES [SCALE]
#include "bare_gl.h"

#include <cstdlib>

int main(int argc, char** argv) {
    const int frames = argc > 1 ? atoi(argv[1]) : 500;
    const int scale = argc > 2 ? atoi(argv[2]) : 2;
    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_TIMER) != 0) return 1;
    SDL_Window* w = bare::openWindow("floor", 320 * scale, 480 * scale);
    if (!w) return 1;
    bare::setUp2d(512, 512, 320 * scale, 480 * scale);

    // Centre and size of each quad, as the menu draws them.
    const float quads[][4] = {{160, 240, 320, 480}, {230, 316, 150, 44}, {230, 264, 150, 44},
                              {230, 212, 150, 44},  {230, 160, 150, 44}, {230, 108, 150, 44},
                              {63, 343, 100, 40},   {283, 376, 70, 20},  {160, 25, 320, 50}};
    const GLfloat uv[] = {0, 0, 0.625f, 0, 0.625f, 0.9375f, 0, 0.9375f};
    Uint64 next = SDL_GetTicks64();
    for (int f = 0; f < frames; ++f) {
        SDL_Event e;
        while (SDL_PollEvent(&e)) {
        }
        glClear(GL_COLOR_BUFFER_BIT);
        for (const auto& q : quads) {
            const GLfloat v[] = {q[0] - q[2] / 2, q[1] - q[3] / 2, q[0] + q[2] / 2,
                                 q[1] - q[3] / 2, q[0] + q[2] / 2, q[1] + q[3] / 2,
                                 q[0] - q[2] / 2, q[1] + q[3] / 2};
            glVertexPointer(2, GL_FLOAT, 0, v);
            glTexCoordPointer(2, GL_FLOAT, 0, uv);
            glDrawArrays(GL_TRIANGLE_FAN, 0, 4);
        }
        SDL_GL_SwapWindow(w);
        next += 20;
        const Uint64 now = SDL_GetTicks64();
        if (next > now) SDL_Delay(static_cast<Uint32>(next - now));
    }
    SDL_Quit();
    return 0;
}
