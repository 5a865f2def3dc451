// SPDX-License-Identifier: MIT
#include "shell/delegate_online_views.h"

#include "core/clock.h"
#include "core/platform.h"
#include "core/util.h"
#include "online/page.h"
#include "online/submission.h"
#include "shell/app.h"
#include "shell/window.h"

#include <SDL.h>
#include <algorithm>
#include <cmath>
#include <memory>

namespace online_ui {

const char* const LOADING_HTML = "<body style=\"background-color:#000000;color:#07FF6D;\"><center>"
                                 "<h1>loading...</h1></center></body>";

// ---- Picture

void Picture::upload(const uint8_t* rgba, int width, int height) {
    if (width <= 0 || height <= 0) return;
    const int pw = util::nextPowerOfTwo(width), ph = util::nextPowerOfTwo(height);
    if (!id) glGenTextures(1, &id);
    glBindTexture(GL_TEXTURE_2D, id);
    if (pw != tw || ph != th) {
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, pw, ph, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
        tw = pw;
        th = ph;
    }
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    w = width;
    h = height;
}

void Picture::release() {
    if (id && SDL_GL_GetCurrentContext()) glDeleteTextures(1, &id);
    id = 0;
    tw = th = 0;
}

void Picture::draw(float x, float y, float alpha) const {
    if (!id) return;
    shell::drawQuad(id, x, y, static_cast<float>(w) / scale, static_cast<float>(h) / scale, 0, 0,
                    static_cast<float>(w) / static_cast<float>(tw),
                    static_cast<float>(h) / static_cast<float>(th), alpha);
}

// ---- alerts

namespace {
std::vector<std::unique_ptr<Alert>> alerts; // in the order shown; the last is on top
NavBar* nav_bar = nullptr;
struct Placed {
    std::string label;
    panel::Rect rect;
    bool operator==(const Placed& o) const {
        return label == o.label && rect.x == o.rect.x && rect.y == o.rect.y && rect.w == o.rect.w &&
               rect.h == o.rect.h;
    }
};
std::vector<Placed> registered; // buttons this side put on the shell's list
std::vector<Placed> wanted;     // reused every step: a steady screen allocates nothing
} // namespace

Alert::Alert(std::string title, std::string message, std::vector<std::string> labels,
             std::function<void(int)> clicked)
    : m_title(std::move(title)), m_message(std::move(message)), m_labels(std::move(labels)),
      m_clicked(std::move(clicked)) {
    panel::alert(m_title, m_message, m_labels, m_image, m_rects, shell::screenScale());
}

Alert::~Alert() {
    m_picture.release();
}

void Alert::draw() {
    if (!m_picture.id) m_picture.upload(m_image);
    m_picture.draw(0, 0);
    if (m_pressed >= 0 || m_focus >= 0) {
        // The pressed or focused button lights up: its part of the picture drawn once more, added.
        const panel::Rect& r = m_rects[static_cast<size_t>(m_pressed >= 0 ? m_pressed : m_focus)];
        const float su = m_picture.scale / static_cast<float>(m_picture.tw);
        const float sv = m_picture.scale / static_cast<float>(m_picture.th);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE);
        shell::drawQuad(m_picture.id, r.x, r.y, r.w, r.h, r.x * su, r.y * sv, (r.x + r.w) * su,
                        (r.y + r.h) * sv, 0.5f);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    }
}

bool Alert::touch(shell::TouchPhase phase, float x, float y) {
    if (m_dismissed) return false;
    int at = -1;
    for (size_t i = 0; i < m_rects.size(); ++i)
        if (m_rects[i].contains(x, y)) at = static_cast<int>(i);
    if (phase == shell::TouchPhase::Began) {
        m_pressed = at;
    } else if (phase == shell::TouchPhase::Moved) {
        if (m_pressed >= 0 && at != m_pressed) m_pressed = -1;
    } else {
        const bool hit = phase == shell::TouchPhase::Ended && at >= 0 && at == m_pressed;
        m_pressed = -1;
        if (hit) choose(at, "tapped");
    }
    shell::setNeedsDisplay();
    return true; // modal: nothing under an alert hears the touch
}

void Alert::choose(int index, const char* how) {
    m_dismissed = true;
    shell::removeOverlay(this);
    refreshButtons();
    shell::setNeedsDisplay();
    platform::log("alert \"%s\": \"%s\" %s", m_title.c_str(),
                  m_labels[static_cast<size_t>(index)].c_str(), how);
    if (m_clicked) m_clicked(index);
}

