// SPDX-License-Identifier: MIT
#include "ui/panel.h"

#include <cairo.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>

namespace panel {
namespace {

constexpr int SCREEN_W = 320;
constexpr int SCREEN_H = 480;

// A surface of w x h points at s pixels a point; everything is drawn in points.
struct Canvas {
    cairo_surface_t* surface;
    cairo_t* cr;
    Canvas(int w, int h, float s)
        : surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, pixels(w, s), pixels(h, s))),
          cr(cairo_create(surface)), scale(pixels(h, s) / float(h)) {
        cairo_scale(cr, pixels(w, s) / double(w), pixels(h, s) / double(h));
    }
    float scale;
    static int pixels(int points, float s) {
        return std::max(1, static_cast<int>(std::lround(points * double(s > 0 ? s : 1))));
    }
    ~Canvas() {
        cairo_destroy(cr);
        cairo_surface_destroy(surface);
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    // Cairo keeps premultiplied BGRA words; GL wants straight RGBA bytes.
    void take(Image& out) {
        cairo_surface_flush(surface);
        out.width = cairo_image_surface_get_width(surface);
        out.height = cairo_image_surface_get_height(surface);
        out.scale = scale;
        const int stride = cairo_image_surface_get_stride(surface);
        const uint8_t* src = cairo_image_surface_get_data(surface);
        out.rgba.resize(static_cast<size_t>(out.width) * out.height * 4);
        for (int y = 0; y < out.height; ++y) {
            const auto* row =
                reinterpret_cast<const uint32_t*>(src + static_cast<size_t>(y) * stride);
            uint8_t* o = &out.rgba[static_cast<size_t>(y) * out.width * 4];
            for (int x = 0; x < out.width; ++x) {
                const uint32_t v = row[x];
                const uint32_t a = v >> 24;
                auto un = [a](uint32_t c) {
                    return static_cast<uint8_t>(a ? std::min<uint32_t>(255, (c * 255 + a / 2) / a)
                                                  : 0);
                };
                o[x * 4 + 0] = un((v >> 16) & 255);
                o[x * 4 + 1] = un((v >> 8) & 255);
                o[x * 4 + 2] = un(v & 255);
                o[x * 4 + 3] = static_cast<uint8_t>(a);
            }
        }
    }
};

void roundedRect(cairo_t* cr, double x, double y, double w, double h, double r) {
    cairo_new_sub_path(cr);
    cairo_arc(cr, x + w - r, y + r, r, -M_PI / 2, 0);
    cairo_arc(cr, x + w - r, y + h - r, r, 0, M_PI / 2);
    cairo_arc(cr, x + r, y + h - r, r, M_PI / 2, M_PI);
    cairo_arc(cr, x + r, y + r, r, M_PI, 3 * M_PI / 2);
    cairo_close_path(cr);
}

// A text layout of the given width (0: unwrapped), centred when wrapped.
PangoLayout* textLayout(cairo_t* cr, const std::string& text, const char* font, int width) {
    PangoLayout* l = pango_cairo_create_layout(cr);
    PangoFontDescription* d = pango_font_description_from_string(font);
    pango_layout_set_font_description(l, d);
    pango_font_description_free(d);
    if (width > 0) {
        pango_layout_set_width(l, width * PANGO_SCALE);
        pango_layout_set_wrap(l, PANGO_WRAP_WORD_CHAR);
        pango_layout_set_alignment(l, PANGO_ALIGN_CENTER);
    }
    pango_layout_set_text(l, text.c_str(), -1);
    return l;
}

int layoutHeight(PangoLayout* l) {
    int w = 0, h = 0;
    pango_layout_get_pixel_size(l, &w, &h);
    return h;
}

void showCentred(cairo_t* cr, PangoLayout* l, double cx, double y) {
    int w = 0, h = 0;
    pango_layout_get_pixel_size(l, &w, &h);
    cairo_move_to(cr, std::round(cx - w / 2.0), y);
    pango_cairo_show_layout(cr, l);
}

} // namespace

