// SPDX-License-Identifier: MIT
// The host services the game stands on: the time, the resource and data folders, whole-file
// reading and the console.
#pragma once

namespace platform {

// Seconds on the game's clock (core/clock.h), in whole milliseconds. Monotonic; does not wrap.
double getTime();

// The resource folder, ending in "/". Chosen by setBasePath, else the FLINGO_RESOURCE_DIR
// variable, else "resources/" next to the executable (the build tree), else
// "../share/flingo/" from the executable's folder (an installed game).
const char* getBasePath();
void setBasePath(const char* dir);

// The player's data folder, ending in "/": setDataPath, else $XDG_DATA_HOME/flingo, else
// ~/.local/share/flingo. Created on first use.
const char* getDataPath();
void setDataPath(const char* dir);

// Reads a whole file into a new[] buffer the caller delete[]s. Null for a missing, unreadable
// or empty file (size is then left alone, or 0 for an empty file).
unsigned char* readFile(const char* path, int& size);

// A console message: one line on stderr, also handed to the log hook (the headless trace).
void log(const char* format, ...) __attribute__((format(printf, 1, 2)));
using LogHook = void (*)(const char* line);
void setLogHook(LogHook hook);

} // namespace platform
