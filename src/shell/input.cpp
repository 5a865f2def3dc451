// SPDX-License-Identifier: MIT
#include "shell/input.h"

#include "core/clock.h"
#include "core/platform.h"
#include "shell/app.h"
#include "shell/window.h"
#include "ui/timer.h"

#include <array>
#include <cmath>
#include <cstring>

namespace shell::input {

using namespace ui;

const char* const KEY_NAMES =
    "escape, f11, return, space, up, down, left, right, pad-a, pad-b, pad-x, pad-y, pad-back, "
    "pad-start, pad-up, pad-down, pad-left, pad-right";

namespace {

constexpr float AIM_SPEED = 400;   // points a second an arrow moves a key flick's aim
constexpr float STICK_DEAD = 0.3f; // a right stick inside this is let go
constexpr int STICK_FRAMES = 3;    // a stick flick is its motion over this many steps
constexpr float STICK_REACH = 60;  // points a full stick's width of motion stands for
constexpr float NAV_PUSH = 0.6f;   // a left stick past this moves the focus once
constexpr int KEYS = 4;            // the flick's owner: the keyboard, else a pad's index
constexpr const char* PAD_NAMES[] = {"a",
                                     "b",
                                     "x",
                                     "y",
                                     "back",
                                     "guide",
                                     "start",
                                     "leftstick",
                                     "rightstick",
                                     "leftshoulder",
                                     "rightshoulder",
                                     "dpup",
                                     "dpdown",
                                     "dpleft",
                                     "dpright"};
constexpr const char* AXIS_NAMES[] = {"leftx", "lefty", "rightx", "righty"};

struct Pad {
    SDL_GameController* ctrl = nullptr;
    SDL_JoystickID id = -1;
    float rx = 0, ry = 0;              // the right stick now
    float hist[STICK_FRAMES + 1][2]{}; // its last samples, newest at count % size
    int count = 0;
    int nav_dir = -1; // the left stick's focus direction while it is pushed
};
std::array<Pad, 4> pads;
std::array<SDL_Joystick*, 4> virtual_pads{};

int flick_owner = -1; // KEYS, a pad's index, or -1
float start_x = 0, start_y = 0, aim_x = 0, aim_y = 0;
bool arrows[4] = {}; // up, down, left, right held
double last_step = 0;
bool focus_shown = false;

int direction(const std::string& n) {
    if (n == "up" || n == "pad-up") return 0;
    if (n == "down" || n == "pad-down") return 1;
    if (n == "left" || n == "pad-left") return 2;
    if (n == "right" || n == "pad-right") return 3;
    return -1;
}

void nav(Nav n) {
    focus_shown = true;
    deliverNav(n);
}

void beginFlick(int owner, float x, float y) {
    flick_owner = owner;
    start_x = aim_x = x;
    start_y = aim_y = y;
    deliverTouch(TouchPhase::Began, x, y);
}

void endFlick() {
    flick_owner = -1;
    deliverTouch(TouchPhase::Ended, aim_x, aim_y);
}

Pad* padById(SDL_JoystickID id) {
    for (Pad& p : pads)
        if (p.ctrl && p.id == id) return &p;
    return nullptr;
}

void openPad(int device) {
    const SDL_JoystickID id = SDL_JoystickGetDeviceInstanceID(device);
    if (padById(id)) return;
    if (!SDL_IsGameController(device)) {
        platform::log("ignoring the joystick \"%s\": no controller mapping is known for it",
                      SDL_JoystickNameForIndex(device));
        return;
    }
    for (Pad& p : pads) {
        if (p.ctrl) continue;
        p = Pad();
        p.ctrl = SDL_GameControllerOpen(device);
        if (!p.ctrl) {
            platform::log("cannot open the gamepad \"%s\": %s",
                          SDL_GameControllerNameForIndex(device), SDL_GetError());
            return;
        }
        p.id = id;
        platform::log("gamepad \"%s\" connected", SDL_GameControllerName(p.ctrl));
        return;
    }
    platform::log("ignoring the gamepad \"%s\": four are in use",
                  SDL_GameControllerNameForIndex(device));
}

void closePad(SDL_JoystickID id) {
    Pad* p = padById(id);
    if (!p) return;
    // Unplugged mid-flick: the touch ends where it was, and the flick rules decide.
    if (flick_owner == p - pads.data()) endFlick();
    platform::log("gamepad \"%s\" disconnected", SDL_GameControllerName(p->ctrl));
    SDL_GameControllerClose(p->ctrl);
    *p = Pad();
}

const char* buttonName(Uint8 b) {
    switch (b) {
    case SDL_CONTROLLER_BUTTON_A:
        return "pad-a";
    case SDL_CONTROLLER_BUTTON_B:
        return "pad-b";
    case SDL_CONTROLLER_BUTTON_X:
        return "pad-x";
    case SDL_CONTROLLER_BUTTON_Y:
        return "pad-y";
    case SDL_CONTROLLER_BUTTON_BACK:
        return "pad-back";
    case SDL_CONTROLLER_BUTTON_START:
        return "pad-start";
    case SDL_CONTROLLER_BUTTON_DPAD_UP:
        return "pad-up";
    case SDL_CONTROLLER_BUTTON_DPAD_DOWN:
        return "pad-down";
    case SDL_CONTROLLER_BUTTON_DPAD_LEFT:
        return "pad-left";
    case SDL_CONTROLLER_BUTTON_DPAD_RIGHT:
        return "pad-right";
    default:
        return nullptr;
    }
}

const char* keyName(SDL_Keycode k) {
    switch (k) {
    case SDLK_ESCAPE:
    case SDLK_AC_BACK:
        return "escape";
    case SDLK_F11:
        return "f11";
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
        return "return";
    case SDLK_SPACE:
        return "space";
    case SDLK_UP:
        return "up";
    case SDLK_DOWN:
        return "down";
    case SDLK_LEFT:
        return "left";
    case SDLK_RIGHT:
        return "right";
    default:
        return nullptr;
    }
}

void leftStick(Pad& p) {
    const float x = SDL_GameControllerGetAxis(p.ctrl, SDL_CONTROLLER_AXIS_LEFTX) / 32767.0f;
    const float y = SDL_GameControllerGetAxis(p.ctrl, SDL_CONTROLLER_AXIS_LEFTY) / 32767.0f;
    int dir = -1;
    if (std::fabs(y) >= std::fabs(x) && std::fabs(y) > NAV_PUSH) dir = y < 0 ? 0 : 1;
    if (std::fabs(x) > std::fabs(y) && std::fabs(x) > NAV_PUSH) dir = x < 0 ? 2 : 3;
    if (dir >= 0 && dir != p.nav_dir) nav(static_cast<Nav>(static_cast<int>(Nav::Up) + dir));
    if (dir >= 0 || (std::fabs(x) < STICK_DEAD && std::fabs(y) < STICK_DEAD)) p.nav_dir = dir;
}

void sampleStick(Pad& p, int index) {
    float* now = p.hist[p.count % (STICK_FRAMES + 1)];
    now[0] = p.rx;
    now[1] = p.ry;
    ++p.count;
    const bool pulled = std::hypot(p.rx, p.ry) > STICK_DEAD;
    float x = 0, y = 0;
    if (flick_owner < 0 && pulled && !touchInProgress() && flickAnchor(x, y)) {
        beginFlick(index, x, y);
    } else if (flick_owner == index && !pulled) {
        // Let go: the stick's motion over the last steps is the flick's.
        const int back = std::min(STICK_FRAMES, p.count - 1);
        const float* then = p.hist[(p.count - 1 - back) % (STICK_FRAMES + 1)];
        aim_x = start_x + (p.rx - then[0]) * STICK_REACH;
        aim_y = start_y + (p.ry - then[1]) * STICK_REACH;
        deliverTouch(TouchPhase::Moved, aim_x, aim_y);
        endFlick();
    }
}

} // namespace

bool knownKey(const std::string& name) {
    static const char* const names[] = {"escape",   "f11",      "return",   "space",     "up",
                                        "down",     "left",     "right",    "pad-a",     "pad-b",
                                        "pad-x",    "pad-y",    "pad-back", "pad-start", "pad-up",
                                        "pad-down", "pad-left", "pad-right"};
    for (const char* n : names)
        if (name == n) return true;
    return false;
}

void init(bool headless) {
    // A headless run has no focused window; its virtual pads must be heard all the same.
    if (headless) SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    last_step = clk::now();
}

void openPads() {
    static bool opened = false;
    if (opened) return;
    opened = true;
    if (SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) != 0)
        platform::log("no gamepads: %s", SDL_GetError());
}

