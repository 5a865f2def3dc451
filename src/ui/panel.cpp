// SPDX-License-Identifier: MIT
// The controls' pictures, drawn in software: shapes by their distance to each pixel (smooth
// edges at any scale), text rasterised with the game's own font.
#include "ui/panel.h"

#include "gfx/text.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>

namespace panel {
namespace {

constexpr int SCREEN_W = 320;
constexpr int SCREEN_H = 480;
const char* const FONT = "fawn";
constexpr int GLYPH_OFFSET = -29; // the font's glyph order: character code - 29

struct Colour {
    float r, g, b, a;
};

Colour mix(const Colour& a, const Colour& b, float t) {
    t = std::clamp(t, 0.0f, 1.0f);
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t,
            a.a + (b.a - a.a) * t};
}

// Distance from a point to a rectangle with rounded corners (negative inside), in points.
float roundedBox(float px, float py, float x, float y, float w, float h, float r) {
    const float qx = std::fabs(px - (x + w / 2)) - (w / 2 - r);
    const float qy = std::fabs(py - (y + h / 2)) - (h / 2 - r);
    const float ox = std::max(qx, 0.0f), oy = std::max(qy, 0.0f);
    return std::sqrt(ox * ox + oy * oy) + std::min(std::max(qx, qy), 0.0f) - r;
}

// Distance from a point to a segment, in points.
float segment(float px, float py, float ax, float ay, float bx, float by) {
    const float dx = bx - ax, dy = by - ay;
    const float t = std::clamp(((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy), 0.0f, 1.0f);
    return std::hypot(px - ax - t * dx, py - ay - t * dy);
}

// Distance from a point to a polygon (negative inside), in points.
float polygon(float px, float py, const std::vector<std::pair<float, float>>& v) {
    float d = 1e9f;
    bool inside = false;
    for (size_t i = 0, j = v.size() - 1; i < v.size(); j = i++) {
        const auto [xi, yi] = v[i];
        const auto [xj, yj] = v[j];
        d = std::min(d, segment(px, py, xi, yi, xj, yj));
        if ((yi > py) != (yj > py) && px < (xj - xi) * (py - yi) / (yj - yi) + xi) inside = !inside;
    }
    return inside ? -d : d;
}

// A w x h point picture at s pixels a point, kept premultiplied while it is drawn.
class Canvas {
  public:
    Canvas(int w, int h, float s)
        : m_w(pixels(w, s)), m_h(pixels(h, s)), m_scale(static_cast<float>(m_h) / float(h)),
          m_px(static_cast<size_t>(m_w) * m_h * 4, 0.0f) {}

    static int pixels(float points, float s) {
        return std::max(1, static_cast<int>(std::lround(points * double(s > 0 ? s : 1))));
    }
    float scale() const { return m_scale; }

    void paint(const Colour& c) {
        fill(
            0, 0, float(m_w) / m_scale, float(m_h) / m_scale, [](float, float) { return -1e9f; },
            [&c](float) { return c; });
    }

    // Covers the pixels of the box (x, y, w, h) by the shape whose distance function is given,
    // in the colour given for each row (y in points).
    void fill(float x, float y, float w, float h, const std::function<float(float, float)>& dist,
              const std::function<Colour(float)>& colour) {
        const int x0 = std::max(0, static_cast<int>(std::floor(x * m_scale)) - 1);
        const int y0 = std::max(0, static_cast<int>(std::floor(y * m_scale)) - 1);
        const int x1 = std::min(m_w, static_cast<int>(std::ceil((x + w) * m_scale)) + 1);
        const int y1 = std::min(m_h, static_cast<int>(std::ceil((y + h) * m_scale)) + 1);
        for (int py = y0; py < y1; ++py) {
            const float cy = (static_cast<float>(py) + 0.5f) / m_scale;
            const Colour c = colour(cy);
            for (int px = x0; px < x1; ++px) {
                const float cx = (static_cast<float>(px) + 0.5f) / m_scale;
                // Half a pixel of soft edge on either side of the outline.
                const float cover = std::clamp(0.5f - dist(cx, cy) * m_scale, 0.0f, 1.0f);
                if (cover > 0) blend(px, py, c, cover);
            }
        }
    }

    // A line of text with its top-left corner at (x, y) points; its width in points.
    float text(const std::string& s, float size, float x, float y, const Colour& c) {
        platform::TextStyle style;
        style.font = FONT;
        style.glyphOffset = GLYPH_OFFSET;
        style.pointSize = pixels(size, m_scale);
        style.maxWidth = m_w;
        platform::TextImage image;
        unsigned char* t = platform::loadFontFileText(s.c_str(), style, image);
        if (!t) return 0;
        const int w = image.width, h = image.height, tw = image.texWidth;
        const int left = static_cast<int>(std::lround(x * m_scale));
        const int top = static_cast<int>(std::lround(y * m_scale));
        for (int row = 0; row < h; ++row) {
            // The text's rows run from its bottom up.
            const unsigned char* src = t + static_cast<size_t>(h - 1 - row) * tw * 4;
            for (int col = 0; col < w; ++col) {
                const float a = float(src[col * 4 + 3]) / 255.0f;
                if (a > 0) blend(left + col, top + row, c, a);
            }
        }
        delete[] t;
        return static_cast<float>(w) / m_scale;
    }

    void take(Image& out) const {
        out.width = m_w;
        out.height = m_h;
        out.scale = m_scale;
        out.rgba.resize(m_px.size());
        for (size_t i = 0; i < m_px.size(); i += 4) {
            const float a = m_px[i + 3];
            for (int k = 0; k < 3; ++k)
                out.rgba[i + k] = static_cast<uint8_t>(
                    std::lround(std::clamp(a > 0 ? m_px[i + k] / a : 0.0f, 0.0f, 1.0f) * 255));
            out.rgba[i + 3] = static_cast<uint8_t>(std::lround(std::clamp(a, 0.0f, 1.0f) * 255));
        }
    }

  private:
    void blend(int x, int y, const Colour& c, float cover) {
        if (x < 0 || y < 0 || x >= m_w || y >= m_h) return;
        float* p = &m_px[(static_cast<size_t>(y) * m_w + x) * 4];
        const float a = c.a * cover;
        p[0] = c.r * a + p[0] * (1 - a);
        p[1] = c.g * a + p[1] * (1 - a);
        p[2] = c.b * a + p[2] * (1 - a);
        p[3] = a + p[3] * (1 - a);
    }

    int m_w, m_h;
    float m_scale;
    std::vector<float> m_px;
};

// Text measured without drawing: the advance of each character, found once.
class Measure {
  public:
    explicit Measure(float size) : m_size(size) {}
    float width(const std::string& s) {
        float w = 0;
        for (size_t i = 0; i < s.size();) {
            const size_t n = charLength(s, i);
            w += advance(s.substr(i, n));
            i += n;
        }
        return w;
    }
    static size_t charLength(const std::string& s, size_t i) {
        size_t n = 1;
        while (i + n < s.size() && (static_cast<unsigned char>(s[i + n]) & 0xC0) == 0x80)
            ++n;
        return n;
    }

  private:
    float advance(const std::string& ch) {
        auto it = m_advance.find(ch);
        if (it != m_advance.end()) return it->second;
        // Measured large, so that the rounding of one pixel hardly counts.
        constexpr int PX = 100;
        platform::TextStyle style;
        style.font = FONT;
        style.glyphOffset = GLYPH_OFFSET;
        style.pointSize = PX;
        style.maxWidth = 4 * PX;
        platform::TextImage image;
        unsigned char* t = platform::loadFontFileText(ch.c_str(), style, image);
        delete[] t;
        const float a = t ? static_cast<float>(std::max(0, image.width - 2)) * m_size / PX : 0;
        m_advance.emplace(ch, a);
        return a;
    }
    float m_size;
    std::map<std::string, float> m_advance;
};

constexpr float LINE = 1.25f; // line height over the text size

// Breaks text into lines no wider than width points: at spaces, and inside a word that is wider
// than a line. At most max_lines; when the text does not fit, the last line ends with "...".
std::vector<std::string> wrap(const std::string& text, float size, float width, size_t max_lines) {
    Measure m(size);
    std::vector<std::string> lines;
    std::string line;
    size_t i = 0;
    while (i < text.size()) {
        size_t end = text.find(' ', i);
        if (end == std::string::npos) end = text.size();
        std::string word = text.substr(i, end - i);
        i = end < text.size() ? end + 1 : end;
        std::string candidate = line.empty() ? word : line + " " + word;
        if (m.width(candidate) <= width) {
            line = std::move(candidate);
            continue;
        }
        if (!line.empty()) {
            lines.push_back(line);
            line.clear();
        }
        // A word wider than a line goes over several, character by character.
        for (size_t k = 0; k < word.size();) {
            const size_t n = Measure::charLength(word, k);
            if (!line.empty() && m.width(line + word.substr(k, n)) > width) {
                lines.push_back(line);
                line.clear();
                if (lines.size() > max_lines) break;
            }
            line += word.substr(k, n);
            k += n;
        }
        if (lines.size() > max_lines) break;
    }
    if (!line.empty()) lines.push_back(line);
    if (lines.size() <= max_lines) return lines;
    lines.resize(max_lines);
    if (lines.empty()) return lines;
    std::string& last = lines.back();
    while (!last.empty() && m.width(last + "...") > width) {
        size_t n = last.size() - 1; // back to the start of the last character
        while (n > 0 && (static_cast<unsigned char>(last[n]) & 0xC0) == 0x80)
            --n;
        last.resize(n);
    }
    last += "...";
    return lines;
}

// Lines drawn centred in a column of the given width from (x, y); their height in points.
float lines(Canvas& c, const std::vector<std::string>& ls, float size, float x, float y,
            float width, const Colour& colour) {
    Measure m(size);
    for (size_t i = 0; i < ls.size(); ++i)
        c.text(ls[i], size, std::round(x + (width - m.width(ls[i])) / 2),
               y + static_cast<float>(i) * size * LINE + size * (LINE - 1) / 2, colour);
    return static_cast<float>(ls.size()) * size * LINE;
}

const Colour WHITE{1, 1, 1, 1};

// A box with rounded corners filled in the colour given for each row, with a border of the given
// width drawn across its edge (none when 0).
void roundedPanel(Canvas& c, const Rect& r, float radius, const std::function<Colour(float)>& fill,
                  const Colour& border, float border_width) {
    auto d = [r, radius](float x, float y) { return roundedBox(x, y, r.x, r.y, r.w, r.h, radius); };
    c.fill(r.x, r.y, r.w, r.h, d, fill);
    if (border_width <= 0) return;
    c.fill(
        r.x - border_width, r.y - border_width, r.w + 2 * border_width, r.h + 2 * border_width,
        [&](float x, float y) { return std::fabs(d(x, y)) - border_width / 2; },
        [&border](float) { return border; });
}

// An alert's button with its label in the middle; the default one a little brighter, as the
// platform draws it.
void alertButton(Canvas& c, const Rect& r, const std::string& label, bool main) {
    constexpr float LABEL = 16;
    roundedPanel(
        c, r, 7,
        [main](float) {
            return Colour{1, 1, 1, main ? 0.32f : 0.18f};
        },
        {1, 1, 1, 0.6f}, 1);
    const float w = std::min(Measure(LABEL).width(label), r.w);
    c.text(label, LABEL, std::round(r.x + (r.w - w) / 2), std::round(r.y + (r.h - LABEL) / 2),
           WHITE);
}

} // namespace

void alert(const std::string& title, const std::string& message,
           const std::vector<std::string>& labels, Image& out, std::vector<Rect>& buttons,
           float scale) {
    constexpr float PANEL_W = 284, PAD = 16, BUTTON_H = 43, GAP = 10;
    constexpr float TITLE = 17, MESSAGE = 15;
    Canvas c(SCREEN_W, SCREEN_H, scale);
    c.paint({0, 0, 0, 0.45f});

    const bool side_by_side = labels.size() == 2;
    const size_t rows = labels.empty() ? 0 : side_by_side ? 1 : labels.size();
    const float buttons_h = static_cast<float>(rows) * (BUTTON_H + GAP);
    // Texts longer than the screen allows are cut short with an ellipsis; the buttons always
    // stay on the screen.
    const float room = SCREEN_H - 20 - 2 * PAD - 3 * GAP - buttons_h;
    const float inner = PANEL_W - 2 * PAD;
    const auto title_lines =
        wrap(title, TITLE, inner, static_cast<size_t>(std::max(1.0f, room / 4 / (TITLE * LINE))));
    const float title_h = static_cast<float>(title_lines.size()) * TITLE * LINE;
    const auto message_lines =
        message.empty()
            ? std::vector<std::string>{}
            : wrap(message, MESSAGE, inner,
                   static_cast<size_t>(std::max(0.0f, (room - title_h) / (MESSAGE * LINE))));
    const float message_h = static_cast<float>(message_lines.size()) * MESSAGE * LINE;
    const float panel_h =
        PAD + title_h + (message_h > 0 ? GAP + message_h : 0) + 2 * GAP + buttons_h + PAD - GAP;
    const float px = (SCREEN_W - PANEL_W) / 2;
    const float py = std::round((SCREEN_H - panel_h) / 2);

    const Colour top{0.20f, 0.30f, 0.55f, 0.96f}, bottom{0.06f, 0.12f, 0.32f, 0.96f};
    roundedPanel(
        c, {px, py, PANEL_W, panel_h}, 10,
        [&](float y) { return mix(top, bottom, (y - py) / panel_h); }, {1, 1, 1, 0.85f}, 2);

    float y = py + PAD;
    y += lines(c, title_lines, TITLE, px + PAD, y, inner, WHITE);
    if (message_h > 0) {
        y += GAP;
        y += lines(c, message_lines, MESSAGE, px + PAD, y, inner, WHITE);
    }
    y += 2 * GAP;

    buttons.clear();
    for (size_t i = 0; i < labels.size(); ++i) {
        const float n = static_cast<float>(i);
        buttons.push_back(
            side_by_side ? Rect{px + PAD + n * (inner + GAP) / 2, y, (inner - GAP) / 2, BUTTON_H}
                         : Rect{px + PAD, y + n * (BUTTON_H + GAP), inner, BUTTON_H});
        alertButton(c, buttons.back(), labels[i], labels.size() > 1 && i + 1 == labels.size());
    }
    c.take(out);
}

void navBar(const std::string& title, const std::string& back_label, Image& out, Rect& back,
            float scale) {
    constexpr float H = NAV_BAR_HEIGHT, BACK = 12, TITLE = 18;
    Canvas c(SCREEN_W, NAV_BAR_HEIGHT, scale);
    const Colour top{0.69f, 0.74f, 0.80f, 1}, bottom{0.43f, 0.52f, 0.63f, 1};
    c.fill(
        0, 0, SCREEN_W, H, [](float, float) { return -1e9f; },
        [&](float y) { return mix(top, bottom, y / H); });
    c.fill(
        0, H - 1, SCREEN_W, 1, [](float, float y) { return y < H - 1 ? 1e9f : -1e9f; },
        [](float) {
            return Colour{0.18f, 0.23f, 0.30f, 1};
        });

    // The back button: a box with a point on its left, as wide as its label.
    Measure mb(BACK);
    const float bw = mb.width(back_label);
    const float h = 30, y = (H - h) / 2, x = 5, point = 10;
    const float w = std::max(50.0f, bw + point + 14);
    const std::vector<std::pair<float, float>> shape = {
        {x, y + h / 2}, {x + point, y}, {x + w, y}, {x + w, y + h}, {x + point, y + h}};
    auto arrow = [&shape](float px, float py) { return polygon(px, py, shape); };
    c.fill(x, y, w, h, arrow, [](float) { return Colour{0.36f, 0.45f, 0.58f, 1}; });
    c.fill(
        x - 1, y - 1, w + 2, h + 2,
        [&arrow](float px, float py) { return std::fabs(arrow(px, py)) - 0.5f; },
        [](float) {
            return Colour{0.2f, 0.26f, 0.35f, 1};
        });
    c.text(back_label, BACK, std::round(x + point / 2 + (w - bw) / 2),
           std::round(y + (h - BACK) / 2), WHITE);
    back = {x, y, w, h};

    // The title, centred on the bar; when it is too wide for that, centred in the room right of
    // the button, and cut short with an ellipsis if it does not fit there either.
    Measure mt(TITLE);
    const float left = x + w + 4, right = SCREEN_W - 4;
    const float tw = mt.width(title);
    const float room = tw > SCREEN_W - 2 * left ? right - left : SCREEN_W - 2 * left;
    const std::vector<std::string> shown = wrap(title, TITLE, room, 1);
    const std::string line = shown.empty() ? "" : shown[0];
    const float lw = mt.width(line);
    const float tx =
        std::round((tw > SCREEN_W - 2 * left ? left + (room - lw) / 2 : (SCREEN_W - lw) / 2));
    const float ty = std::round((H - TITLE) / 2);
    c.text(line, TITLE, tx, ty - 1, {0.2f, 0.25f, 0.3f, 0.8f});
    c.text(line, TITLE, tx, ty, WHITE);
    c.take(out);
}

void busyPlate(const std::string& text, Image& out, float scale) {
    constexpr float W = 150, H = 104, SIZE = 14;
    Canvas c(W, H, scale);
    c.fill(
        0, 0, W, H, [](float x, float y) { return roundedBox(x, y, 0, 0, W, H, 12); },
        [](float) {
            return Colour{0.08f, 0.08f, 0.1f, 0.78f};
        });
    // The spinner (37 points) sits BUSY_PLATE_DROP above the middle; the text below it.
    Measure m(SIZE);
    c.text(text, SIZE, std::round((W - m.width(text)) / 2), H / 2 - BUSY_PLATE_DROP + 26, WHITE);
    c.take(out);
}

void spinner(int size, bool white, Image& out, float scale) {
    size = std::max(8, size);
    const float s = static_cast<float>(size);
    Canvas c(size, size, scale);
    const float r = s / 2, half_width = s / 20;
    const float shade = white ? 1.0f : 0.5f;
    for (int i = 0; i < 12; ++i) {
        // Spoke 0 points up and is the brightest; the others fade clockwise behind it.
        const float a = static_cast<float>(-M_PI / 2 - i * M_PI / 6);
        const float alpha = 1.0f - static_cast<float>(i) * 0.07f;
        const float ax = r + std::cos(a) * r * 0.45f, ay = r + std::sin(a) * r * 0.45f;
        const float bx = r + std::cos(a) * r * 0.88f, by = r + std::sin(a) * r * 0.88f;
        c.fill(
            0, 0, s, s,
            [=](float x, float y) { return segment(x, y, ax, ay, bx, by) - half_width; },
            [=](float) {
                return Colour{shade, shade, shade, alpha};
            });
    }
    c.take(out);
}

} // namespace panel
