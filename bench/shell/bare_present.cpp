// SPDX-License-Identifier: MIT
// The floor for start-up: a bare SDL2 program that opens a window with an OpenGL ES 1.1
// context, clears it and presents that one frame, then exits. --headless uses the offscreen
// driver and a flush, as the game's headless runs do.
#include <GLES/gl.h>
#include <SDL.h>
#include <cstring>

int main(int argc, char** argv) {
    bool headless = false;
    for (int i = 1; i < argc; ++i)
        if (strcmp(argv[i], "--headless") == 0) headless = true;
    if (headless) SDL_SetHint(SDL_HINT_VIDEODRIVER, "offscreen");
    if (SDL_Init(SDL_INIT_VIDEO) != 0) return 1;
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_ES);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 1);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
    SDL_Window* w = SDL_CreateWindow("bare", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, 320,
                                     480, SDL_WINDOW_OPENGL);
    if (!w) return 1;
    SDL_GLContext c = SDL_GL_CreateContext(w);
    if (!c) return 1;
    glClearColor(0.9f, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    if (headless)
        glFlush();
    else
        SDL_GL_SwapWindow(w);
    SDL_GL_DeleteContext(c);
    SDL_DestroyWindow(w);
    SDL_Quit();
    return 0;
}
