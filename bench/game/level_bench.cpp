// SPDX-License-Identifier: MIT
// One frame of the level screen (update and render) in the offscreen context, against a floor
// that replays the very same quads with nothing but the GL calls that draw them; and the heap
// allocations of steady play. FLINGO_BENCH_SCALE=2 draws into a surface of twice the size.
#include "alloc_counter.h"
#include "core/evt.h"
#include "core/platform.h"
#include "gfx/scale.h"
#include "gfx/sprite.h"
#include "gfx/texture.h"
#include "level_driver.h"
#include "support/gl_context.h"

#include <GLES/gl.h>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <vector>

namespace {

// FLINGO_BENCH_SCALE=S draws into a surface of S x (320 x 480) pixels with the art and text
// of that scale, as a window at that scale does.
void useResources() {
    const char* env = std::getenv("FLINGO_RESOURCE_DIR");
    if (!env || !*env) platform::setBasePath(FLINGO_BENCH_RESOURCES);
    const char* s = std::getenv("FLINGO_BENCH_SCALE");
    const float scale = s && *s ? std::strtof(s, nullptr) : 1.0f;
    if (scale > 0 && testgl::init(int(std::lround(320 * scale)), int(std::lround(480 * scale))))
        gfx::setDrawScale(scale);
}

int scale() {
    const char* env = std::getenv("FLINGO_BENCH_SCALE");
    return env && std::atoi(env) > 1 ? std::atoi(env) : 1;
}

// A driver for timing: nothing recorded, the level ready on the first row; on a first play the
// tutorial is on screen.
struct Bench {
    explicit Bench(bool firstPlay = false) {
        glViewport(0, 0, 320 * scale(), 480 * scale());
        evt::setObserver(nullptr);
        info = fg::level_info[0];
        if (firstPlay) info.tutorial = "tutorial.png";
        d.enter(info);
        d.level.windToLeft = 0;
        for (int i = 0; i < 10; ++i)
            frame(); // shader variants compiled outside the timing
    }
    void frame() {
        glClear(GL_COLOR_BUFFER_BIT);
        d.level.update(0.02f);
        d.level.render({0, 0});
        glFinish();
    }
    // Keeps the ball in the air: a new flight starts whenever one has landed.
    void keepFlying() {
        if (d.level.state == Level::FLYING) return;
        d.level.state = Level::FLYING;
        d.level.flightTime = 0;
        d.level.apexOffset = 20;
        d.level.drift = 30;
        d.level.ballPos = {160, 32, 0};
    }
    // The surface, made before the driver's own (which would be one of scale 1).
    struct Surface {
        Surface() {
            if (!testgl::init(320 * scale(), 480 * scale())) std::abort();
        }
    } surface;
    leveltest::LevelDriver d;
    fg::LevelInfo info{};
};

void BM_LevelFrameAtRest(benchmark::State& state) {
    useResources();
    Bench b;
    const uint64_t before = bench::allocations();
    for (auto _ : state)
        b.frame();
    state.counters["allocs_per_frame"] =
        double(bench::allocations() - before) / double(state.iterations());
}
BENCHMARK(BM_LevelFrameAtRest)->Unit(benchmark::kMicrosecond)->UseRealTime()->MinTime(3.0);

void BM_LevelFrameInFlight(benchmark::State& state) {
    useResources();
    Bench b;
    b.keepFlying();
    const uint64_t before = bench::allocations();
    for (auto _ : state) {
        b.keepFlying();
        b.frame();
    }
    state.counters["allocs_per_frame"] =
        double(bench::allocations() - before) / double(state.iterations());
}
BENCHMARK(BM_LevelFrameInFlight)->Unit(benchmark::kMicrosecond)->UseRealTime()->MinTime(3.0);

// Everything one quad of the frame needs, taken from the level's own queue.
struct Quad {
    GLuint texture;
    bool repeat;
    float coords[8];
    Vector2<float> size;
    fg::RenderInfo e;
};

void record(const fg::RenderInfo& e, void* user) {
    Quad q{e.sprite->texture->id, e.sprite->scrolling, {}, e.sprite->quadSize, e};
    std::copy(e.sprite->frames + 8 * e.sprite->frame, e.sprite->frames + 8 * e.sprite->frame + 8,
              q.coords);
    static_cast<std::vector<Quad>*>(user)->push_back(q);
}

// The floor: the same quads, matrices, colours, textures and projection switches as a frame at
// rest, issued straight to GL.
struct Floor {
    explicit Floor(Bench& b) : l(*b.d.level.info) {
        fg::setRenderTrace(&record, &quads);
        b.frame();
        fg::setRenderTrace(nullptr, nullptr);
        h = float(std::tan(double(l.fieldOfView) * double(0.008726647f)) * 0.1);
        tilt = 90 - std::atan(l.basketDepth / l.cameraHeight) * 57.295776f;
        for (int i = 0; i < 10; ++i)
            frame();
    }
    void frame() {
        glClear(GL_COLOR_BUFFER_BIT);
        bool ortho = true;
        for (const Quad& q : quads) {
            if (q.e.ortho != ortho) {
                ortho = q.e.ortho;
                glMatrixMode(GL_PROJECTION);
                glLoadIdentity();
                if (ortho)
                    glOrthof(0, 320, 0, 480, 0, 450);
                else
                    glFrustumf(-h * 0.6666667f, h * 0.6666667f, -h, h, 0.1f, 450.1f);
                glMatrixMode(GL_MODELVIEW);
                glLoadIdentity();
                if (!ortho) {
                    glTranslatef(0, -l.cameraHeight, -l.basketDepth);
                    glRotatef(tilt, 1, 0, 0);
                }
            }
            glPushMatrix();
            glTranslatef(q.e.position.x, q.e.position.y, -q.e.position.z);
            if (q.e.rotation.z != 0) glRotatef(q.e.rotation.z, 0, 0, 1);
            if (q.e.rotation.y != 0) glRotatef(q.e.rotation.y, 0, 1, 0);
            if (q.e.rotation.x != 0) glRotatef(q.e.rotation.x, 1, 0, 0);
            glScalef(q.size.x * q.e.scale.x, q.size.y * q.e.scale.y, 1);
            glColor4f(q.e.colour.x, q.e.colour.y, q.e.colour.z, q.e.colour.w);
            glBindTexture(GL_TEXTURE_2D, q.texture);
            const GLint wrap = q.repeat ? GL_REPEAT : GL_CLAMP_TO_EDGE;
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wrap);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrap);
            glTexCoordPointer(2, GL_FLOAT, 0, q.coords);
            glDrawArrays(GL_TRIANGLE_FAN, 0, 4);
            glPopMatrix();
        }
        glFinish();
    }
    const fg::LevelInfo& l;
    std::vector<Quad> quads;
    float h = 0, tilt = 0;
};

