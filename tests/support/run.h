// SPDX-License-Identifier: MIT
// What the tests share: folders of their own, files, PNG pictures, and built programs run.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace testrun {

// A fresh empty folder under the system's temporary folder, removed when the program ends
// (FLINGO_KEEP_TEST_DIRS keeps them for a look after a failure).
std::string tempDir();
void writeFile(const std::string& path, const std::string& text);
std::string readFile(const std::string& path);

// A PNG file as RGB, row 0 at the top; empty (w == 0) when it cannot be read.
struct Png {
    int w = 0, h = 0;
    std::vector<uint8_t> rgb;
    // The pixel as 0xRRGGBB; -1 outside the picture.
    long at(int x, int y) const;
};
Png readPng(const std::string& path);
// The bytes of a PNG file of one colour (0xRRGGBB).
std::string solidPng(int w, int h, uint32_t rgb);

struct Result {
    int status = -1; // exit status; 128 + signal when killed
    std::string stderr_text, stdout_text;
};
// Runs argv[0] with the arguments, waits for it (killing it after timeout seconds).
Result run(const std::vector<std::string>& argv, int timeout = 300, const std::string& cwd = "");
// Starts it without waiting (its stderr left as ours when no path is given); its pid.
int start(const std::vector<std::string>& argv, const std::string& stderr_path,
          const std::string& stdout_path = "/dev/null", const std::string& cwd = "");
int wait(int pid, int timeout = 300);

} // namespace testrun
