// SPDX-License-Identifier: MIT
#include "shell/identity.h"

#include "core/platform.h"
#include "ui/png_file.h"

#include <cstdlib>
#include <string>

namespace shell {

using namespace ui;

void setIdentityHints() {
    setenv("SDL_VIDEO_X11_WMCLASS", APP_ID, 0);
    setenv("SDL_VIDEO_WAYLAND_WMCLASS", APP_ID, 0);
    SDL_SetHint(SDL_HINT_APP_NAME, "Flingo");
}

void setWindowIcon(SDL_Window* window) {
    Image icon;
    if (!window || !readPng(std::string(platform::getBasePath()) + "icon.png", icon)) return;
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormatFrom(icon.rgba.data(), icon.width, icon.height,
                                                        32, icon.width * 4, SDL_PIXELFORMAT_RGBA32);
    if (!s) return;
    SDL_SetWindowIcon(window, s); // SDL copies the pixels
    SDL_FreeSurface(s);
}

} // namespace shell
