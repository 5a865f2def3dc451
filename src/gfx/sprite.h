// SPDX-License-Identifier: MIT
// The one drawable of the game: a textured quad showing one frame of an image or sheet,
// optionally animated, optionally scrolling, or a line of text.
#pragma once

#include "core/vector.h"

class Texture;

class Sprite {
  public:
    // An image sprite. frameSize (0, 0) = the whole image; frameCount 0 = as many as fit. Sizes
    // are in points, whatever the scale of the image set loaded.
    // A scrolling sprite has one frame, no animation, and draws with repeating wrap; the others'
    // textures are fitted to their pictures (see Texture). A mirrored sprite shows every frame
    // of the sheet flipped left to right.
    Sprite(const char* name, Vector2<int> frameSize, float duration, bool scrolling, int frameCount,
           bool mirrored = false);
    // A line of text in the font "<font>.ttf", glyph index = UTF-16 unit + glyphOffset, with an
    // opaque black outline of outlineWidth points when it is above 0; rasterised at the
    // drawing scale, drawn at its point size.
    // A text that pops in from popIn times its size also gets a twin rasterised POP_DETAIL
    // times larger, drawn while it is magnified more than twice, so its large frames stay sharp.
    Sprite(int pointSize, int glyphOffset, const char* font, const char* text,
           Vector4<float> colour, int outlineWidth, float popIn = 1);
    ~Sprite();
    Sprite(const Sprite&) = delete;
    Sprite& operator=(const Sprite&) = delete;

    // Chooses the frame (clamped) and moves the animation time to its start.
    void setFrame(int index);
    // Scrolls a one-frame sprite's texture by speed pixels per second (stops any animation).
    void setScroll(Vector2<float> speed);
    // Advances the animation or the scrolling; true when an animation pass wrapped around.
    bool update(float dt);
    // Draws the current frame centred on position (z is depth: translated by -z), scaled from
    // the frame's point size, rotated about z, y, x (degrees), coloured by colour. Expects the
    // vertex array at fg::quad_verts and the texture-coordinate array enabled.
    void draw(Vector3<float> position, Vector2<float> scale, Vector3<float> rotation,
              Vector4<float> colour);
    // True when point lies in the frame's rectangle around centre (edges inside), scaled.
    bool checkPoint(Vector3<float> centre, Vector2<float> point, float scale) const;

    static constexpr int POP_DETAIL = 3;

    Texture* texture = nullptr;
    Texture* large = nullptr; // the pop-in twin, or null
    float largeFrame[8] = {};
    float* frames =
        nullptr; // 8 floats a frame: (u, v) at bottom-left, bottom-right, top-right, top-left
    Vector2<int> frameSize{0, 0};  // points, rounded
    Vector2<float> quadSize{0, 0}; // the frame's size on screen in points
    int frameCount = 0;
    int frame = 0;
    float duration = 0;
    float time = 0;
    Vector2<float> scroll{0, 0};
    bool scrolling = false;
};

// Destroys the sprite if there is one; the pointer is null afterwards.
void killSprite(Sprite*& sprite);

namespace fg {
// The unit square every sprite is drawn from: (-0.5,-0.5), (0.5,-0.5), (0.5,0.5), (-0.5,0.5).
extern const float quad_verts[8];
} // namespace fg

namespace gfx {
// The colour of the next quad drawn, at its four corners. It goes to GL as a colour array, not as
// GL's current colour: llvmpipe passes a current colour through an upload buffer of its own, half
// a megabyte that stays for good, which vertex arrays never need. (Drawing flat, the corners
// cost nothing over one colour.)
void setColour(float r, float g, float b, float a);
} // namespace gfx
