// SPDX-License-Identifier: MIT
/* Preloaded into a program under measurement: after every present (SDL_GL_SwapWindow, or glFlush
   in headless runs) appends a line "WALL_NS CPU_NS" to $PRESENT_PROBE_FILE: the monotonic time
   and the CPU time of the whole process (every thread) so far. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

static int fd = -2;

static long long ns(clockid_t clock) {
    struct timespec ts;
    clock_gettime(clock, &ts);
    return (long long)ts.tv_sec * 1000000000LL + ts.tv_nsec;
}

static void note(void) {
    if (fd == -2) {
        const char* path = getenv("PRESENT_PROBE_FILE");
        fd = path ? open(path, O_WRONLY | O_CREAT | O_APPEND, 0644) : -1;
    }
    if (fd < 0) return;
    char line[64];
    const int n = snprintf(line, sizeof line, "%lld %lld\n", ns(CLOCK_MONOTONIC),
                           ns(CLOCK_PROCESS_CPUTIME_ID));
    if (write(fd, line, (size_t)n) != n) fd = -1;
}

void SDL_GL_SwapWindow(void* window) {
    static void (*real)(void*) = 0;
    if (!real) real = (void (*)(void*))dlsym(RTLD_NEXT, "SDL_GL_SwapWindow");
    real(window);
    note();
}

void glFlush(void) {
    static void (*real)(void) = 0;
    if (!real) real = (void (*)(void))dlsym(RTLD_NEXT, "glFlush");
    real();
    note();
}
