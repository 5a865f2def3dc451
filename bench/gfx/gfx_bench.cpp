// SPDX-License-Identifier: MIT
// Costs of the graphics layer: decoding and uploading a screen-sized PNG, rasterising a HUD
// text, and drawing a frame's worth of sprites against a floor of raw GL calls.
//
// llvmpipe rasterises on worker threads, so on a busy machine the real time of a frame mostly
// measures the other load. Run with LP_NUM_THREADS=0 to rasterise on the calling thread: the
// CPU column then holds the whole cost of a frame and compares sprites with the floor fairly.
#include "alloc_counter.h"
#include "core/platform.h"
#include "gfx/sprite.h"
#include "gfx/text.h"
#include "gfx/texture.h"
#include "support/gl_context.h"

#include <GLES/gl.h>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <png.h>
#include <string>
#include <vector>

namespace {

std::string scratch;
struct RemoveScratch {
    ~RemoveScratch() {
        if (!scratch.empty()) std::filesystem::remove_all(scratch);
    }
} remove_scratch;

// A folder with img/ for the synthetic images and the fonts the game uses (or a stand-in).
const std::string& scratchDir() {
    if (scratch.empty()) {
        char tmpl[] = "/tmp/flingo-gfx-bench-XXXXXX";
        scratch = std::string(mkdtemp(tmpl)) + "/";
        std::filesystem::create_directories(scratch + "img");
        const char* env = getenv("FLINGO_RESOURCE_DIR");
        const std::string res = env && *env ? env : FLINGO_BENCH_RESOURCES;
        for (const char* font : {"fawn.ttf", "zerothre.ttf"})
            if (std::filesystem::exists(res + "/" + font))
                std::filesystem::copy_file(res + "/" + font, scratch + font);
        if (!std::filesystem::exists(scratch + "fawn.ttf"))
            std::filesystem::copy_file("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
                                       scratch + "fawn.ttf");
        platform::setBasePath(scratch.c_str());
    }
    return scratch;
}

void appendBytes(png_structp png, png_bytep data, size_t n) {
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + n);
}

// Art-like content: smooth shading, a few hard shapes, some grain, soft alpha at the edges.
void writeArt(const std::string& name, int w, int h) {
    std::vector<uint8_t> px(size_t(w) * h * 4);
    uint32_t grain = 12345;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = &px[(size_t(y) * w + x) * 4];
            const float fx = float(x) / w, fy = float(y) / h;
            const bool shape = std::fmod(fx * 5 + fy * 3, 1.0f) < 0.3f;
            p[0] = uint8_t(200 * fx + (shape ? 40 : 0));
            p[1] = uint8_t(180 * fy);
            p[2] = uint8_t(120 + 100 * std::sin(fx * 6.28f));
            const float edge = std::min(std::min(fx, 1 - fx), std::min(fy, 1 - fy));
            p[3] = uint8_t(std::min(1.0f, edge * 20) * 255);
            if (y < h / 3) { // a textured third, as painted art has
                grain = grain * 1103515245u + 12345u;
                p[0] = uint8_t(p[0] ^ (grain >> 29));
                p[1] = uint8_t(p[1] ^ (grain >> 26 & 7));
            }
        }
    std::vector<uint8_t> out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(png, &out, appendBytes, nullptr);
    png_set_IHDR(png, info, w, h, 8, PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < h; ++y)
        png_write_row(png, &px[size_t(y) * w * 4]);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    std::ofstream(scratchDir() + "img/" + name, std::ios::binary)
        .write(reinterpret_cast<const char*>(out.data()), std::streamsize(out.size()));
}

void BM_DecodeAndUploadPng320x480(benchmark::State& state) {
    if (!testgl::init()) return state.SkipWithError("no GL");
    writeArt("screen.png", 320, 480);
    state.counters["file_bytes"] =
        double(std::filesystem::file_size(scratchDir() + "img/screen.png"));
    for (auto _ : state) {
        Texture t("screen.png");
        glFinish(); // the upload is done when this returns
        GLuint id = t.id;
        glDeleteTextures(1, &id);
    }
}
BENCHMARK(BM_DecodeAndUploadPng320x480)->Unit(benchmark::kMillisecond)->UseRealTime();

void rasterise(benchmark::State& state, int outline) {
    scratchDir();
    platform::TextImage image;
    const platform::TextStyle style{"fawn", -29, 24, {1, 1, 1, 1}, {0, 0, 0, 1}, outline, 1.0f};
    for (auto _ : state) {
        unsigned char* px = platform::loadFontFileText("Score 12", style, image);
        benchmark::DoNotOptimize(px);
        delete[] px;
    }
    state.counters["width"] = image.width;
}
void BM_TextScore12(benchmark::State& state) {
    rasterise(state, 0);
}
void BM_TextScore12Outline3(benchmark::State& state) {
    rasterise(state, 3);
}
BENCHMARK(BM_TextScore12)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TextScore12Outline3)->Unit(benchmark::kMicrosecond);

