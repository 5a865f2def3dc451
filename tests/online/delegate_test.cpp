// SPDX-License-Identifier: MIT
// The delegate's external-link handler inside the running application (headless, in this
// process). (No bar button shows over the game's own screens: the whole-game runs list them.)
#include "core/evt.h"
#include "shell/analytics.h"
#include "shell/app.h"
#include "shell/flingo_app_delegate.h"
#include "shell/options.h"
#include "support/run.h"

#include <gtest/gtest.h>

namespace {

long steps = 0;

void onStep(void*) {
    if (++steps == 150) {
        evt::publish("gotoUrl", "http://127.0.0.1:9/ad?id=7&x=%20");
        evt::publish("gotoUrl", static_cast<const char*>(nullptr));
    }
}

} // namespace

TEST(OnlineDelegate, ExternalLinksAreCountedAndNotOpenedHeadless) {
    shell::Options o;
    o.headless = o.no_ads = true;
    o.frames = 160;
    o.data_dir = testrun::tempDir();
    o.analytics_log = o.data_dir + "/analytics.jsonl";
    shell::addLoopHook(&onStep, nullptr);
    FlingoAppDelegate app;
    testing::internal::CaptureStderr();
    EXPECT_EQ(shell::run(app, o, {}), 0);
    const std::string err = testing::internal::GetCapturedStderr();
    // One click: the null URL is dropped.
    EXPECT_EQ(testrun::readFile(o.analytics_log),
              "{\"event\":\"USER_START\",\"parameters\":{\"ID\":\"" + shell::deviceId() +
                  "\"}}\n{\"event\":\"CLICKED_AD_LINK\",\"parameters\":{\"url\":\"http://"
                  "127.0.0.1:9/ad?id=7&x=%20\"}}\n");
    EXPECT_NE(err.find("not opening http://127.0.0.1:9/ad?id=7&x=%20 in a headless run"),
              std::string::npos)
        << err;
}
