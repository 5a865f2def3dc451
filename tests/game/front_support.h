// Shared helpers of the menu, controller and banner tests: a resource folder of our own with
// images of known sizes and colours (and the game's fonts copied in), and a recorder of bus
// events.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace front {

// Makes a fresh temporary resource folder (with img/), copies the fonts and the key file from the
// built resource folder when they are there, and makes it the game's base path. Returns it.
std::string makeResourceDir();
// Whether the game's fonts were found (text sprites have a size only then).
bool haveFonts();
// Writes a w x h PNG of one colour (0xRRGGBBAA) as img/<name> in the current base path.
void writeImage(const char* name, int w, int h, uint32_t rgba);
// A fresh temporary folder made the game's data path.
std::string makeDataDir();

// Records every bus event whose name is in the filter (all events for an empty filter).
struct Event {
    std::string name;
    void* payload;
    std::string text; // the payload as a string, for names known to carry one
};
void record(std::vector<std::string> names);
void stopRecording();
std::vector<Event>& events();
// The names recorded, in order.
std::vector<std::string> names();

} // namespace front
