// SPDX-License-Identifier: MIT
// The floor for start-up and for memory: a bare SDL2 program that opens a window with an OpenGL
// ES 1.1 context, uploads one full-screen picture and draws it as one textured quad, presents
// that frame (FRAMES times over), then exits. --headless uses the offscreen driver and a flush
// per frame, as the game's headless runs do.
//   shell_bare_present [--headless] [--frames N]
#include <GLES/gl.h>
#include <SDL.h>
#include <cstdlib>
#include <cstring>
#include <vector>

int main(int argc, char** argv) {
    bool headless = false;
    int frames = 1;
    for (int i = 1; i < argc; ++i) {
        if (strcmp(argv[i], "--headless") == 0) headless = true;
        if (strcmp(argv[i], "--frames") == 0 && i + 1 < argc) frames = atoi(argv[++i]);
    }
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
    SDL_GL_SetSwapInterval(0);

    // A 320 x 480 picture in a 512 x 512 texture, as the game uploads its start-up image.
    std::vector<unsigned char> pixels(320 * 480 * 4);
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = static_cast<unsigned char>(i * 7);
    GLuint tex = 0;
    glGenTextures(1, &tex);
    glBindTexture(GL_TEXTURE_2D, tex);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 512, 512, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 320, 480, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glViewport(0, 0, 320, 480);
    glMatrixMode(GL_PROJECTION);
    glOrthof(0, 320, 0, 480, -1, 1);
    glMatrixMode(GL_MODELVIEW);
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
    SDL_GL_DeleteContext(c);
    SDL_DestroyWindow(w);
    SDL_Quit();
    return 0;
}
