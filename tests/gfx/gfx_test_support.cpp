#include "gfx_test_support.h"

#include "core/platform.h"
#include "gfx/sprite.h"
#include "support/gl_context.h"

#include <GLES/gl.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <png.h>

namespace gfxtest {

std::string makeResourceDir() {
    char tmpl[] = "/tmp/flingo-gfx-XXXXXX";
    const char* dir = mkdtemp(tmpl);
    if (!dir) abort();
    std::filesystem::create_directories(std::string(dir) + "/img");
    platform::setBasePath(dir);
    return std::string(dir) + "/";
}

void removeResourceDir(const std::string& dir) {
    platform::setBasePath(nullptr);
    if (dir.rfind("/tmp/flingo-gfx-", 0) == 0) std::filesystem::remove_all(dir);
}

void writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

std::vector<uint8_t> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

namespace {
void appendBytes(png_structp png, png_bytep data, size_t n) {
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + n);
}
void noFlush(png_structp) {}
} // namespace

std::vector<uint8_t> encodePng(const PngSpec& s, const std::vector<uint8_t>& rows) {
    std::vector<uint8_t> out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) abort();
    png_set_write_fn(png, &out, appendBytes, noFlush);
    png_set_IHDR(png, info, s.width, s.height, s.bitDepth, s.colorType,
                 s.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    std::vector<png_color> pal;
    for (size_t i = 0; i + 2 < s.palette.size(); i += 3)
        pal.push_back({s.palette[i], s.palette[i + 1], s.palette[i + 2]});
    if (!pal.empty()) png_set_PLTE(png, info, pal.data(), int(pal.size()));
    png_color_16 key{};
    if (s.trnsGrey >= 0) key.gray = png_uint_16(s.trnsGrey);
    if (!s.trnsAlpha.empty() || s.trnsGrey >= 0)
        png_set_tRNS(png, info, s.trnsAlpha.empty() ? nullptr : s.trnsAlpha.data(),
                     int(s.trnsAlpha.size()), s.trnsGrey >= 0 ? &key : nullptr);
    png_write_info(png, info);
    const size_t rowBytes = png_get_rowbytes(png, info);
    std::vector<png_bytep> ptrs(s.height);
    for (int y = 0; y < s.height; ++y)
        ptrs[y] = const_cast<png_bytep>(rows.data() + rowBytes * y);
    png_write_image(png, ptrs.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

std::vector<uint8_t> rgbaPng(int w, int h, const std::vector<uint8_t>& rgba) {
    PngSpec s;
    s.width = w;
    s.height = h;
    return encodePng(s, rgba);
}

std::vector<uint8_t> pvrFile(uint32_t width, uint32_t height, uint32_t bits,
                             const std::vector<uint8_t>& data, uint32_t dataLength) {
    const uint32_t header[13] = {52,         height,      width, 0, bits == 4 ? 0x19u : 0x18u,
                                 dataLength, bits,        0,     0, 0,
                                 0,          0x21525650u, 1};
    std::vector<uint8_t> out(52);
    for (int i = 0; i < 13; ++i)
        for (int b = 0; b < 4; ++b)
            out[4 * i + b] = uint8_t(header[i] >> (8 * b));
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

bool setupScreen(uint32_t clearRgb) {
    if (!testgl::init()) return false;
    glViewport(0, 0, testgl::width(), testgl::height());
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrthof(0, 320, 0, 480, -1, 450);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    glEnable(GL_TEXTURE_2D);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glVertexPointer(2, GL_FLOAT, 0, fg::quad_verts);
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glColor4f(1, 1, 1, 1);
    glClearColor(((clearRgb >> 16) & 255) / 255.0f, ((clearRgb >> 8) & 255) / 255.0f,
                 (clearRgb & 255) / 255.0f, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    return glGetError() == GL_NO_ERROR;
}

void drawTexture(uint32_t id, int x, int y, int w, int h, bool blend) {
    const float verts[8] = {float(x),     float(y),     float(x + w), float(y),
                            float(x + w), float(y + h), float(x),     float(y + h)};
    const float tex[8] = {0, 0, 1, 0, 1, 1, 0, 1};
    glBindTexture(GL_TEXTURE_2D, id);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    if (blend) {
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    }
    glColor4f(1, 1, 1, 1);
    glVertexPointer(2, GL_FLOAT, 0, verts);
    glTexCoordPointer(2, GL_FLOAT, 0, tex);
    glDrawArrays(GL_TRIANGLE_FAN, 0, 4);
    glVertexPointer(2, GL_FLOAT, 0, fg::quad_verts);
    glDisable(GL_BLEND);
}

uint32_t screenRgb(int x, int y) {
    uint8_t p[4] = {};
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
    return uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
}

namespace {
void captureLine(const char* line) {
    LogCapture::lines().emplace_back(line);
}
} // namespace

LogCapture::LogCapture() {
    lines().clear();
    platform::setLogHook(captureLine);
}
LogCapture::~LogCapture() {
    platform::setLogHook(nullptr);
}
std::vector<std::string>& LogCapture::lines() {
    static std::vector<std::string> l;
    return l;
}

} // namespace gfxtest
