// SPDX-License-Identifier: MIT
// The delegate's online side inside the running application (headless, in this process): the
// external-link handler, and the busy indicator and bar that stay off the game screen until a
// page is asked for.
#include "core/evt.h"
#include "core/platform.h"
#include "shell/app.h"
#include "shell/flingo_app_delegate.h"
#include "shell/options.h"
#include "ui/views.h"

#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>

namespace {

long steps = 0;
bool back_seen_before_page = false;

void onStep(void*) {
    ++steps;
    float x = 0, y = 0;
    if (steps == 140) back_seen_before_page = ui::findButton("Back", x, y);
    if (steps == 150) {
        evt::publish("gotoUrl", "http://127.0.0.1:9/ad?id=7&x=%20");
        evt::publish("gotoUrl", static_cast<const char*>(nullptr));
    }
}

} // namespace

TEST(OnlineDelegate, ExternalLinksAreCountedAndNotOpenedHeadless) {
    char dir[] = "/tmp/flingo-online-delegate-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string data = dir;
    shell::Options o;
    o.headless = true;
    o.frames = 160;
    o.data_dir = data;
    o.analytics_log = data + "/analytics.jsonl";
    o.no_ads = true;
    platform::setDataPath((data + "/").c_str());
    shell::addLoopHook(&onStep, nullptr);
    auto* app = new FlingoAppDelegate;
    testing::internal::CaptureStderr();
    EXPECT_EQ(shell::run(*app, o, {}), 0);
    delete app;
    const std::string err = testing::internal::GetCapturedStderr();

    EXPECT_FALSE(back_seen_before_page) << "no bar button while the game view shows";
    std::stringstream in;
    in << std::ifstream(o.analytics_log).rdbuf();
    const std::string log = in.str();
    EXPECT_NE(log.find("{\"event\":\"CLICKED_AD_LINK\",\"parameters\":{\"url\":\"http://"
                       "127.0.0.1:9/ad?id=7&x=%20\"}}"),
              std::string::npos)
        << log;
    // Exactly one: the null URL is dropped.
    EXPECT_EQ(log.find("CLICKED_AD_LINK"), log.rfind("CLICKED_AD_LINK"));
    EXPECT_NE(err.find("not opening http://127.0.0.1:9/ad?id=7&x=%20 in a headless run"),
              std::string::npos)
        << err;
}
