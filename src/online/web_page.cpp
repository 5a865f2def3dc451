// SPDX-License-Identifier: MIT
#include "online/web_page.h"

#include "core/platform.h"

#include <algorithm>

namespace web {

WebPage::WebPage(int width, int height) : m_width(width), m_height(height) {}

WebPage::~WebPage() {
    if (m_transfer) http::cancel(m_transfer);
    page::destroy(m_page);
}

void WebPage::show(const std::string& html, const std::string& url) {
    page::Page* p = page::create(html, m_width);
    page::destroy(m_page);
    m_page = p;
    m_html = html;
    m_url = url;
    m_scroll = 0;
    m_dirty = true;
}

void WebPage::loadHtml(const std::string& html) {
    if (m_transfer) {
        stopLoading();
        if (m_listener) m_listener->didFailLoad(CANCELLED, "cancelled");
    }
    // A text loads at once, with the start and the finish of any load.
    if (m_listener) m_listener->didStartLoad();
    show(html, "");
    if (m_listener) m_listener->didFinishLoad();
}

void WebPage::stopLoading() {
    if (!m_transfer) return;
    http::cancel(m_transfer);
    m_transfer = 0;
    m_finished.push_back(std::move(m_delegate));
}

void WebPage::loadRequest(const http::Request& req) {
    if (m_transfer) {
        stopLoading();
        if (m_listener) m_listener->didFailLoad(CANCELLED, "cancelled");
    }
    m_delegate =
        std::make_unique<http::UrlDelegate>(evt::Callback(this, &WebPage::onResult), nullptr);
    m_loading_url = req.url;
    m_transfer = http::start(req, m_delegate.get());
    if (m_listener) m_listener->didStartLoad();
}

void WebPage::onResult(void* payload) {
    const auto* r = static_cast<const http::Result*>(payload);
    m_transfer = 0;
    // The delegate is still running this callback: free it later.
    m_finished.push_back(std::move(m_delegate));
    std::string body;
    if (r->data && r->length > 0)
        body.assign(reinterpret_cast<const char*>(r->data), static_cast<size_t>(r->length));
    if (r->status == 0) {
        if (m_listener) m_listener->didFailLoad(-1, body);
        return;
    }
    if (r->status >= 400 && body.empty()) {
        // Nothing to show: say what went wrong instead of an empty page.
        if (m_listener)
            m_listener->didFailLoad(r->status, "The server answered with error " +
                                                   std::to_string(r->status) + ".");
        return;
    }
    show(body, m_loading_url);
    if (m_listener) m_listener->didFinishLoad();
}

int WebPage::contentHeight() const {
    return m_page ? page::height(m_page) : 0;
}

void WebPage::scrollBy(int dy) {
    const int limit = std::max(0, contentHeight() - m_height);
    const int s = std::clamp(m_scroll + dy, 0, limit);
    if (s != m_scroll) m_dirty = true;
    m_scroll = s;
}

bool WebPage::tap(int x, int y) {
    if (!m_page) return false;
    const std::string href = page::linkAt(m_page, x, y + m_scroll);
    if (href.empty() || href[0] == '#') return false;
    const std::string target = page::resolveUrl(m_url, href);
    if (target.rfind("http://", 0) != 0 && target.rfind("https://", 0) != 0) {
        platform::log("not following the link \"%s\"", target.c_str());
        return false;
    }
    http::Request req;
    req.url = target;
    loadRequest(req);
    return true;
}

bool WebPage::render(std::vector<uint8_t>& rgba) {
    if (!m_dirty && !rgba.empty()) return false;
    // The delegates that finished are done with their callbacks by now.
    m_finished.clear();
    if (!m_page) show("", "");
    page::draw(m_page, m_scroll, m_height, rgba);
    m_dirty = false;
    return true;
}

} // namespace web
