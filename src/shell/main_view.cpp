// SPDX-License-Identifier: MIT
#include "shell/main_view.h"

#include "core/events.h"
#include "core/evt.h"
#include "core/util.h"
#include "game/flingo.h"
#include "game/focus.h"
#include "shell/options.h"

Vector2<float> touch_point = {0, 0};

bool MainView::init() {
    if (!initWithFrame(0.02, false)) return false;
    fg::initialize();
    // A seeded run replaces the clock's seed so that it plays out the same every time.
    if (shell::options().has_seed) util::seedrand(shell::options().seed);
    return true;
}

void MainView::touch(shell::TouchPhase phase, float x, float y) {
    touch_point = {x, shell::SCREEN_HEIGHT - y};
    switch (phase) {
    case shell::TouchPhase::Began:
        evt::publish(events::onPtrDown, &touch_point);
        break;
    case shell::TouchPhase::Moved:
        evt::publish(events::onPtrMove, &touch_point);
        break;
    // A cancelled touch ends like a lifted finger.
    case shell::TouchPhase::Ended:
    case shell::TouchPhase::Cancelled:
        evt::publish(events::onPtrUp, &touch_point);
        break;
    }
}

void MainView::nav(shell::Nav n) {
    static_assert(static_cast<int>(shell::Nav::Press) == fg::NAV_PRESS);
    evt::publish(events::onNav, static_cast<int>(n));
}

bool MainView::flickAnchor(float& x, float& y) const {
    Vector2<float> at;
    if (!fg::flickAnchor(at)) return false;
    x = at.x;
    y = shell::SCREEN_HEIGHT - at.y;
    return true;
}
