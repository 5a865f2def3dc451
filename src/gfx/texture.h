// SPDX-License-Identifier: MIT
// Textures and the reference-counted cache that shares them between sprites.
#pragma once

#include "core/vector.h"

#include <cstdint>
#include <map>
#include <string>

// One GL texture. All fields stay 0 when nothing could be loaded; drawing with such a texture
// binds texture 0.
class Texture {
  public:
    // Loads "img/<name>" from the resource folder, from the image set of the drawing scale (see
    // gfx/scale.h): PVR for the extension "pvr", PNG otherwise. Sides that are not powers of
    // two get transparent padding up to the next power of two; a fitted texture only one texel
    // where the GL takes any size (see util::paddedSide): its edges filter the same, in a
    // fraction of the memory. RGB pictures are uploaded with an opaque alpha (see create).
    explicit Texture(const char* name, bool fitted = false);
    // Rasterises one line of text (see gfx/text.h) with an opaque black outline, at the point
    // size and outline width times the drawing scale.
    Texture(const char* text, const char* font, int glyphOffset, int pointSize,
            Vector4<float> colour, int outlineWidth, float fill);
    Texture(const Texture&) = delete;
    Texture& operator=(const Texture&) = delete;

    // Stores the fields, makes a GL texture and uploads the pixels, which must already be laid
    // out at texSize. format: bytes per pixel (1 to 4), or bits per pixel (2 or 4) | COMPRESSED
    // for PVRTC data. Linear filtering, clamped edges, no mipmaps; the texture stays bound.
    // RGBA pixels may go into the storage of a released texture of the same size (see
    // gfx::releaseTexture).
    void create(const unsigned char* pixels, int format, Vector2<int> size, Vector2<int> texSize);

    static constexpr int COMPRESSED = 0x800;

    uint32_t id = 0;
    int format = 0;
    Vector2<int> size{0, 0};    // the image itself, in pixels
    Vector2<int> texSize{0, 0}; // the uploaded texture, at least size
    float scale = 1;            // pixels per point: size / scale is the size on screen

  private:
    static uint32_t takeSpare(Vector2<int> texSize); // a released texture's name, or 0
};

class TextureMgr {
  public:
    struct TextureInfo {
        Texture* texture = nullptr; // owned
        int refs = 0;               // outstanding acquisitions; may go below 0
    };

    TextureMgr() = default;
    ~TextureMgr();
    TextureMgr(const TextureMgr&) = delete;
    TextureMgr& operator=(const TextureMgr&) = delete;

    // The texture for an image file name, loaded on first use (fitted or not as that first
    // use asks). Never null; counts one acquisition.
    Texture* get(const char* name, bool fitted = false);
    // The texture for one line of text, keyed by everything but the alpha and the glyph
    // offset. Never null; counts one acquisition. text and font are copied before the key is
    // formatted, so they may live in util::formatString's shared result.
    Texture* getText(const char* text, const char* font, int glyphOffset, int pointSize,
                     Vector4<float> colour, int outlineWidth, float fill);
    // Gives back one acquisition. Pointers the cache does not hold are ignored.
    void release(const Texture* texture);
    // Destroys every texture whose count is 0 or below (the game calls this once per update).
    void cleanup();

    // The entry for a key, or null (for tests and diagnostics).
    const TextureInfo* find(const std::string& key) const;
    size_t entryCount() const { return textures.size(); }

  private:
    std::map<std::string, TextureInfo> textures;
};

extern TextureMgr texture_mgr;

namespace gfx {
// Whether the current GL context takes textures of any size (ES 1.1 wants powers of two).
bool anyTextureSize();
// Gives up an RGBA texture of w x h texels that frames queued long ago may have drawn (the
// start-up picture). A large one keeps its storage for the next RGBA picture of the same size
// (the backgrounds are all one size): deleting it would free nothing, since llvmpipe holds on to
// what its finished frames drew until it reuses their command buffers, which for the frames
// queued behind the start-up screen of a headless run is never. At most MAX_SPARE_TEXTURES
// wait; the oldest is deleted when one more comes.
void releaseTexture(uint32_t id, int w, int h);
constexpr int MAX_SPARE_TEXTURES = 2;
} // namespace gfx

namespace util {
// The texture side for an image side: the side itself when a power of two; else the next power
// of two, or (anySize) one texel more, a transparent column or row for the filter to fade into.
int paddedSide(int side, bool anySize);
// Lays an image out for upload at w x h (at least its size): rows keep their place, the new
// columns and rows are transparent black, and RGB (bpp 3) gets an opaque alpha. Returns pixels
// itself when there is nothing to do; otherwise a new[] buffer (the old one is delete[]d) with
// bpp, width and height set to what it holds.
unsigned char* layOut(unsigned char* pixels, int& bpp, int& width, int& height, int w, int h);
} // namespace util