bool Alert::nav(shell::Nav n) {
    if (m_dismissed || m_labels.empty()) return false;
    const int count = static_cast<int>(m_labels.size());
    shell::setNeedsDisplay();
    if (n == shell::Nav::Hide) {
        m_focus = -1;
    } else if (n == shell::Nav::Press) {
        if (m_focus >= 0)
            choose(m_focus, "chosen");
        else
            m_focus = 0;
    } else if (m_focus < 0) {
        m_focus = 0;
    } else {
        const int step = n == shell::Nav::Left || n == shell::Nav::Up ? -1 : 1;
        m_focus = std::clamp(m_focus + step, 0, count - 1);
    }
    return true;
}

bool Alert::back() {
    if (m_dismissed || m_labels.empty()) return false;
    choose(0, "chosen by the back key");
    return true;
}

void showAlert(const std::string& title, const std::string& message,
               const std::vector<std::string>& labels, std::function<void(int)> clicked) {
    platform::log("alert \"%s\": %s", title.c_str(), message.c_str());
    alerts.push_back(std::make_unique<Alert>(title, message, labels, std::move(clicked)));
    shell::addOverlay(alerts.back().get());
    refreshButtons();
    shell::setNeedsDisplay();
}

void collectAlerts() {
    std::erase_if(alerts, [](const std::unique_ptr<Alert>& a) { return a->dismissed(); });
}

bool alertShowing() {
    return std::any_of(alerts.begin(), alerts.end(),
                       [](const std::unique_ptr<Alert>& a) { return !a->dismissed(); });
}

void refreshButtons() {
    wanted.clear();
    if (nav_bar && nav_bar->visible())
        wanted.push_back({nav_bar->backLabel(), nav_bar->backRect()});
    // The top alert's buttons last: they win over a bar button of the same label.
    for (auto it = alerts.rbegin(); it != alerts.rend(); ++it) {
        if ((*it)->dismissed()) continue;
        for (size_t i = 0; i < (*it)->labels().size(); ++i)
            wanted.push_back({(*it)->labels()[i], (*it)->buttonRects()[i]});
        break;
    }
    if (wanted == registered) return;
    for (const Placed& p : registered)
        shell::removeButton(p.label);
    for (const Placed& p : wanted)
        shell::setButton(p.label, p.rect.x, p.rect.y, p.rect.w, p.rect.h);
    registered = wanted;
}

// ---- spinners

void Spinner::draw(float x) {
    if (!m_running) return;
    if (!m_picture.id) {
        panel::Image img;
        panel::spinner(m_size, m_white, img, shell::screenScale());
        m_picture.upload(img);
    }
    // Twelve steps a turn, one turn a second, on the loop's clock.
    const int step = static_cast<int>(std::fmod(clk::now() * 12.0, 12.0));
    const float half = static_cast<float>(m_size) / 2;
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glTranslatef(x + shell::SCREEN_WIDTH / 2, shell::SCREEN_HEIGHT / 2, 0);
    glRotatef(static_cast<float>(step) * 30.0f, 0, 0, 1);
    m_picture.draw(-half, -half);
    glPopMatrix();
}

void SpinnerOverlay::draw() {
    if (!m_spinner.isAnimating()) return;
    if (!m_plate.id || m_plate.scale != shell::screenScale()) {
        panel::Image img;
        panel::busyPlate("Sending score...", img, shell::screenScale());
        m_plate.upload(img);
    }
    // The plate centred on the spinner's middle, its text below the spinner.
    m_plate.draw((shell::SCREEN_WIDTH - static_cast<float>(m_plate.w) / m_plate.scale) / 2,
                 (shell::SCREEN_HEIGHT - static_cast<float>(m_plate.h) / m_plate.scale) / 2 +
                     panel::BUSY_PLATE_DROP);
    m_spinner.draw(0);
}

void SpinnerOverlay::start() {
    ++m_count;
    m_spinner.startAnimating();
    shell::setNeedsDisplay();
}

void SpinnerOverlay::stop() {
    // Each waiting submission holds the indicator; it stops when the last one is done.
    if (m_count > 0) --m_count;
    if (m_count == 0) m_spinner.stopAnimating();
    shell::setNeedsDisplay();
}

// ---- navigation bar

NavBar* navBar() {
    return nav_bar;
}
void setNavBar(NavBar* bar) {
    nav_bar = bar;
}

