// SPDX-License-Identifier: MIT
// HTML pages laid out and drawn into pixels for the in-app web page.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace page {

struct Page;

// Parses and lays out an HTML text at the given width in pixels. Never null: text that is not
// HTML lays out as plain text.
Page* create(const std::string& html, int width);
void destroy(Page* p);

int width(const Page* p);
int height(const Page* p);
// The <title> of the page, or "".
const std::string& caption(const Page* p);

// Pages are laid out in points and drawn at this many pixels a point (1 until set).
void setScale(float pixels_per_point);
float scale();
// The pixels across a number of points at the scale.
int pixels(int points);

// Draws the page from scroll_y downwards into rgba (pixels(width) x pixels(view_height), RGBA,
// row 0 at the top, opaque). The buffer is resized as needed and reused between calls.
void draw(Page* p, int scroll_y, int view_height, std::vector<uint8_t>& rgba);

// The target of the link at a point in page coordinates (a tap), or "" when there is none.
std::string linkAt(Page* p, int x, int y);

// Resolves a link target against the page's base URL ("http://host:port/path").
std::string resolveUrl(const std::string& base, const std::string& href);

} // namespace page