bool handleEvent(const SDL_Event& e) {
    switch (e.type) {
    case SDL_KEYDOWN:
        if (e.key.keysym.sym == SDLK_RETURN && (e.key.keysym.mod & KMOD_ALT)) {
            if (!e.key.repeat) toggleFullscreen();
        } else if (const char* n = keyName(e.key.keysym.sym)) {
            keyDown(n, e.key.repeat != 0);
        }
        return true;
    case SDL_KEYUP:
        if (const char* n = keyName(e.key.keysym.sym)) keyUp(n);
        return true;
    case SDL_JOYDEVICEADDED:
    case SDL_CONTROLLERDEVICEADDED:
        openPad(e.cdevice.which);
        return true;
    case SDL_CONTROLLERDEVICEREMOVED:
        closePad(e.cdevice.which);
        return true;
    case SDL_CONTROLLERBUTTONDOWN:
    case SDL_CONTROLLERBUTTONUP:
        if (!padById(e.cbutton.which)) return true;
        if (const char* n = buttonName(e.cbutton.button))
            e.type == SDL_CONTROLLERBUTTONDOWN ? keyDown(n, false) : keyUp(n);
        return true;
    case SDL_CONTROLLERAXISMOTION:
        if (Pad* p = padById(e.caxis.which)) {
            const float v = e.caxis.value / 32767.0f;
            if (e.caxis.axis == SDL_CONTROLLER_AXIS_RIGHTX) p->rx = v;
            if (e.caxis.axis == SDL_CONTROLLER_AXIS_RIGHTY) p->ry = v;
            if (e.caxis.axis <= SDL_CONTROLLER_AXIS_LEFTY) leftStick(*p);
        }
        return true;
    default:
        return false;
    }
}

