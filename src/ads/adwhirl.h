// SPDX-License-Identifier: MIT
// The banner supplier and its banner controller. The banners come from a house source: images
// named "house_banner_<n>.png" (n from 0) in the resource folder, 320 points wide. A banner is
// attached to the game view when its supplier is selected, slides in over 0.25 s once it has an
// ad, slides out over 0.25 s when deselected and is detached at the end of the slide-out. It is
// drawn over the game after the scene: at the bottom on the menu, at the top in a level.
#pragma once

#include "ads/ads.h"

#include <string>
#include <vector>

class Sprite;

// A rectangle in view points: origin at the top-left of the 320 x 480 screen, y down.
struct ViewFrame {
    float x, y, width, height;
};

class AdWhirlViewDelegate {
  public:
    enum { LOCATION_TOP = 1, LOCATION_BOTTOM = 2 };
    static constexpr int MAX_HOUSE_BANNERS = 8;

    AdWhirlViewDelegate(const char* appKey, int location); // initWithApplicationKey:adLocation:
    ~AdWhirlViewDelegate();
    AdWhirlViewDelegate(const AdWhirlViewDelegate&) = delete;
    AdWhirlViewDelegate& operator=(const AdWhirlViewDelegate&) = delete;

    // Builds the banner view on first need: off-screen, and asks the house source for an ad.
    void loadView();
    // Moves on to the next house banner (the first one again after the last).
    void rollOver();
    bool isViewLoaded() const { return m_view_loaded; }

    // t = 0: fully on screen, t = 1: fully off.
    void updatePosition(double t);
    const ViewFrame& frame() const { return m_frame; }

    const std::string& adWhirlApplicationKey() const { return m_app_key; }

    // The house source's answers.
    void rollerDidReceiveAd();
    void rollerDidFailToReceiveAd();
    void willDisplayWebViewCanvas() { m_full_screen_active = true; }
    void didDismissWebViewCanvas() { m_full_screen_active = false; }

    bool adReady() const { return m_ad_ready; }
    void setAdReady(bool ready) { m_ad_ready = ready; }
    bool fullScreenActive() const { return m_full_screen_active; }
    void setFullScreenActive(bool on) { m_full_screen_active = on; }
    int adLocation() const { return m_ad_location; }
    void setAdLocation(int location) { m_ad_location = location; }

    // The banner image shown (null until an ad arrived) and its name.
    const Sprite* banner() const { return m_banner; }
    const char* bannerName() const { return m_banner_name; }

    // Draws the banner at its frame, in its own screen projection.
    void draw() const;

  private:
    Vector2<float> m_size = {0, 0};
    bool m_ad_ready = false;
    bool m_full_screen_active = false;
    int m_ad_location;
    std::string m_app_key;
    bool m_view_loaded = false;
    ViewFrame m_frame = {0, 0, 0, 0};
    struct HouseBanner {
        std::string name;
        Sprite* sprite; // owned
    };
    std::vector<HouseBanner> m_house; // the house banners found in the resource folder
    size_t m_next = 0;                // the one the next request shows
    Sprite* m_banner = nullptr;       // the one shown, from m_house
    const char* m_banner_name = "";

    void requestAd();
};

class AdWhirlAdSupplier : public AdSupplier {
  public:
    static constexpr double SLIDE_TIME = 0.25;

    explicit AdWhirlAdSupplier(int location);
    ~AdWhirlAdSupplier() override;

    void setActive(bool active, bool inGame) override;
    void drawAd(Vector2<float> offset) override;

    // onFrame: the banner's slide.
    void onFrame(void* payload);

    // registerAds handlers: create, subscribe and register the menu (bottom) or game (top)
    // supplier.
    static void onRegisterAdsForMenu(void* user, void* payload);
    static void onRegisterAdsForGame(void* user, void* payload);

    bool selected() const;

    AdWhirlViewDelegate* m_delegate;
    void* m_main_view = nullptr;
    double m_slide_time = 0;
    bool m_showing = true;
    int m_location;
};
