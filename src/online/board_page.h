// SPDX-License-Identifier: MIT
// The score page on screen: the in-app web page shown in a page view under the navigation bar,
// with a spinner while it loads and an alert when it cannot be loaded.
#pragma once

#include "online/web_page.h"
#include "ui/controls.h"

#include <functional>
#include <string>

namespace online {

class BoardPage : public ui::ViewController, public ui::PageSource, public web::Listener {
  public:
    BoardPage();
    ~BoardPage() override;
    // Told when a requested page has loaded (ok, with its HTTP status) or failed or was cancelled
    // (with what went wrong).
    std::function<void(bool ok, int status, const std::string& detail)> loadEnded;
    // Runs when the player has read the alert of a failed load.
    std::function<void()> failureAcknowledged;
    // Back to the loading placeholder (when the page comes on screen and when it leaves).
    void reset();
    void loadRequest(const http::Request& req) { m_page.loadRequest(req); }
    void stopLoading() { m_page.stopLoading(); }

    void didStartLoad() override;
    void didFinishLoad() override;
    void didFailLoad(int code, const std::string& description) override;

    bool render(float scale, std::vector<uint8_t>& rgba, int& width, int& height) override;
    void scrollBy(int dy) override { m_page.scrollBy(dy); }
    void tap(int x, int y) override { m_page.tap(x, y); }

  private:
    web::WebPage m_page;
    ui::PageView m_view;
};

// The page shown while a board loads.
extern const char* const LOADING_HTML;

} // namespace online
