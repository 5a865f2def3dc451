// SPDX-License-Identifier: MIT
#include "ads/adwhirl.h"

#include "core/events.h"
#include "core/evt.h"
#include "core/platform.h"
#include "core/util.h"
#include "gfx/sprite.h"

#include <GLES/gl.h>
#include <algorithm>
#include <filesystem>
#include <vector>

namespace {

// Each banner has its own application key, as the mediation service would issue them.
const char* const MENU_APP_KEY = "6f1c0a9e52d84b7fa3e1c07d9b2e4f58";
const char* const GAME_APP_KEY = "a84e3d2b7c1f4e90b65d28f1c3a7e0d4";

constexpr float SCREEN_HEIGHT = 480.0f;

// The house source: the banner images present in the resource folder, in number order.
std::vector<std::string> houseBanners() {
    std::vector<std::string> names;
    for (int i = 0; i < AdWhirlViewDelegate::MAX_HOUSE_BANNERS; ++i) {
        std::string name = util::formatString("house_banner_%d.png", i);
        std::error_code ec;
        if (std::filesystem::is_regular_file(std::string(platform::getBasePath()) + "img/" + name,
                                             ec))
            names.push_back(std::move(name));
    }
    return names;
}

void registerSupplier(int location) {
    if (!AdSupplier::adsEnabled()) return;
    auto* supplier = new AdWhirlAdSupplier(location);
    evt::subscribe(events::onFrame, evt::Callback(supplier, &AdWhirlAdSupplier::onFrame));
    AdSupplier::registerAdSupplier(supplier);
}

} // namespace

// --- the banner controller ---

AdWhirlViewDelegate::AdWhirlViewDelegate(const char* appKey, int location)
    : m_ad_location(location), m_app_key(appKey ? appKey : "") {}

AdWhirlViewDelegate::~AdWhirlViewDelegate() {
    for (HouseBanner& h : m_house)
        killSprite(h.sprite);
}

void AdWhirlViewDelegate::loadView() {
    if (m_view_loaded) return;
    m_view_loaded = true;
    m_ad_ready = false;
    m_size = {320.0f, 50.0f};
    updatePosition(1.0);

    // The house source loads its banners once, so that changing banners later costs nothing.
    for (std::string& name : houseBanners()) {
        Sprite* sprite = new Sprite(name.c_str(), Vector2<int>{0, 0}, 0.0f, false, 0);
        if (sprite->frameSize.x <= 0 || sprite->frameSize.y <= 0) {
            platform::log("house banner %s could not be loaded", name.c_str());
            killSprite(sprite);
            continue;
        }
        m_house.push_back({std::move(name), sprite});
    }
    // The menu and the game banner start at different images so that the two placements do not
    // show the same one.
    m_next = m_ad_location == LOCATION_BOTTOM ? 0u : 1u;
    requestAd();
}

void AdWhirlViewDelegate::rollOver() {
    if (m_view_loaded) requestAd();
}

void AdWhirlViewDelegate::requestAd() {
    if (m_house.empty()) {
        rollerDidFailToReceiveAd();
        return;
    }
    const HouseBanner& next = m_house[m_next++ % m_house.size()];
    m_banner = next.sprite;
    m_banner_name = next.name.c_str();
    m_size = {static_cast<float>(m_banner->frameSize.x), static_cast<float>(m_banner->frameSize.y)};
    updatePosition(1.0); // a new ad arrives while its banner is off-screen
    rollerDidReceiveAd();
}

void AdWhirlViewDelegate::updatePosition(double t) {
    float y;
    if (m_ad_location == LOCATION_BOTTOM)
        y = static_cast<float>((SCREEN_HEIGHT - m_size.y) + t * m_size.y);
    else
        y = static_cast<float>(-t * m_size.y);
    m_frame = {0.0f, y, m_size.x, m_size.y};
}

void AdWhirlViewDelegate::rollerDidReceiveAd() {
    m_ad_ready = true;
}

void AdWhirlViewDelegate::rollerDidFailToReceiveAd() {}

void AdWhirlViewDelegate::draw() const {
    if (!m_banner) return;
    // The banner lies over the game view, outside the scene's projections.
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrthof(0, 320, 0, SCREEN_HEIGHT, 0, 450);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    Vector3<float> centre = {m_frame.x + m_frame.width * 0.5f,
                             SCREEN_HEIGHT - (m_frame.y + m_frame.height * 0.5f), 0.0f};
    m_banner->draw(centre,
                   {m_frame.width / m_banner->frameSize.x, m_frame.height / m_banner->frameSize.y},
                   {0, 0, 0}, {1, 1, 1, 1});
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
}

// --- the supplier ---

AdWhirlAdSupplier::AdWhirlAdSupplier(int location)
    : m_delegate(new AdWhirlViewDelegate(
          location == AdWhirlViewDelegate::LOCATION_BOTTOM ? MENU_APP_KEY : GAME_APP_KEY,
          location)),
      m_location(location) {}

AdWhirlAdSupplier::~AdWhirlAdSupplier() {
    // A destroyed supplier must hear no further frames.
    evt::unsubscribe(events::onFrame, evt::Callback(this, &AdWhirlAdSupplier::onFrame));
    delete m_delegate;
}

bool AdWhirlAdSupplier::selected() const {
    return m_active && ((m_in_game && m_location == AdWhirlViewDelegate::LOCATION_TOP) ||
                        (!m_in_game && m_location == AdWhirlViewDelegate::LOCATION_BOTTOM));
}

void AdWhirlAdSupplier::setActive(bool active, bool inGame) {
    AdSupplier::setActive(active, inGame);
    if (selected()) {
        const bool attaching = !m_main_view;
        if (attaching) evt::publish(events::getMainView, &m_main_view);
        if (m_main_view) {
            // Attaching builds the banner view on first need; a later attachment brings the
            // next house banner.
            if (!m_delegate->isViewLoaded())
                m_delegate->loadView();
            else if (attaching)
                m_delegate->rollOver();
            m_slide_time = SLIDE_TIME;
            m_showing = true;
        }
    } else {
        m_slide_time = SLIDE_TIME;
        m_showing = false;
    }
}

void AdWhirlAdSupplier::onFrame(void* payload) {
    if (!selected() && m_showing) return;
    if (!m_main_view || m_slide_time <= 0 || !m_delegate->adReady()) return;
    double elapsed = *static_cast<double*>(payload);
    m_slide_time = std::max(m_slide_time - elapsed, 0.0);
    double t = m_showing ? 4.0 * m_slide_time : 1.0 - 4.0 * m_slide_time;
    m_delegate->updatePosition(t);
    if (!m_showing && t == 1.0) m_main_view = nullptr; // detached from the game view
}

void AdWhirlAdSupplier::drawAd(Vector2<float>) {
    // The banner is a view over the game, so it does not move with the screens' slides.
    if (m_main_view && m_delegate->adReady()) m_delegate->draw();
}

void AdWhirlAdSupplier::onRegisterAdsForMenu(void*, void*) {
    registerSupplier(AdWhirlViewDelegate::LOCATION_BOTTOM);
}

void AdWhirlAdSupplier::onRegisterAdsForGame(void*, void*) {
    registerSupplier(AdWhirlViewDelegate::LOCATION_TOP);
}
