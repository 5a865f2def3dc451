// SPDX-License-Identifier: MIT
// A small application on the shell without the game, for the start-up benchmark: a start-up
// image for 0.2 s, then a GL view pushed over it. Each tick clears the view to blue and, while a
// touch is down, paints a 9 x 9 white square centred on the pointer point, so screenshots show
// where the pointer events landed. Activation and the back key are logged to the console.
#include "core/evt.h"
#include "core/platform.h"
#include "shell/app.h"
#include "shell/gl_view.h"
#include "shell/options.h"
#include "shell/script.h"
#include "shell/trace.h"
#include "shell/window.h"
#include "ui/timer.h"
#include "ui/views.h"

#include <GLES/gl.h>
#include <cstdio>

namespace {

Vector2<float> point = {0, 0};
bool down = false;

class HarnessView : public shell::BaseGLView {
  public:
    void touch(ui::TouchPhase phase, float x, float y) override {
        point = {x, ui::SCREEN_HEIGHT - y};
        down = phase == ui::TouchPhase::Began || phase == ui::TouchPhase::Moved;
        evt::publish(phase == ui::TouchPhase::Began   ? "onPtrDown"
                     : phase == ui::TouchPhase::Moved ? "onPtrMove"
                                                      : "onPtrUp",
                     &point);
    }
};

void render(void*, void*) {
    glClearColor(0, 0, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    if (!down) return;
    glEnable(GL_SCISSOR_TEST);
    glScissor(static_cast<int>(point.x) - 4, static_cast<int>(point.y) - 4, 9, 9);
    glClearColor(1, 1, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);
}

class HarnessDelegate : public shell::BaseAppDelegate, public ui::NavDelegate {
  public:
    ~HarnessDelegate() override { evt::publish("onShutdown"); }

    void applicationDidFinishLaunching() override {
        if (!initializeApplication(nullptr)) return;
        if (!view.initWithFrame(0.02, false)) return shell::failLaunch();
        evt::subscribe("render", evt::Callback(&render, nullptr));
        nav.setDelegate(this);
        showWindowWithRootView(&nav);
        ui::setButton("OK", 100, 200, 120, 40);
        ui::scheduleTimer(0.2, false, [this] { nav.push(&view_ctrl, true); });
    }
    void willShowViewController(ui::NavController&, ui::ViewController* vc, bool) override {
        if (vc == &view_ctrl) view.startAnimation();
    }
    void didShowViewController(ui::NavController&, ui::ViewController* vc, bool) override {
        if (vc == &view_ctrl) platform::log("shown %d", ++shown);
    }
    void goBack() override { platform::log("back"); }

  private:
    ui::ImageView startup{"Default.png", 0, 0, 320, 480};
    ui::ViewController startup_ctrl{&startup, ""};
    HarnessView view;
    ui::ViewController view_ctrl{&view, "Back"};
    ui::NavController nav{&startup_ctrl};
    int shown = 0;
};

} // namespace

int main(int argc, char** argv) {
    shell::Options opts;
    std::vector<shell::Command> script;
    std::string error;
    if (!shell::parseOptions(argc, argv, opts, error) ||
        (!opts.script.empty() && !shell::loadScript(opts.script, script, error))) {
        fprintf(stderr, "harness: %s\n", error.c_str());
        return 2;
    }
    if (!opts.resource_dir.empty()) platform::setBasePath(opts.resource_dir.c_str());
    if (!opts.trace.empty() && !shell::openTrace(opts.trace)) return 2;
    int status = 0;
    {
        HarnessDelegate delegate;
        status = shell::run(delegate, opts, std::move(script));
    }
    shell::closeTrace();
    shell::destroyWindow();
    return status;
}
