// SPDX-License-Identifier: MIT
// The stock controls drawn over the game in GL: alerts, busy indicators, the navigation bar over
// a page, and the page view that shows what a page source renders.
#pragma once

#include "ui/panel.h"
#include "ui/views.h"

#include <GLES/gl.h>
#include <functional>
#include <string>
#include <vector>

namespace ui {

// A texture holding one picture; power-of-two sized, the picture in its top-left corner.
struct Picture {
    GLuint id = 0;
    int w = 0, h = 0;
    int tw = 0, th = 0;
    float scale = 1; // pixels per point
    void upload(const uint8_t* rgba, int width, int height);
    void upload(const panel::Image& img) {
        upload(img.rgba.data(), img.width, img.height);
        scale = img.scale;
    }
    void release();
    void draw(float x, float y, float alpha = 1) const;
};

// A modal alert over everything: the touch goes nowhere else until a button is tapped. The
// handler (may be empty) hears the button's index; the alert then goes away.
class Alert : public Overlay {
  public:
    Alert(std::string title, std::string message, std::vector<std::string> labels,
          std::function<void(int)> clicked);
    ~Alert() override;
    void draw() override;
    bool touch(TouchPhase phase, float x, float y) override;
    // Keys and pads: the focus moves over the buttons; back answers with the first button (the
    // cancel button: "No", "Ok").
    bool nav(Nav n) override;
    bool back() override;
    bool modal() const override { return !m_dismissed; }
    bool dismissed() const { return m_dismissed; }
    const std::string& title() const { return m_title; }
    const std::vector<std::string>& labels() const { return m_labels; }
    const std::vector<panel::Rect>& buttonRects() const { return m_rects; }

  private:
    void layout();
    void choose(int index, const char* how);
    std::string m_title, m_message;
    std::vector<std::string> m_labels;
    std::function<void(int)> m_clicked;
    panel::Image m_image;
    std::vector<panel::Rect> m_rects;
    Picture m_picture;
    int m_pressed = -1;
    int m_focus = -1; // shown from the first key or pad move on
    bool m_dismissed = false;
};

// Shows an alert on top of the others (logged to the console as well).
void showAlert(const std::string& title, const std::string& message,
               const std::vector<std::string>& labels, std::function<void(int)> clicked = {});
// Frees dismissed alerts; once a step, outside any touch.
void collectAlerts();
// True while an alert is up.
bool alertShowing();
// Registers the script-pressable buttons: the nav bar's back button and the top alert's.
void refreshButtons();

// A busy indicator turning once a second, centred on the screen (not on a view).
class Spinner {
  public:
    Spinner(int size, bool white) : m_size(size), m_white(white) {}
    ~Spinner() { m_picture.release(); }
    void startAnimating() { m_running = true; }
    void stopAnimating() { m_running = false; }
    bool isAnimating() const { return m_running; }
    void draw(float x);

  private:
    int m_size;
    bool m_white;
    bool m_running = false;
    Picture m_picture;
};

// The submission's busy indicator over the game view (large, white, on a dark plate that says
// what is happening, so it shows on any background), as an overlay.
class SpinnerOverlay : public Overlay {
  public:
    SpinnerOverlay() : m_spinner(37, true) {}
    ~SpinnerOverlay() override { m_plate.release(); }
    void start();
    void stop();
    void draw() override;
    bool animating() const override { return m_spinner.isAnimating(); }

  private:
    Spinner m_spinner;
    Picture m_plate;
    int m_count = 0;
};

// The navigation bar: shown over the top of the screen while the navigation controller's bar is
// not hidden, with the top controller's title and a back button labelled with the title of the
// controller below (the game view's: "Back").
class NavBar : public Overlay {
  public:
    NavBar(NavController* nav, std::string back_label) : m_nav(nav), m_back(back_label) {}
    ~NavBar() override { m_picture.release(); }
    void draw() override;
    bool touch(TouchPhase phase, float x, float y) override;
    bool visible() const { return m_nav && !m_nav->navigationBarHidden(); }
    const panel::Rect& backRect() const { return m_back_rect; }
    const std::string& backLabel() const { return m_back; }

  private:
    NavController* m_nav;
    std::string m_back;
    std::string m_shown_title;
    bool m_made = false;
    panel::Image m_image;
    panel::Rect m_back_rect;
    Picture m_picture;
    bool m_pressed = false;
};
NavBar* navBar();
void setNavBar(NavBar* bar);

// What a page view shows: a page that renders itself into pixels and scrolls and follows taps.
class PageSource {
  public:
    virtual ~PageSource() = default;
    // The page's pixels at the given pixels per point (RGBA, row 0 at the top) and their size;
    // false when nothing changed since the last call.
    virtual bool render(float scale, std::vector<uint8_t>& rgba, int& width, int& height) = 0;
    virtual void scrollBy(int dy) = 0;  // points, positive: further down
    virtual void tap(int x, int y) = 0; // a point of the page's view
};

// A page below the navigation bar, a gray spinner while it loads, scrolled by drags and the mouse
// wheel, taps passed to the page.
class PageView : public View {
  public:
    static constexpr int TOP = panel::NAV_BAR_HEIGHT;
    explicit PageView(PageSource& source) : m_source(source), m_loading_indicator(20, false) {}
    ~PageView() override { m_picture.release(); }
    void draw(float x) override;
    void touch(TouchPhase phase, float x, float y) override;
    void wheel(float dy) override;
    bool animating() const override { return m_loading_indicator.isAnimating(); }
    Spinner& loadingIndicator() { return m_loading_indicator; }

  private:
    PageSource& m_source;
    Spinner m_loading_indicator;
    Picture m_picture;
    std::vector<uint8_t> m_pixels;
    float m_start_y = 0, m_last_y = 0;
    bool m_dragging = false, m_touching = false;
};

} // namespace ui
