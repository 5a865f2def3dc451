// Shared pieces of the graphics tests: a scratch resource folder, PNG and PVR writers, and a
// screen set up the way the game draws (orthographic 320 x 480, arrays on the unit quad).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace gfxtest {

// A fresh resource folder with an img/ folder inside, made the base path. Returns its path
// (ending in "/").
std::string makeResourceDir();
// Deletes such a folder and forgets the base path.
void removeResourceDir(const std::string& dir);
void writeFile(const std::string& path, const std::vector<uint8_t>& bytes);
std::vector<uint8_t> readFile(const std::string& path);

struct PngSpec {
    int width = 1, height = 1;
    int colorType = 6; // PNG_COLOR_TYPE_*
    int bitDepth = 8;
    bool interlaced = false;
    std::vector<uint8_t> palette;   // RGB triples, for palette images
    std::vector<uint8_t> trnsAlpha; // palette transparency
    int trnsGrey = -1;              // grey transparency key
};
// Encodes a PNG; rows holds packed sample data as libpng expects it (16-bit samples big-endian).
std::vector<uint8_t> encodePng(const PngSpec& spec, const std::vector<uint8_t>& rows);
// An 8-bit RGBA PNG from packed pixels, top row first.
std::vector<uint8_t> rgbaPng(int w, int h, const std::vector<uint8_t>& rgba);

// A PVR file: 52-byte header then the data.
std::vector<uint8_t> pvrFile(uint32_t width, uint32_t height, uint32_t bits,
                             const std::vector<uint8_t>& data, uint32_t dataLength);

// Makes the GL context (once), the game's projection and client arrays, clears to clear colour.
bool setupScreen(uint32_t clearRgb = 0xff00ff);
// Draws texture id over the rectangle (x, y, w, h) in screen space (y up), texture coordinates
// 0..1, nearest filtering so texels map 1:1; optional alpha blending.
void drawTexture(uint32_t id, int x, int y, int w, int h, bool blend);
// Pixel colour at screen point (x, y) with y up from the bottom, as 0xRRGGBB.
uint32_t screenRgb(int x, int y);

// Collects platform::log lines while alive.
struct LogCapture {
    LogCapture();
    ~LogCapture();
    static std::vector<std::string>& lines();
};

} // namespace gfxtest
