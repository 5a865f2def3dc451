// SPDX-License-Identifier: MIT
// Ad suppliers: the banner sources the game controller switches per screen, asks whether the game
// must freeze, and lets draw after the scene every frame. The registry owns them.
#pragma once

#include "core/vector.h"

class AdSupplier {
  public:
    AdSupplier() = default;
    virtual ~AdSupplier() = default;
    AdSupplier(const AdSupplier&) = delete;
    AdSupplier& operator=(const AdSupplier&) = delete;

    virtual void changeAd() {}
    virtual void drawAd(Vector2<float> offset) { (void)offset; }
    // active: ads are wanted on the current screen; inGame: that screen is a level.
    virtual void setActive(bool active, bool inGame) {
        m_active = active;
        m_in_game = inGame;
    }
    virtual bool shouldFreezeGame() const { return false; }

    // The registry. It takes ownership of every supplier registered.
    static void registerAdSupplier(AdSupplier* supplier);
    static void setAdSuppliers(bool active, bool inGame);
    static void drawAdSuppliers(Vector2<float> offset);
    static bool adsFreezingGame();
    // onShutdown: destroys every supplier and empties the registry.
    static void releaseAdSuppliers(void* user, void* payload);
    static int supplierCount();

    // With ads disabled (the command line's --no-ads) registerAds creates no supplier. Call
    // before the game initialises.
    static void setAdsEnabled(bool enabled);
    static bool adsEnabled();

    bool m_active = false;
    bool m_in_game = false;
};