void keyDown(const std::string& name, bool repeat) {
    const int dir = direction(name);
    if (dir >= 0) {
        if (name.rfind("pad-", 0) != 0) arrows[dir] = true; // arrows aim a key flick
        // Only focus moves repeat while a key is held.
        if (flick_owner != KEYS) nav(static_cast<Nav>(static_cast<int>(Nav::Up) + dir));
        return;
    }
    if (repeat) return;
    float x = 0, y = 0;
    if (name == "escape" || name == "pad-b" || name == "pad-back") {
        flick_owner = -1; // the back key abandons any touch
        deliverBack();
    } else if (name == "f11") {
        toggleFullscreen();
    } else if (name == "space" && flick_owner < 0 && !touchInProgress() && flickAnchor(x, y)) {
        last_step = clk::now();
        beginFlick(KEYS, x, y);
    } else if (name == "space" || name == "return" || name == "pad-a" || name == "pad-start") {
        if (flick_owner < 0) nav(Nav::Press);
    }
}

void keyUp(const std::string& name) {
    const int dir = direction(name);
    if (dir >= 0 && name.rfind("pad-", 0) != 0) arrows[dir] = false;
    if (name == "space" && flick_owner == KEYS) {
        if (touchInProgress())
            endFlick();
        else
            flick_owner = -1;
    }
}

void step() {
    const double t = clk::now();
    const auto dt = static_cast<float>(std::min(t - last_step, 0.1));
    last_step = t;
    // A touch the back key or a focus loss took away ends the flick with it.
    if (flick_owner >= 0 && !touchInProgress()) flick_owner = -1;
    if (flick_owner == KEYS) {
        const float dx = static_cast<float>(arrows[3] - arrows[2]);
        const float dy = static_cast<float>(arrows[1] - arrows[0]);
        if (dx != 0 || dy != 0) {
            aim_x += dx * AIM_SPEED * dt;
            aim_y += dy * AIM_SPEED * dt;
            deliverTouch(TouchPhase::Moved, aim_x, aim_y);
        }
    }
    for (size_t i = 0; i < pads.size(); ++i)
        if (pads[i].ctrl) sampleStick(pads[i], static_cast<int>(i));
}

void pointerUsed() {
    if (!focus_shown) return;
    focus_shown = false;
    deliverNav(Nav::Hide);
}

bool knownPadControl(const std::string& what, bool& is_axis) {
    is_axis = false;
    if (what == "attach" || what == "detach") return true;
    for (const char* n : PAD_NAMES)
        if (what == n) return true;
    is_axis = true;
    for (const char* n : AXIS_NAMES)
        if (what == n) return true;
    return false;
}

bool virtualPad(int pad, const std::string& what, float value, std::string& error) {
    if (pad < 1 || pad > static_cast<int>(virtual_pads.size())) {
        error = "no virtual pad " + std::to_string(pad);
        return false;
    }
    SDL_Joystick*& js = virtual_pads[static_cast<size_t>(pad - 1)];
    if (what == "attach") {
        if (js) return true;
        openPads();
        const int device = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, 6, 15, 0);
        if (device < 0) {
            error = std::string("cannot attach a virtual pad: ") + SDL_GetError();
            return false;
        }
        char guid[64];
        SDL_JoystickGetGUIDString(SDL_JoystickGetDeviceGUID(device), guid, sizeof guid);
        std::string mapping = std::string(guid) + ",Virtual pad " + std::to_string(pad);
        for (int b = 0; b < 15; ++b)
            mapping += std::string(",") + PAD_NAMES[b] + ":b" + std::to_string(b);
        for (int a = 0; a < 4; ++a)
            mapping += std::string(",") + AXIS_NAMES[a] + ":a" + std::to_string(a);
        mapping += ",lefttrigger:a4,righttrigger:a5";
        SDL_GameControllerAddMapping(mapping.c_str());
        js = SDL_JoystickOpen(device);
        return js != nullptr;
    }
    if (!js) {
        error = "virtual pad " + std::to_string(pad) + " is not attached";
        return false;
    }
    if (what == "detach") {
        const SDL_JoystickID id = SDL_JoystickInstanceID(js);
        SDL_JoystickClose(js);
        js = nullptr;
        for (int i = 0; i < SDL_NumJoysticks(); ++i)
            if (SDL_JoystickGetDeviceInstanceID(i) == id) SDL_JoystickDetachVirtual(i);
        return true;
    }
    for (int b = 0; b < 15; ++b)
        if (what == PAD_NAMES[b])
            return SDL_JoystickSetVirtualButton(js, b, value != 0 ? 1 : 0) == 0;
    for (int a = 0; a < 4; ++a)
        if (what == AXIS_NAMES[a])
            return SDL_JoystickSetVirtualAxis(js, a, static_cast<Sint16>(value * 32767)) == 0;
    error = "unknown pad control '" + what + "'";
    return false;
}

} // namespace shell::input
