// SPDX-License-Identifier: MIT
// Keys and gamepads: focus moves and presses, the back key, and flicks made with the keyboard
// (hold Space, aim with the arrows, let go) or a right stick (pull, let go), fed to the views as
// one touch, exactly as a finger would make it.
#pragma once

#include <SDL.h>
#include <string>

namespace shell::input {

// The names keys and pad buttons go by in scripts, for messages.
extern const char* const KEY_NAMES;
bool knownKey(const std::string& name);

// Readies the keys and pads for the run.
void init(bool headless);
// Opens the game-controller subsystem with SDL's own controller database, once: when the game's
// first screen is up (nothing reads a pad before, and the menu comes sooner without it) or at a
// script's first virtual pad. Pads plugged in before or after are opened as they come; joysticks
// without a mapping are ignored with a message.
void openPads();
// Keys and pad events of the window; true when the event was one.
bool handleEvent(const SDL_Event& e);
// A named key or pad button going down (repeat: a held key's repeat) or up.
void keyDown(const std::string& name, bool repeat);
void keyUp(const std::string& name);
// Once a step: held arrows move a key flick's aim; right sticks are sampled.
void step();
// The mouse or a finger was used: the focus ring goes.
void pointerUsed();

// Virtual pads for scripts (1 to 4): "attach", "detach", a button ("a", "b", "back", "start",
// "dpup", ...) with value 1 (down) or 0 (up), or an axis ("leftx", "lefty", "rightx",
// "righty") with a value from -1 to 1. False with a reason for a name it does not know.
bool knownPadControl(const std::string& what, bool& is_axis);
bool virtualPad(int pad, const std::string& what, float value, std::string& error);

} // namespace shell::input
