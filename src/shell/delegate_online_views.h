// SPDX-License-Identifier: MIT
// The platform views of the online side, drawn by the game in GL: alerts, busy indicators, the
// navigation bar over the web page, and the web page's view and controller.
#pragma once

#include "online/panel.h"
#include "online/web_page.h"
#include "shell/views.h"

#include <GLES/gl.h>
#include <functional>
#include <string>
#include <vector>

namespace online_ui {

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
class Alert : public shell::Overlay {
  public:
    Alert(std::string title, std::string message, std::vector<std::string> labels,
          std::function<void(int)> clicked);
    ~Alert() override;
    void draw() override;
    bool touch(shell::TouchPhase phase, float x, float y) override;
    bool dismissed() const { return m_dismissed; }
    const std::string& title() const { return m_title; }
    const std::vector<std::string>& labels() const { return m_labels; }
    const std::vector<panel::Rect>& buttonRects() const { return m_rects; }

  private:
    void layout();
    std::string m_title, m_message;
    std::vector<std::string> m_labels;
    std::function<void(int)> m_clicked;
    panel::Image m_image;
    std::vector<panel::Rect> m_rects;
    Picture m_picture;
    int m_pressed = -1;
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

// The submission's busy indicator over the game view (large, white), as an overlay.
class SpinnerOverlay : public shell::Overlay {
  public:
    SpinnerOverlay() : m_spinner(37, true) {}
    void start();
    void stop();
    void draw() override { m_spinner.draw(0); }
    bool animating() const override { return m_spinner.isAnimating(); }

  private:
    Spinner m_spinner;
    int m_count = 0;
};

class WebViewController;

// The navigation bar: shown over the top of the screen while the navigation controller's bar is
// not hidden, with the top controller's title and a back button labelled with the title of the
// controller below (the game view's: "Back").
class NavBar : public shell::Overlay {
  public:
    NavBar(shell::NavController* nav, std::string back_label) : m_nav(nav), m_back(back_label) {}
    ~NavBar() override { m_picture.release(); }
    void draw() override;
    bool touch(shell::TouchPhase phase, float x, float y) override;
    bool visible() const { return m_nav && !m_nav->navigationBarHidden(); }
    const panel::Rect& backRect() const { return m_back_rect; }
    const std::string& backLabel() const { return m_back; }

  private:
    shell::NavController* m_nav;
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

// The web page's view: the page below the navigation bar, a gray spinner while loading,
// scrolled by drags and the mouse wheel, links followed by taps.
class WebView : public shell::View {
  public:
    static constexpr int TOP = panel::NAV_BAR_HEIGHT;
    WebView() : content(320, 480 - TOP), m_loading_indicator(20, false) {}
    ~WebView() override { m_picture.release(); }
    void draw(float x) override;
    void touch(shell::TouchPhase phase, float x, float y) override;
    bool animating() const override { return m_loading_indicator.isAnimating(); }
    void wheel(float dy);

    web::WebPage content;
    Spinner m_loading_indicator;

  private:
    Picture m_picture;
    std::vector<uint8_t> m_pixels;
    float m_start_y = 0, m_last_y = 0;
    bool m_dragging = false, m_touching = false;
};

class WebViewController : public shell::ViewController, public web::Listener {
  public:
    WebViewController();
    ~WebViewController();
    void resetWebView();
    void viewWillAppear() { resetWebView(); }
    void viewWillDisappear() { resetWebView(); }
    void loadRequest(const http::Request& req) { m_web_view.content.loadRequest(req); }
    void didStartLoad() override;
    void didFinishLoad() override;
    void didFailLoad(int code, const std::string& description) override;
    WebView& webView() { return m_web_view; }

  private:
    WebView m_web_view;
};

// The page shown while a board loads.
extern const char* const LOADING_HTML;

} // namespace online_ui
