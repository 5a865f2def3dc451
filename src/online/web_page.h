// SPDX-License-Identifier: MIT
// The in-app web page without its pixels on screen: loads HTML text or a request, lays the reply
// out, scrolls, follows links inside itself and tells its listener when a load starts, finishes
// or fails. The shell draws what render() produces.
#pragma once

#include "online/http.h"
#include "online/page.h"

#include <memory>
#include <string>
#include <vector>

namespace web {

// The error code of a load that was cancelled because another one started.
constexpr int CANCELLED = -999;

class Listener {
  public:
    virtual ~Listener() = default;
    virtual void didStartLoad() {}
    virtual void didFinishLoad() {}
    virtual void didFailLoad(int /*code*/, const std::string& /*description*/) {}
};

class WebPage {
  public:
    // A page of the given size in pixels.
    WebPage(int width, int height);
    ~WebPage();
    WebPage(const WebPage&) = delete;
    WebPage& operator=(const WebPage&) = delete;

    void setListener(Listener* l) { m_listener = l; }

    // Shows an HTML text at once (no base URL). A load under way is cancelled.
    void loadHtml(const std::string& html);
    // Starts loading a request; the current page stays until the reply arrives. A load under way
    // is cancelled (its listener hears CANCELLED). Replies arrive through http::poll().
    void loadRequest(const http::Request& req);
    // Drops a load under way without a word to the listener.
    void stopLoading();
    bool loading() const { return m_transfer != 0; }

    // Scrolls by dy pixels (positive: further down the page), kept within the page.
    void scrollBy(int dy);
    int scroll() const { return m_scroll; }
    int contentHeight() const;
    // A tap at a point of the view: follows a link there inside the page. True when it did.
    bool tap(int x, int y);

    // The view's pixels (RGBA, row 0 at the top); false when nothing changed since the last call.
    bool render(std::vector<uint8_t>& rgba);
    int width() const { return m_width; }
    int height() const { return m_height; }
    const std::string& url() const { return m_url; }
    // The text the page was made from (tests and traces look at it).
    const std::string& html() const { return m_html; }

    void onResult(void* result); // the transfer's callback

  private:
    void show(const std::string& html, const std::string& url);
    int m_width, m_height;
    page::Page* m_page = nullptr;
    std::string m_html;
    std::string m_url;
    int m_scroll = 0;
    bool m_dirty = true;
    int m_transfer = 0;
    std::string m_loading_url;
    std::unique_ptr<http::UrlDelegate> m_delegate;
    std::vector<std::unique_ptr<http::UrlDelegate>> m_finished; // freed after their callback
    Listener* m_listener = nullptr;
};

} // namespace web