// A level's frame: scene layers, fans, basket, ball, wind arrow, buttons, banner, HUD texts.
struct Item {
    int w, h;
    float x, y;
};
const Item FRAME[20] = {
    {320, 480, 160, 240}, {320, 392, 160, 196}, {344, 258, 160, 300}, {252, 134, 160, 330},
    {112, 79, 160, 260},  {80, 98, 40, 200},    {80, 98, 280, 200},   {62, 96, 160, 150},
    {54, 80, 100, 120},   {42, 54, 220, 140},   {30, 44, 160, 80},    {24, 30, 200, 90},
    {64, 28, 160, 440},   {150, 44, 80, 30},    {150, 44, 240, 30},   {104, 44, 160, 400},
    {320, 50, 160, 455},  {128, 32, 70, 420},   {64, 32, 250, 420},   {128, 32, 160, 380}};

struct Scene {
    std::vector<Sprite*> sprites;
    // The floor's own copy of what it needs: screen-space corners, coordinates, texture names.
    float verts[20][8], tex[20][8];
    GLuint ids[20];

    Scene() {
        for (int i = 0; i < 20; ++i) {
            const std::string name = "item" + std::to_string(i) + ".png";
            writeArt(name, FRAME[i].w, FRAME[i].h);
            sprites.push_back(new Sprite(name.c_str(), {0, 0}, 0, false, 0));
            const Texture* t = sprites.back()->texture;
            const float x0 = FRAME[i].x - FRAME[i].w / 2.0f, x1 = x0 + FRAME[i].w;
            const float y0 = FRAME[i].y - FRAME[i].h / 2.0f, y1 = y0 + FRAME[i].h;
            const float u = float(t->size.x) / t->texSize.x, v = float(t->size.y) / t->texSize.y;
            const float vs[8] = {x0, y0, x1, y0, x1, y1, x0, y1};
            const float ts[8] = {0, v, u, v, u, 0, 0, 0};
            std::copy(vs, vs + 8, verts[i]);
            std::copy(ts, ts + 8, tex[i]);
            ids[i] = t->id;
        }
    }
    ~Scene() {
        for (Sprite*& s : sprites)
            killSprite(s);
        texture_mgr.cleanup();
    }

    static void begin() {
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrthof(0, 320, 0, 480, -1, 450);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glEnable(GL_TEXTURE_2D);
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        glEnableClientState(GL_VERTEX_ARRAY);
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        glVertexPointer(2, GL_FLOAT, 0, fg::quad_verts);
        glClear(GL_COLOR_BUFFER_BIT);
    }

    void spriteFrame() {
        begin();
        for (int i = 0; i < 20; ++i)
            sprites[i]->draw({FRAME[i].x, FRAME[i].y, 0}, {1, 1}, {0, 0, 0}, {1, 1, 1, 1});
        glFinish();
    }

    void rawFrame() {
        begin();
        glColor4f(1, 1, 1, 1);
        for (int i = 0; i < 20; ++i) {
            glBindTexture(GL_TEXTURE_2D, ids[i]);
            glVertexPointer(2, GL_FLOAT, 0, verts[i]);
            glTexCoordPointer(2, GL_FLOAT, 0, tex[i]);
            glDrawArrays(GL_TRIANGLE_FAN, 0, 4);
        }
        glFinish();
    }

    void warm() {
        for (int i = 0; i < 5; ++i)
            spriteFrame(), rawFrame(); // shader variants compiled outside the timing
    }
};

void BM_Draw20Sprites(benchmark::State& state) {
    if (!testgl::init()) return state.SkipWithError("no GL");
    scratchDir();
    Scene scene;
    scene.warm();
    const uint64_t before = bench::allocations();
    for (auto _ : state)
        scene.spriteFrame();
    state.counters["allocs_per_frame"] =
        double(bench::allocations() - before) / double(state.iterations());
}
BENCHMARK(BM_Draw20Sprites)->Unit(benchmark::kMicrosecond)->UseRealTime()->MinTime(3.0);

// The floor: the same textured quads with nothing but the GL calls that draw them.
void BM_Draw20QuadsRawGl(benchmark::State& state) {
    if (!testgl::init()) return state.SkipWithError("no GL");
    scratchDir();
    Scene scene;
    scene.warm();
    for (auto _ : state)
        scene.rawFrame();
}
BENCHMARK(BM_Draw20QuadsRawGl)->Unit(benchmark::kMicrosecond)->UseRealTime()->MinTime(3.0);

// Both, frame by frame in turn, so that the load of a shared machine falls on both alike.
void BM_SpritesOverFloorRatio(benchmark::State& state) {
    if (!testgl::init()) return state.SkipWithError("no GL");
    scratchDir();
    Scene scene;
    scene.warm();
    using clock = std::chrono::steady_clock;
    clock::duration sprites{}, raw{};
    for (auto _ : state) {
        const auto t0 = clock::now();
        scene.spriteFrame();
        const auto t1 = clock::now();
        scene.rawFrame();
        sprites += t1 - t0;
        raw += clock::now() - t1;
    }
    const double n = double(state.iterations());
    state.counters["sprites_us"] = std::chrono::duration<double, std::micro>(sprites).count() / n;
    state.counters["raw_us"] = std::chrono::duration<double, std::micro>(raw).count() / n;
    state.counters["ratio"] = double(sprites.count()) / double(raw.count());
}
BENCHMARK(BM_SpritesOverFloorRatio)->Unit(benchmark::kMicrosecond)->UseRealTime()->MinTime(5.0);

} // namespace

BENCHMARK_MAIN();
