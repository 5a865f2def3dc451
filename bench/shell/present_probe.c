// SPDX-License-Identifier: MIT
/* Preloaded into a program under measurement: writes the monotonic time of its first present
   (SDL_GL_SwapWindow, or glFlush in headless runs) in nanoseconds to $PRESENT_PROBE_FILE. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>

static int seen = 0;

static void note(void) {
    if (seen) return;
    seen = 1;
    const char* path = getenv("PRESENT_PROBE_FILE");
    if (!path) return;
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    FILE* f = fopen(path, "w");
    if (!f) return;
    fprintf(f, "%lld\n", (long long)ts.tv_sec * 1000000000LL + ts.tv_nsec);
    fclose(f);
}

void SDL_GL_SwapWindow(void* window) {
    static void (*real)(void*) = 0;
    note();
    if (!real) real = (void (*)(void*))dlsym(RTLD_NEXT, "SDL_GL_SwapWindow");
    real(window);
}

void glFlush(void) {
    static void (*real)(void) = 0;
    note();
    if (!real) real = (void (*)(void))dlsym(RTLD_NEXT, "glFlush");
    real();
}
