// SPDX-License-Identifier: MIT
#include "gfx/texture.h"

#include "core/platform.h"
#include "core/util.h"
#include "gfx/image.h"
#include "gfx/scale.h"
#include "gfx/text.h"

#include <GLES/gl.h>
#include <GLES/glext.h>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>

#ifndef GL_COMPRESSED_RGBA_PVRTC_4BPPV1_IMG
#define GL_COMPRESSED_RGBA_PVRTC_4BPPV1_IMG 0x8C02
#define GL_COMPRESSED_RGBA_PVRTC_2BPPV1_IMG 0x8C03
#endif

TextureMgr texture_mgr;

namespace {

// Asked once per extension by the callers (the answer cannot change while the context lives).
bool glHasExtension(const char* name) {
    const char* ext = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    return ext && strstr(ext, name);
}

bool glHasPvrtc() {
    static const bool has = glHasExtension("GL_IMG_texture_compression_pvrtc");
    return has;
}

struct Spare {
    GLuint id;
    Vector2<int> size;
};
// Oldest first. Only textures of at least SPARE_TEXELS wait: smaller storage is cheap to make.
Spare spares[gfx::MAX_SPARE_TEXTURES];
int spare_count = 0;
constexpr int SPARE_TEXELS = 128 * 128;

} // namespace

namespace gfx {

bool anyTextureSize() {
    static const bool any = glHasExtension("GL_OES_texture_npot");
    return any;
}

void releaseTexture(uint32_t id, int w, int h) {
    GLuint name = id;
    if (!name) return;
    if (w * h < SPARE_TEXELS) {
        glDeleteTextures(1, &name);
        return;
    }
    if (spare_count == MAX_SPARE_TEXTURES) {
        glDeleteTextures(1, &spares[0].id);
        std::copy(spares + 1, spares + spare_count, spares);
        --spare_count;
    }
    spares[spare_count++] = {name, {w, h}};
}

} // namespace gfx

uint32_t Texture::takeSpare(Vector2<int> tex) {
    for (int i = 0; i < spare_count; ++i) {
        if (spares[i].size.x != tex.x || spares[i].size.y != tex.y) continue;
        const GLuint name = spares[i].id;
        std::copy(spares + i + 1, spares + spare_count, spares + i);
        --spare_count;
        return name;
    }
    return 0;
}

namespace util {

int paddedSide(int side, bool anySize) {
    const int pot = nextPowerOfTwo(side);
    return pot == side || !anySize ? pot : side + 1;
}

unsigned char* layOut(unsigned char* pixels, int& bpp, int& width, int& height, int w, int h) {
    const int outBpp = bpp == 3 ? 4 : bpp;
    if (w == width && h == height && outBpp == bpp) return pixels;
    const size_t dstRow = size_t(outBpp) * w, used = size_t(outBpp) * width;
    unsigned char* out = new unsigned char[dstRow * h];
    for (int y = 0; y < height; ++y) {
        const unsigned char* src = pixels + size_t(bpp) * width * y;
        unsigned char* dst = out + dstRow * y;
        memset(dst + used, 0, dstRow - used);
        if (outBpp == bpp) {
            memcpy(dst, src, used);
            continue;
        }
        for (int x = 0; x < width; ++x, src += 3, dst += 4) {
            memcpy(dst, src, 3);
            dst[3] = 255;
        }
    }
    memset(out + dstRow * height, 0, dstRow * size_t(h - height));
    delete[] pixels;
    bpp = outBpp;
    width = w;
    height = h;
    return out;
}

} // namespace util

Texture::Texture(const char* fileName, bool fitted) {
    const std::string name = fileName; // may live in formatString's shared result
    int set = 1;
    const std::string path = gfx::findScaled("img/" + name, set);
    int length = 0;
    errno = 0;
    unsigned char* data = platform::readFile(path.c_str(), length);
    if (!data) {
        platform::log("texture: cannot read %s: %s", path.c_str(),
                      errno ? strerror(errno) : "empty file");
        return;
    }
    int fmt = 0, w = 0, h = 0;
    unsigned char* pixels = image::decode(name.c_str(), data, length, fmt, w, h);
    delete[] data;
    if (!pixels) {
        platform::log("texture: cannot decode %s: %s", path.c_str(), image::decodeError());
        return;
    }
    Vector2<int> tex{w, h};
    if (!(fmt & COMPRESSED)) {
        const bool any = fitted && gfx::anyTextureSize();
        pixels = util::layOut(pixels, fmt, tex.x, tex.y, util::paddedSide(w, any),
                              util::paddedSide(h, any));
    }
    create(pixels, fmt, {w, h}, tex);
    scale = static_cast<float>(set);
    delete[] pixels;
}

