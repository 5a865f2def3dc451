// SPDX-License-Identifier: MIT
#include "online/web_page.h"

#include "core/platform.h"

#include <algorithm>

namespace web {
namespace {

// Pictures fetched for one page at most; a page asking for more gets the first ones.
constexpr size_t MAX_IMAGES = 32;
// A page that is still arriving is laid out again at most this often (seconds), and only while
// it is of a size that lays out quickly; a larger one shows when it is complete.
constexpr double PARTIAL_LAYOUT_INTERVAL = 0.1;
constexpr int MAX_PARTIAL_LAYOUT = 256 * 1024;

} // namespace

WebPage::WebPage(int width, int height) : m_width(width), m_height(height) {}

WebPage::~WebPage() {
    if (m_transfer) http::cancel(m_transfer);
    dropImages();
    page::destroy(m_page);
}

void WebPage::dropImages() {
    for (auto& l : m_image_loads)
        if (l->transfer) http::cancel(l->transfer);
    m_image_loads.clear();
    page::destroyImages(m_images);
    m_images = nullptr;
}

void WebPage::show(const std::string& html, const std::string& url, bool keep) {
    if (!keep) {
        // The old page's pictures go with it; the new page must not draw them by mistake.
        page::Page* old = m_page;
        m_page = nullptr;
        page::destroy(old);
        dropImages();
        m_images = page::createImages();
        m_scroll = 0;
    }
    page::Page* p = page::create(html, m_width, url, m_images);
    page::destroy(m_page);
    m_page = p;
    m_html = html;
    m_url = url;
    m_scroll = std::clamp(m_scroll, 0, std::max(0, contentHeight() - m_height));
    m_dirty = true;
    fetchImages();
}

void WebPage::fetchImages() {
    const std::string own = http::origin(m_url);
    for (const std::string& u : page::takeWanted(m_images)) {
        if (own.empty() || http::origin(u) != own) {
            platform::log("not fetching the picture \"%s\" from elsewhere", u.c_str());
            continue;
        }
        if (m_image_loads.size() >= MAX_IMAGES) {
            platform::log("not fetching the picture \"%s\": the page has too many", u.c_str());
            continue;
        }
        auto l = std::make_unique<ImageLoad>();
        l->url = u;
        l->page = this;
        l->delegate =
            std::make_unique<http::UrlDelegate>(evt::Callback(&WebPage::onImage, nullptr), l.get());
        http::Request req;
        req.url = u;
        l->transfer = http::start(req, l->delegate.get());
        m_image_loads.push_back(std::move(l));
    }
}

void WebPage::onImage(void*, void* payload) {
    const auto* r = static_cast<const http::Result*>(payload);
    auto* l = static_cast<ImageLoad*>(r->user);
    WebPage* self = l->page;
    l->transfer = 0;
    std::string error;
    bool added = false;
    if (r->status < 200 || r->status > 299)
        error = r->status ? "status " + std::to_string(r->status)
                          : std::string(r->data ? reinterpret_cast<const char*>(r->data) : "",
                                        static_cast<size_t>(r->length));
    else
        added =
            page::addImage(self->m_images, l->url, r->data, static_cast<size_t>(r->length), error);
    if (!added) platform::log("picture \"%s\" left out: %s", l->url.c_str(), error.c_str());
    // The delegate is still running this callback: free it later.
    auto it = std::find_if(self->m_image_loads.begin(), self->m_image_loads.end(),
                           [&](const auto& x) { return x.get() == l; });
    if (it != self->m_image_loads.end()) {
        self->m_images_done.push_back(std::move(*it));
        self->m_image_loads.erase(it);
    }
    if (added) self->show(self->m_html, self->m_url, true); // room for the picture
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
    m_partial = false;
    m_finished.push_back(std::move(m_delegate));
}

void WebPage::loadRequest(const http::Request& req) {
    if (m_transfer) {
        stopLoading();
        if (m_listener) m_listener->didFailLoad(CANCELLED, "cancelled");
    }
    m_delegate =
        std::make_unique<http::UrlDelegate>(evt::Callback(this, &WebPage::onResult), nullptr);
    m_delegate->setProgress([this](const http::Result& r) { onProgress(r); });
    m_loading_url = req.url;
    m_partial = false;
    m_transfer = http::start(req, m_delegate.get());
    if (m_listener) m_listener->didStartLoad();
}

void WebPage::onProgress(const http::Result& r) {
    // The first bytes show at once; after that the page is laid out again now and then, not for
    // every piece that arrives.
    const double now = platform::getTime();
    // A server failure is not shown at all (the load ends in the error alert).
    if (r.length <= 0 || r.status >= 500 || r.length > MAX_PARTIAL_LAYOUT ||
        (m_partial && now - m_last_layout < PARTIAL_LAYOUT_INTERVAL))
        return;
    show(std::string(reinterpret_cast<const char*>(r.data), static_cast<size_t>(r.length)),
         m_loading_url, m_partial);
    m_partial = true;
    m_last_layout = now;
}

void WebPage::onResult(void* payload) {
    const auto* r = static_cast<const http::Result*>(payload);
    m_transfer = 0;
    const bool partial = m_partial;
    m_partial = false;
    // The delegate is still running this callback: free it later.
    m_finished.push_back(std::move(m_delegate));
    std::string body;
    if (r->data && r->length > 0)
        body.assign(reinterpret_cast<const char*>(r->data), static_cast<size_t>(r->length));
    if (r->status == 0) {
        if (m_listener) m_listener->didFailLoad(-1, body);
        return;
    }
    if (r->status >= 500 || (r->status >= 400 && body.empty())) {
        // The server failed (or sent nothing to show): say so rather than show its page.
        if (!body.empty())
            platform::log("%s: status %d: %.300s", m_loading_url.c_str(), r->status, body.c_str());
        if (m_listener)
            m_listener->didFailLoad(r->status, "The score server sent an error (" +
                                                   std::to_string(r->status) + ").");
        return;
    }
    m_status = r->status;
    show(body, m_loading_url, partial);
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
    // Links stay on the score server: http(s), its own host and port.
    if (http::origin(m_url).empty() || http::origin(target) != http::origin(m_url)) {
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
    m_images_done.clear();
    if (!m_page) show("", "");
    page::draw(m_page, m_scroll, m_height, rgba);
    m_dirty = false;
    return true;
}

} // namespace web
