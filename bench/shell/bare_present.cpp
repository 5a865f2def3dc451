// SPDX-License-Identifier: MIT
// The floor for start-up and for memory: a bare SDL2 program that opens a window with an OpenGL
// ES 1.1 context, uploads one full-screen picture and draws it as one textured quad, presents
// that frame (FRAMES times over), then exits. --headless uses the offscreen driver and a flush
// per frame, as the game's headless runs do.
//   shell_bare_present [--headless] [--frames N]
#include "bare_gl.h"

#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
    bool headless = false;
    int frames = 1;
    for (int i = 1; i < argc; ++i) {
        if (strcmp(argv[i], "--headless") == 0) headless = true;
        if (strcmp(argv[i], "--frames") == 0 && i + 1 < argc) frames = atoi(argv[++i]);
    }
    if (headless) SDL_SetHint(SDL_HINT_VIDEODRIVER, "offscreen");
    if (SDL_Init(SDL_INIT_VIDEO) != 0) return 1;
    SDL_Window* w = bare::openWindow("bare", 320, 480);
    if (!w) return 1;
    // The start-up picture, 320 x 480, in a texture of powers of two (see bare_gl.h).
    bare::setUp2d(320, 480, 320, 480);
    const GLfloat v[] = {0, 0, 320, 0, 320, 480, 0, 480};
    const GLfloat uv[] = {0, 0.9375f, 0.625f, 0.9375f, 0.625f, 0, 0, 0};
    glVertexPointer(2, GL_FLOAT, 0, v);
    glTexCoordPointer(2, GL_FLOAT, 0, uv);
    glClearColor(0.9f, 0, 0, 1);
    for (int f = 0; f < frames; ++f) {
        glClear(GL_COLOR_BUFFER_BIT);
        glDrawArrays(GL_TRIANGLE_FAN, 0, 4);
        if (headless)
            glFlush();
        else
            SDL_GL_SwapWindow(w);
    }
    SDL_GL_DeleteContext(SDL_GL_GetCurrentContext());
    SDL_DestroyWindow(w);
    SDL_Quit();
    return 0;
}
