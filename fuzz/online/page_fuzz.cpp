// SPDX-License-Identifier: MIT
// The in-app page fed arbitrary text as a reply body: it must lay out, draw, answer taps and
// resolve links without crashing, hanging or leaking, whatever the server sends.
#include "online/page.h"

#include <cstdint>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 64 * 1024) return 0; // layout time grows with size; big pages add nothing new
    const std::string html(reinterpret_cast<const char*>(data), size),
        base = "http://127.0.0.1:8642/u/p";
    page::Page* p = page::create(html, 320);
    std::vector<uint8_t> rgba;
    const int h = page::height(p);
    page::draw(p, 0, 436, rgba);
    if (h > 436) page::draw(p, h - 436, 436, rgba);
    if (rgba.size() != 320u * 436 * 4) __builtin_trap();
    page::resolveUrl(base, page::linkAt(p, 40, 30));
    page::resolveUrl(base, html.substr(0, 200));
    page::destroy(p);
    return 0;
}
