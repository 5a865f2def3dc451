// SPDX-License-Identifier: MIT
#include "ads/ads.h"

#include "ads/adwhirl.h"
#include "core/events.h"
#include "core/evt.h"

#include <vector>

namespace {

std::vector<AdSupplier*>& getAdSuppliers() {
    static std::vector<AdSupplier*> ad_suppliers;
    return ad_suppliers;
}

bool ads_enabled = true;

// Made before main: the suppliers are created while "registerAds" is delivered and destroyed on
// "onShutdown". The three live in this file so that linking the registry brings them along.
evt::AutoSubscriber on_register_menu(events::registerAds,
                                     evt::Callback(&AdWhirlAdSupplier::onRegisterAdsForMenu,
                                                   nullptr));
evt::AutoSubscriber on_register_game(events::registerAds,
                                     evt::Callback(&AdWhirlAdSupplier::onRegisterAdsForGame,
                                                   nullptr));
evt::AutoSubscriber ad_shutdown(events::onShutdown,
                                evt::Callback(&AdSupplier::releaseAdSuppliers, nullptr));

} // namespace

void AdSupplier::registerAdSupplier(AdSupplier* supplier) {
    getAdSuppliers().push_back(supplier);
}

void AdSupplier::setAdSuppliers(bool active, bool inGame) {
    for (AdSupplier* s : getAdSuppliers())
        s->setActive(active, inGame);
}

void AdSupplier::drawAdSuppliers(Vector2<float> offset) {
    for (AdSupplier* s : getAdSuppliers())
        s->drawAd(offset);
}

bool AdSupplier::adsFreezingGame() {
    bool freeze = false;
    for (const AdSupplier* s : getAdSuppliers())
        freeze = s->shouldFreezeGame() || freeze;
    return freeze;
}

void AdSupplier::releaseAdSuppliers(void*, void*) {
    auto& suppliers = getAdSuppliers();
    for (AdSupplier*& s : suppliers) {
        delete s;
        s = nullptr;
    }
    suppliers.clear();
}

int AdSupplier::supplierCount() {
    return static_cast<int>(getAdSuppliers().size());
}

void AdSupplier::setAdsEnabled(bool enabled) {
    ads_enabled = enabled;
}
bool AdSupplier::adsEnabled() {
    return ads_enabled;
}
