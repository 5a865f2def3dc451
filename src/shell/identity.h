// SPDX-License-Identifier: MIT
// How the desktop knows the game: one application id for the window class (X11), the app id
// (Wayland), the desktop file and the icons, and the window's own icon.
#pragma once

#include <SDL.h>

namespace shell {

constexpr const char* APP_ID = "org.flingo.flingo";

// Before the video system starts: the window class and app id (a value already in the
// environment is kept).
void setIdentityHints();
// The window's icon, from icon.png in the resource folder; a missing one is only reported.
void setWindowIcon(SDL_Window* window);

} // namespace shell
