// SPDX-License-Identifier: MIT
#include "online/board_page.h"

#include "online/page.h"
#include "online/submission.h"

namespace online {

const char* const LOADING_HTML = "<body style=\"background-color:#000000;color:#07FF6D;\"><center>"
                                 "<h1>loading...</h1></center></body>";

BoardPage::BoardPage() : m_page(320, 480 - ui::PageView::TOP), m_view(*this) {
    view = &m_view;
    m_page.setListener(this);
    reset();
}

BoardPage::~BoardPage() {
    m_page.setListener(nullptr);
}

void BoardPage::reset() {
    m_page.loadHtml(LOADING_HTML);
    ui::setNeedsDisplay();
}

bool BoardPage::render(float scale, std::vector<uint8_t>& rgba, int& width, int& height) {
    page::setScale(scale);
    if (!m_page.render(rgba)) return false;
    width = page::pixels(m_page.width());
    height = page::pixels(m_page.height());
    return true;
}

void BoardPage::didStartLoad() {
    m_view.loadingIndicator().startAnimating();
    ui::setNeedsDisplay();
}

void BoardPage::didFinishLoad() {
    m_view.loadingIndicator().stopAnimating();
    ui::setNeedsDisplay();
    // Texts shown at once (the placeholder) are no page load of anyone's.
    if (loadEnded && !m_page.url().empty()) loadEnded(true, m_page.status(), "");
}

void BoardPage::didFailLoad(int code, const std::string& description) {
    if (loadEnded) loadEnded(false, code, code == web::CANCELLED ? "cancelled" : description);
    if (code == web::CANCELLED) return;
    m_view.loadingIndicator().stopAnimating();
    ui::showAlert("Error loading webpage", loadErrorMessage(description), {"Ok"}, [this](int) {
        if (failureAcknowledged) failureAcknowledged();
    });
}

} // namespace online