void alert(const std::string& title, const std::string& message,
           const std::vector<std::string>& labels, Image& out, std::vector<Rect>& buttons,
           float scale) {
    constexpr int PANEL_W = 284, PAD = 16, BUTTON_H = 43, GAP = 10;
    Canvas c(SCREEN_W, SCREEN_H, scale);
    cairo_t* cr = c.cr;
    cairo_set_source_rgba(cr, 0, 0, 0, 0.45);
    cairo_paint(cr);

    PangoLayout* t = textLayout(cr, title, "Sans Bold 17px", PANEL_W - 2 * PAD);
    PangoLayout* m = textLayout(cr, message, "Sans 15px", PANEL_W - 2 * PAD);
    const bool side_by_side = labels.size() == 2;
    const size_t rows = labels.empty() ? 0 : side_by_side ? 1 : labels.size();
    const int buttons_h = static_cast<int>(rows) * (BUTTON_H + GAP);
    // Texts longer than the screen allows are cut short with an ellipsis; the buttons always
    // stay on the screen.
    const int room = SCREEN_H - 20 - 2 * PAD - 3 * GAP - buttons_h;
    pango_layout_set_height(t, std::max(20, room / 4) * PANGO_SCALE);
    pango_layout_set_ellipsize(t, PANGO_ELLIPSIZE_END);
    const int title_h = layoutHeight(t);
    pango_layout_set_height(m, std::max(0, room - title_h) * PANGO_SCALE);
    pango_layout_set_ellipsize(m, PANGO_ELLIPSIZE_END);
    const int message_h = message.empty() ? 0 : layoutHeight(m);
    const int panel_h =
        PAD + title_h + (message_h ? GAP + message_h : 0) + 2 * GAP + buttons_h + PAD - GAP;
    const double px = (SCREEN_W - PANEL_W) / 2.0;
    const double py = std::round((SCREEN_H - panel_h) / 2.0);

    roundedRect(cr, px, py, PANEL_W, panel_h, 10);
    cairo_pattern_t* g = cairo_pattern_create_linear(0, py, 0, py + panel_h);
    cairo_pattern_add_color_stop_rgba(g, 0, 0.20, 0.30, 0.55, 0.96);
    cairo_pattern_add_color_stop_rgba(g, 1, 0.06, 0.12, 0.32, 0.96);
    cairo_set_source(cr, g);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(g);
    cairo_set_source_rgba(cr, 1, 1, 1, 0.85);
    cairo_set_line_width(cr, 2);
    cairo_stroke(cr);

    // The wrapped texts are as wide as the panel's inside and centre their own lines.
    double y = py + PAD;
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_move_to(cr, px + PAD, y);
    pango_cairo_show_layout(cr, t);
    y += title_h;
    if (message_h) {
        y += GAP;
        cairo_move_to(cr, px + PAD, y);
        pango_cairo_show_layout(cr, m);
        y += message_h;
    }
    y += 2 * GAP;
    g_object_unref(t);
    g_object_unref(m);

    buttons.clear();
    const double inner = PANEL_W - 2 * PAD;
    for (size_t i = 0; i < labels.size(); ++i) {
        Rect r;
        if (side_by_side) {
            r = {static_cast<float>(px + PAD + i * (inner + GAP) / 2), static_cast<float>(y),
                 static_cast<float>((inner - GAP) / 2), BUTTON_H};
        } else {
            r = {static_cast<float>(px + PAD), static_cast<float>(y + i * (BUTTON_H + GAP)),
                 static_cast<float>(inner), BUTTON_H};
        }
        buttons.push_back(r);
        roundedRect(cr, r.x, r.y, r.w, r.h, 7);
        // The last button is the default one, a little brighter, as the platform draws it.
        const bool main = labels.size() > 1 && i + 1 == labels.size();
        cairo_set_source_rgba(cr, 1, 1, 1, main ? 0.32 : 0.18);
        cairo_fill_preserve(cr);
        cairo_set_source_rgba(cr, 1, 1, 1, 0.6);
        cairo_set_line_width(cr, 1);
        cairo_stroke(cr);
        PangoLayout* b = textLayout(cr, labels[i], "Sans Bold 16px", 0);
        cairo_set_source_rgb(cr, 1, 1, 1);
        showCentred(cr, b, r.x + r.w / 2, r.y + (r.h - layoutHeight(b)) / 2);
        g_object_unref(b);
    }
    c.take(out);
}