void BM_RawGlFloor(benchmark::State& state) {
    useResources();
    Bench b;
    Floor f(b);
    for (auto _ : state)
        f.frame();
    state.counters["quads"] = double(f.quads.size());
}
BENCHMARK(BM_RawGlFloor)->Unit(benchmark::kMicrosecond)->UseRealTime()->MinTime(3.0);

double threadSeconds() {
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

double processSeconds() {
    timespec t;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// Level frames and floor frames taken in turns, so a busy machine slows both alike; medians
// keep the odd stall of a shared machine out of the ratio. The process's CPU time counts every
// thread, llvmpipe's rasterising threads among them: what the frame costs the machine. The
// thread's own CPU time is what the game's code adds on top of GL.
void levelOverFloor(benchmark::State& state, bool firstPlay) {
    using Clock = std::chrono::steady_clock;
    useResources();
    Bench b(firstPlay);
    Floor f(b);
    std::vector<double> level, floor, levelCpu, floorCpu, levelAll, floorAll;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        const double c0 = threadSeconds(), p0 = processSeconds();
        b.frame();
        const auto t1 = Clock::now();
        const double c1 = threadSeconds(), p1 = processSeconds();
        f.frame();
        const double c2 = threadSeconds(), p2 = processSeconds();
        level.push_back(std::chrono::duration<double, std::micro>(t1 - t0).count());
        floor.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t1).count());
        levelCpu.push_back((c1 - c0) * 1e6);
        floorCpu.push_back((c2 - c1) * 1e6);
        levelAll.push_back((p1 - p0) * 1e6);
        floorAll.push_back((p2 - p1) * 1e6);
    }
    state.counters["level_us"] = median(level);
    state.counters["floor_us"] = median(floor);
    state.counters["ratio"] = median(level) / median(floor);
    state.counters["level_cpu_us"] = median(levelCpu);
    state.counters["floor_cpu_us"] = median(floorCpu);
    state.counters["level_process_cpu_us"] = median(levelAll);
    state.counters["floor_process_cpu_us"] = median(floorAll);
    state.counters["process_cpu_ratio"] = median(levelAll) / median(floorAll);
    state.counters["quads"] = double(f.quads.size());
    // Pixels blended per frame by the flat (ortho) quads, in screens of 320 x 480 points.
    double area = 0;
    for (const Quad& q : f.quads)
        if (q.e.ortho) area += double(q.size.x) * q.e.scale.x * double(q.size.y) * q.e.scale.y;
    state.counters["flat_screens"] = area / (320.0 * 480.0);
}
void BM_LevelOverFloor(benchmark::State& state) {
    levelOverFloor(state, false);
}
void BM_FirstPlayOverFloor(benchmark::State& state) {
    levelOverFloor(state, true);
}
BENCHMARK(BM_LevelOverFloor)->Unit(benchmark::kMicrosecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_FirstPlayOverFloor)->Unit(benchmark::kMicrosecond)->UseRealTime()->MinTime(2.0);

// A whole throw, flick to ready: the new score and wind texts are made here, and only here.
void BM_WholeThrow(benchmark::State& state) {
    useResources();
    Bench b;
    uint64_t allocs = 0, frames = 0;
    for (auto _ : state) {
        b.d.level.wind = 0;
        b.d.flick(0, 68);
        const uint64_t before = bench::allocations();
        do {
            b.d.wait(0.02);
            b.frame();
            ++frames;
        } while (b.d.level.state != Level::READY);
        allocs += bench::allocations() - before;
        texture_mgr.cleanup();
    }
    state.counters["allocs_per_throw"] = double(allocs) / double(state.iterations());
    state.counters["frames_per_throw"] = double(frames) / double(state.iterations());
}
BENCHMARK(BM_WholeThrow)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

} // namespace

BENCHMARK_MAIN();
