// SPDX-License-Identifier: MIT
// The screen stack: the screen is composed of views drawn side by side in 320 x 480 points
// (origin top-left, y down, as on the phone), a navigation stack that slides between them,
// overlays drawn above everything, and labelled buttons scripts can press.
#pragma once

#include <GLES/gl.h>
#include <string>
#include <vector>

namespace ui {

constexpr float SCREEN_WIDTH = 320.0f;
constexpr float SCREEN_HEIGHT = 480.0f;

enum class TouchPhase { Began, Moved, Ended, Cancelled };

// What the keyboard and gamepads do to the focus: move it, press what it is on, or hide it (the
// mouse moved). The ring shows from the first move or press on.
enum class Nav { Hide, Up, Down, Left, Right, Press };

class View {
  public:
    virtual ~View() = default;
    // Draws the view with its left edge at x points. The compositor has set a 320 x 480 point
    // projection (y down), texturing, blending and the vertex and texture-coordinate arrays.
    virtual void draw(float x) = 0;
    // A touch in view points (origin top-left, y down).
    virtual void touch(TouchPhase, float, float) {}
    // True while the view changes by itself and the screen must be redrawn.
    virtual bool animating() const { return false; }
    // True when its drawing covers the whole screen with opaque pixels (nothing to clear).
    virtual bool opaque() const { return false; }
    virtual void nav(Nav) {}
    // The mouse wheel turned by dy notches (positive: away from the player, to scroll up).
    virtual void wheel(float) {}
    // Where a flick made with keys or a stick starts, in view points; false when none can.
    virtual bool flickAnchor(float&, float&) const { return false; }
};

// Draws a texture's (u0, v0)-(u1, v1) part into the rectangle (x, y, w, h) with the given alpha.
void drawQuad(GLuint texture, float x, float y, float w, float h, float u0, float v0, float u1,
              float v1, float alpha);

// An image from the resource folder, with an optional fade of its alpha and child images.
class ImageView : public View {
  public:
    // The image file (loaded at the first draw) and its frame; w or h 0 = the image's own size.
    ImageView(std::string path, float x, float y, float w = 0, float h = 0);
    ~ImageView() override;
    void setCenter(float cx, float cy);
    void setAlpha(float a) { alpha = a; }
    // Fades the alpha to target over the given seconds of the loop clock, from now.
    void fadeTo(float target, double seconds);
    void addSubview(ImageView* child) { children.push_back(child); } // owned
    void draw(float x) override;
    bool animating() const override;
    bool opaque() const override;
    float currentAlpha() const;
    bool loaded() const { return texture != 0; }
    // Gives the pictures' textures back (its children's too); a later draw loads them again.
    void unload();

  private:
    bool load();
    std::string path;
    float fx, fy, fw, fh;
    float alpha = 1.0f;
    float fade_from = 1.0f;
    double fade_start = 0, fade_length = 0;
    GLuint texture = 0;
    float umax = 1, vmax = 1;
    int texWidth = 0, texHeight = 0;
    bool failed = false;
    bool opaque_pixels = false;
    std::vector<ImageView*> children;
};

struct ViewController {
    View* view = nullptr; // not owned
    std::string title;
};

class NavController;

class NavDelegate {
  public:
    virtual ~NavDelegate() = default;
    virtual void willShowViewController(NavController&, ViewController*, bool) {}
    virtual void didShowViewController(NavController&, ViewController*, bool) {}
};

// A stack of view controllers; a push slides the new view in from the right over the
// transition's length (a pop the reverse). Touches reach the top view only when nothing slides.
class NavController : public View {
  public:
    static constexpr double TRANSITION_SECONDS = 0.35;

    explicit NavController(ViewController* root);
    void setDelegate(NavDelegate* d) { delegate = d; }
    void push(ViewController* vc, bool animated);
    void pop(bool animated);
    ViewController* top() const { return stack.back(); }
    size_t depth() const { return stack.size(); }
    bool transitioning() const { return from != nullptr; }
    void setNavigationBarHidden(bool hidden) { bar_hidden = hidden; }
    bool navigationBarHidden() const { return bar_hidden; }

    // Ends a transition whose time is up (the loop calls this every step).
    void advance();
    // Whether a slide is under way that has not moved a hundredth of a point yet (it began this
    // step): its frame is the one already on screen.
    bool notMovedYet() const;
    void draw(float x) override;
    void touch(TouchPhase phase, float x, float y) override;
    bool animating() const override;
    bool opaque() const override;
    void nav(Nav n) override;
    void wheel(float dy) override;
    bool flickAnchor(float& x, float& y) const override;

  private:
    void begin(ViewController* leaving, ViewController* coming, bool forward, bool animated);
    float slid() const; // how far the slide has gone, eased: 0 to 1
    std::vector<ViewController*> stack;
    NavDelegate* delegate = nullptr;
    ViewController* from = nullptr; // during a transition
    ViewController* to = nullptr;
    bool forward = true;
    double start = 0;
    bool bar_hidden = false;
};

// Something drawn above the whole screen that sees touches first (alerts, the navigation bar).
class Overlay {
  public:
    virtual ~Overlay() = default;
    virtual void draw() = 0;
    // True when the overlay took the touch.
    virtual bool touch(TouchPhase, float, float) { return false; }
    virtual bool animating() const { return false; }
    // The focus and the back key reach the overlays first, the top one first: true when taken.
    virtual bool nav(Nav) { return false; }
    virtual bool back() { return false; }
    // True while nothing under it may be played with (no flick starts under an alert).
    virtual bool modal() const { return false; }
};
void addOverlay(Overlay* o); // drawn in the order added, the last on top; not owned
void removeOverlay(Overlay* o);
const std::vector<Overlay*>& overlays();

// The screen must be drawn again at the next step even without a tick; the loop reads the flag
// and clears it when it draws.
void setNeedsDisplay();
bool needsDisplay();
void clearNeedsDisplay();

// On-screen buttons with a label, for the scripts' "press": rectangles in view points.
void setButton(const std::string& label, float x, float y, float w, float h);
void removeButton(const std::string& label);
bool findButton(const std::string& label, float& cx, float& cy);
// Buttons the root view draws itself (the game's), listed afresh at every press; the registered
// ones above win over them.
struct Button {
    std::string label;
    float x, y, w, h;
};
void setButtonSource(void (*list)(std::vector<Button>& out));
// Every pressable label on screen, quoted and separated by commas (for messages).
std::string buttonLabels();

} // namespace ui