void navBar(const std::string& title, const std::string& back_label, Image& out, Rect& back,
            float scale) {
    Canvas c(SCREEN_W, NAV_BAR_HEIGHT, scale);
    cairo_t* cr = c.cr;
    cairo_pattern_t* g = cairo_pattern_create_linear(0, 0, 0, NAV_BAR_HEIGHT);
    cairo_pattern_add_color_stop_rgb(g, 0, 0.69, 0.74, 0.80);
    cairo_pattern_add_color_stop_rgb(g, 1, 0.43, 0.52, 0.63);
    cairo_set_source(cr, g);
    cairo_paint(cr);
    cairo_pattern_destroy(g);
    cairo_set_source_rgb(cr, 0.18, 0.23, 0.30);
    cairo_rectangle(cr, 0, NAV_BAR_HEIGHT - 1, SCREEN_W, 1);
    cairo_fill(cr);

    // The back button: a box with a point on its left, as wide as its label.
    PangoLayout* b = textLayout(cr, back_label, "Sans Bold 12px", 0);
    int bw = 0, bh = 0;
    pango_layout_get_pixel_size(b, &bw, &bh);
    const double h = 30, y = (NAV_BAR_HEIGHT - h) / 2, x = 5, point = 10;
    const double w = std::max(50.0, bw + point + 14.0);
    cairo_move_to(cr, x, y + h / 2);
    cairo_line_to(cr, x + point, y);
    cairo_line_to(cr, x + w - 5, y);
    cairo_arc(cr, x + w - 5, y + 5, 5, -M_PI / 2, 0);
    cairo_arc(cr, x + w - 5, y + h - 5, 5, 0, M_PI / 2);
    cairo_line_to(cr, x + point, y + h);
    cairo_close_path(cr);
    cairo_set_source_rgb(cr, 0.36, 0.45, 0.58);
    cairo_fill_preserve(cr);
    cairo_set_source_rgb(cr, 0.2, 0.26, 0.35);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    cairo_set_source_rgb(cr, 1, 1, 1);
    showCentred(cr, b, x + point / 2 + w / 2, y + (h - bh) / 2);
    g_object_unref(b);
    back = {static_cast<float>(x), static_cast<float>(y), static_cast<float>(w),
            static_cast<float>(h)};

    // The title, centred on the bar; when it is too wide for that, centred in the room right of
    // the button, and cut short with an ellipsis if it does not fit there either.
    PangoLayout* t = textLayout(cr, title, "Sans Bold 18px", 0);
    int tw = 0, th = 0;
    pango_layout_get_pixel_size(t, &tw, &th);
    const double left = x + w + 4, right = SCREEN_W - 4;
    const double room = tw > SCREEN_W - 2 * left ? right - left : SCREEN_W - 2 * left;
    pango_layout_set_width(t, static_cast<int>(room) * PANGO_SCALE);
    pango_layout_set_ellipsize(t, PANGO_ELLIPSIZE_END);
    pango_layout_set_alignment(t, PANGO_ALIGN_CENTER);
    pango_layout_get_pixel_size(t, &tw, &th);
    const double ty = std::round((NAV_BAR_HEIGHT - th) / 2.0);
    cairo_set_source_rgba(cr, 0.2, 0.25, 0.3, 0.8);
    cairo_move_to(cr, left, ty - 1);
    pango_cairo_show_layout(cr, t);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_move_to(cr, left, ty);
    pango_cairo_show_layout(cr, t);
    g_object_unref(t);
    c.take(out);
}

void busyPlate(const std::string& text, Image& out, float scale) {
    constexpr int W = 150, H = 104;
    Canvas c(W, H, scale);
    cairo_t* cr = c.cr;
    roundedRect(cr, 0, 0, W, H, 12);
    cairo_set_source_rgba(cr, 0.08, 0.08, 0.1, 0.78);
    cairo_fill(cr);
    PangoLayout* t = textLayout(cr, text, "Sans Bold 14px", 0);
    cairo_set_source_rgb(cr, 1, 1, 1);
    // The spinner (37 points) sits BUSY_PLATE_DROP above the middle; the text below it.
    showCentred(cr, t, W / 2.0, H / 2.0 - BUSY_PLATE_DROP + 26);
    g_object_unref(t);
    c.take(out);
}

void spinner(int size, bool white, Image& out, float scale) {
    size = std::max(8, size);
    Canvas c(size, size, scale);
    cairo_t* cr = c.cr;
    const double r = size / 2.0;
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_width(cr, size / 10.0);
    const double shade = white ? 1.0 : 0.5;
    for (int i = 0; i < 12; ++i) {
        // Spoke 0 points up and is the brightest; the others fade clockwise behind it.
        const double a = -M_PI / 2 - i * M_PI / 6;
        const double alpha = 1.0 - i * 0.07;
        cairo_set_source_rgba(cr, shade, shade, shade, alpha);
        cairo_move_to(cr, r + std::cos(a) * r * 0.45, r + std::sin(a) * r * 0.45);
        cairo_line_to(cr, r + std::cos(a) * r * 0.88, r + std::sin(a) * r * 0.88);
        cairo_stroke(cr);
    }
    c.take(out);
}

} // namespace panel