void NavBar::draw() {
    if (!visible()) return;
    const std::string& title = m_nav->top()->title;
    if (!m_made || title != m_shown_title) {
        panel::navBar(title, m_back, m_image, m_back_rect, shell::screenScale());
        m_picture.upload(m_image);
        m_shown_title = title;
        m_made = true;
        refreshButtons();
    }
    m_picture.draw(0, 0);
    if (m_pressed) {
        const panel::Rect& r = m_back_rect;
        glBlendFunc(GL_SRC_ALPHA, GL_ONE);
        const float su = m_picture.scale / static_cast<float>(m_picture.tw);
        const float sv = m_picture.scale / static_cast<float>(m_picture.th);
        shell::drawQuad(m_picture.id, r.x, r.y, r.w, r.h, r.x * su, r.y * sv, (r.x + r.w) * su,
                        (r.y + r.h) * sv, 0.4f);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    }
}

bool NavBar::touch(shell::TouchPhase phase, float x, float y) {
    if (!visible()) return false;
    const bool inside = m_made && m_back_rect.contains(x, y);
    if (phase == shell::TouchPhase::Began) {
        if (y >= panel::NAV_BAR_HEIGHT) return false;
        m_pressed = inside;
        shell::setNeedsDisplay();
        return true;
    }
    if (!m_pressed && y >= panel::NAV_BAR_HEIGHT) return false;
    if (phase == shell::TouchPhase::Moved) {
        m_pressed = m_pressed && inside;
    } else {
        const bool go = m_pressed && inside && phase == shell::TouchPhase::Ended;
        m_pressed = false;
        if (go) m_nav->pop(true);
    }
    shell::setNeedsDisplay();
    return true;
}

// ---- the web page

void WebView::draw(float x) {
    page::setScale(shell::screenScale()); // the page's pixels are the screen's
    if (content.render(m_pixels)) {
        m_picture.upload(m_pixels.data(), page::pixels(content.width()),
                         page::pixels(content.height()));
        m_picture.scale = page::scale();
    }
    glDisable(GL_BLEND);
    m_picture.draw(x, TOP);
    glEnable(GL_BLEND);
    m_loading_indicator.draw(x);
}

void WebView::touch(shell::TouchPhase phase, float x, float y) {
    switch (phase) {
    case shell::TouchPhase::Began:
        m_touching = true;
        m_dragging = false;
        m_start_y = m_last_y = y;
        break;
    case shell::TouchPhase::Moved:
        if (!m_touching) break;
        if (std::fabs(y - m_start_y) > 6) m_dragging = true;
        if (m_dragging) {
            content.scrollBy(static_cast<int>(std::lround(m_last_y - y)));
            m_last_y = y;
            shell::setNeedsDisplay();
        }
        break;
    case shell::TouchPhase::Ended:
        if (m_touching && !m_dragging && y >= TOP)
            content.tap(static_cast<int>(x), static_cast<int>(y) - TOP);
        m_touching = false;
        break;
    case shell::TouchPhase::Cancelled:
        m_touching = false;
        break;
    }
}

void WebView::wheel(float dy) {
    content.scrollBy(static_cast<int>(std::lround(-dy * 40)));
    shell::setNeedsDisplay();
}

WebViewController::WebViewController() {
    view = &m_web_view;
    m_web_view.content.setListener(this);
    resetWebView();
}

WebViewController::~WebViewController() {
    m_web_view.content.setListener(nullptr);
}

void WebViewController::resetWebView() {
    m_web_view.content.loadHtml(LOADING_HTML);
    shell::setNeedsDisplay();
}

void WebViewController::didStartLoad() {
    m_web_view.m_loading_indicator.startAnimating();
    shell::setNeedsDisplay();
}

void WebViewController::didFinishLoad() {
    m_web_view.m_loading_indicator.stopAnimating();
    shell::setNeedsDisplay();
    // Texts shown at once (the placeholder) are no page load of anyone's.
    if (loadEnded && !m_web_view.content.url().empty())
        loadEnded(true, m_web_view.content.status(), "");
}

void WebViewController::didFailLoad(int code, const std::string& description) {
    if (loadEnded) loadEnded(false, code, code == web::CANCELLED ? "cancelled" : description);
    if (code == web::CANCELLED) return;
    m_web_view.m_loading_indicator.stopAnimating();
    showAlert("Error loading webpage", online::loadErrorMessage(description), {"Ok"}, [this](int) {
        if (failureAcknowledged) failureAcknowledged();
    });
}

} // namespace online_ui