Texture::Texture(const char* text, const char* font, int glyphOffset, int pointSize,
                 Vector4<float> colour, int outlineWidth, float fill) {
    // Glyphs and outline drawn for the pixels they cover on screen; the line's room widens
    // with them.
    const float s = gfx::drawScale();
    const int size = std::max(1, static_cast<int>(std::lround(static_cast<float>(pointSize) * s)));
    const int outline = static_cast<int>(std::lround(static_cast<float>(outlineWidth) * s));
    const float grow = std::max(1.0f, s) * std::max(1.0f, static_cast<float>(pointSize) / 60.0f);
    const int room = std::max(512, static_cast<int>(std::lround(512 * grow)));
    const platform::TextStyle style{
        font, glyphOffset, size, colour, {0, 0, 0, 1}, outline, fill, room, gfx::anyTextureSize()};
    platform::TextImage image;
    unsigned char* pixels = platform::loadFontFileText(text, style, image);
    if (!pixels) return;
    create(pixels, 4, {image.width, image.height}, {image.texWidth, image.texHeight});
    scale = pointSize > 0 ? static_cast<float>(size) / static_cast<float>(pointSize) : 1;
    delete[] pixels;
}

void Texture::create(const unsigned char* pixels, int fmt, Vector2<int> sz, Vector2<int> tex) {
    format = fmt;
    size = sz;
    texSize = tex;
    GLuint name = fmt == 4 ? takeSpare(tex) : 0;
    const bool reused = name != 0;
    if (!reused) glGenTextures(1, &name);
    id = name;
    glBindTexture(GL_TEXTURE_2D, name);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    if (reused) {
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, tex.x, tex.y, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
    } else if (fmt & COMPRESSED) {
        const int bits = fmt & ~COMPRESSED;
        if (glHasPvrtc()) {
            const GLenum internal = bits == 4 ? GL_COMPRESSED_RGBA_PVRTC_4BPPV1_IMG
                                              : GL_COMPRESSED_RGBA_PVRTC_2BPPV1_IMG;
            glCompressedTexImage2D(GL_TEXTURE_2D, 0, internal, tex.x, tex.y, 0,
                                   image::pvrtcSize(bits, tex.x, tex.y), pixels);
        } else {
            unsigned char* rgba = image::decodePvrtc(pixels, bits, tex.x, tex.y);
            glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, tex.x, tex.y, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                         rgba);
            delete[] rgba;
        }
    } else {
        GLenum glFormat = GL_RGB;
        switch (fmt) {
        case 4:
            glFormat = GL_RGBA;
            break;
        case 1:
            glFormat = GL_LUMINANCE;
            break;
        case 2:
            glFormat = GL_LUMINANCE_ALPHA;
            break;
        default:
            break;
        }
        glTexImage2D(GL_TEXTURE_2D, 0, glFormat, tex.x, tex.y, 0, glFormat, GL_UNSIGNED_BYTE,
                     pixels);
    }
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
}

TextureMgr::~TextureMgr() {
    // At exit the GL context is usually gone already: only the records are freed.
    for (auto& [key, info] : textures)
        delete info.texture;
}

Texture* TextureMgr::get(const char* name, bool fitted) {
    auto it = textures.try_emplace(name).first;
    if (!it->second.texture) it->second.texture = new Texture(it->first.c_str(), fitted);
    ++it->second.refs;
    return it->second.texture;
}

Texture* TextureMgr::getText(const char* text, const char* font, int glyphOffset, int pointSize,
                             Vector4<float> colour, int outlineWidth, float fill) {
    // Copies, in case either lives in the shared result that the key is formatted into.
    const std::string textCopy = text, fontCopy = font;
    // The drawing scale joins the key when it is not 1: texts made at another scale differ.
    std::string key =
        util::formatString("text=%s,font=%s,size=%i,r=%.2f,b=%.2f,g=%.2f,outline=%i,fill=%.2f",
                           textCopy.c_str(), fontCopy.c_str(), pointSize, double(colour.x),
                           double(colour.y), double(colour.z), outlineWidth, double(fill));
    if (gfx::drawScale() != 1) key += util::formatString(",scale=%.3f", double(gfx::drawScale()));
    TextureInfo& info = textures[key];
    if (!info.texture)
        info.texture = new Texture(textCopy.c_str(), fontCopy.c_str(), glyphOffset, pointSize,
                                   colour, outlineWidth, fill);
    ++info.refs;
    return info.texture;
}

void TextureMgr::release(const Texture* texture) {
    for (auto& [key, info] : textures) {
        if (info.texture == texture) {
            --info.refs;
            return;
        }
    }
}

void TextureMgr::cleanup() {
    for (auto it = textures.begin(); it != textures.end();) {
        if (it->second.refs > 0) {
            ++it;
            continue;
        }
        if (Texture* t = it->second.texture) {
            if (t->id) {
                GLuint name = t->id;
                glDeleteTextures(1, &name);
            }
            delete t;
        }
        it = textures.erase(it);
    }
}

const TextureMgr::TextureInfo* TextureMgr::find(const std::string& key) const {
    auto it = textures.find(key);
    return it == textures.end() ? nullptr : &it->second;
}
