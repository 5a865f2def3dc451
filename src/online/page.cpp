// SPDX-License-Identifier: MIT
#include "online/page.h"

#include <cairo.h>
#include <litehtml.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>
#include <memory>

namespace page {
namespace {

// The browser's default look; litehtml ships none. Board pages style themselves on top of it.
const char* MASTER_CSS = R"(
html, address, blockquote, body, dd, div, dl, dt, fieldset, form, frame, frameset, h1, h2, h3,
h4, h5, h6, noframes, ol, p, ul, center, dir, hr, menu, pre, header, footer, section, article,
nav, main { display: block; }
head, script, style, title, link, meta { display: none; }
li { display: list-item; }
table { display: table; border-spacing: 2px; }
tr { display: table-row; }
thead { display: table-header-group; }
tbody { display: table-row-group; }
tfoot { display: table-footer-group; }
col { display: table-column; }
td, th { display: table-cell; padding: 1px; vertical-align: inherit; }
caption { display: table-caption; text-align: center; }
th { font-weight: bold; text-align: center; }
body { margin: 8px; font-family: sans-serif; font-size: 16px; color: #000; }
h1 { font-size: 2em; margin: .67em 0; font-weight: bold; }
h2 { font-size: 1.5em; margin: .75em 0; font-weight: bold; }
h3 { font-size: 1.17em; margin: .83em 0; font-weight: bold; }
h4, h5, h6 { margin: 1.12em 0; font-weight: bold; }
p, blockquote, ul, ol, dl { margin: 1em 0; }
ul, ol { padding-left: 40px; }
ul { list-style-type: disc; }
ol { list-style-type: decimal; }
b, strong { font-weight: bold; }
i, em { font-style: italic; }
center { text-align: center; }
a { color: #3a8cff; text-decoration: underline; }
br { display: block; }
pre { white-space: pre; font-family: monospace; }
hr { border: 1px inset; margin: .5em 0; }
)";

struct Font {
    PangoFontDescription* desc;
    bool underline;
    bool strike;
};

// Written against litehtml 0.6's container (cmake/litehtml.cmake refuses other releases). The next
// port is 0.9's: create_font takes a font_description, and draw_background gives way to
// draw_image, draw_solid_fill and the gradient calls.
class Container : public litehtml::document_container {
  public:
    int view_width = 320;
    int view_height = 480;
    std::string caption;
    PangoContext* pango = nullptr;

    Container() {
        PangoFontMap* map = pango_cairo_font_map_get_default();
        pango = pango_font_map_create_context(map);
    }
    ~Container() { g_object_unref(pango); }

    litehtml::uint_ptr create_font(const char* face, int size, int weight,
                                   litehtml::font_style italic, unsigned int decoration,
                                   litehtml::font_metrics* fm) override {
        auto* f = new Font{pango_font_description_new(),
                           (decoration & litehtml::font_decoration_underline) != 0,
                           (decoration & litehtml::font_decoration_linethrough) != 0};
        pango_font_description_set_family(f->desc, face && *face ? face : "sans-serif");
        pango_font_description_set_absolute_size(f->desc, size * PANGO_SCALE);
        pango_font_description_set_weight(f->desc, static_cast<PangoWeight>(weight));
        pango_font_description_set_style(
            f->desc, italic == litehtml::fontStyleItalic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
        if (fm) {
            PangoFontMetrics* m = pango_context_get_metrics(pango, f->desc, nullptr);
            fm->ascent = PANGO_PIXELS(pango_font_metrics_get_ascent(m));
            fm->descent = PANGO_PIXELS(pango_font_metrics_get_descent(m));
            fm->height = fm->ascent + fm->descent;
            fm->x_height = fm->ascent / 2;
            fm->draw_spaces = f->underline || f->strike;
            pango_font_metrics_unref(m);
        }
        return reinterpret_cast<litehtml::uint_ptr>(f);
    }

    void delete_font(litehtml::uint_ptr h) override {
        auto* f = reinterpret_cast<Font*>(h);
        if (!f) return;
        pango_font_description_free(f->desc);
        delete f;
    }

    PangoLayout* layout(const char* text, Font* f) {
        PangoLayout* l = pango_layout_new(pango);
        pango_layout_set_font_description(l, f->desc);
        pango_layout_set_text(l, text, -1);
        return l;
    }

    int text_width(const char* text, litehtml::uint_ptr h) override {
        auto* f = reinterpret_cast<Font*>(h);
        if (!f) return 0;
        PangoLayout* l = layout(text, f);
        int w = 0, ht = 0;
        pango_layout_get_pixel_size(l, &w, &ht);
        g_object_unref(l);
        return w;
    }

    static void setColor(cairo_t* cr, const litehtml::web_color& c) {
        cairo_set_source_rgba(cr, c.red / 255.0, c.green / 255.0, c.blue / 255.0, c.alpha / 255.0);
    }

    void draw_text(litehtml::uint_ptr hdc, const char* text, litehtml::uint_ptr h,
                   litehtml::web_color color, const litehtml::position& pos) override {
        auto* cr = reinterpret_cast<cairo_t*>(hdc);
        auto* f = reinterpret_cast<Font*>(h);
        if (!f) return;
        PangoLayout* l = pango_cairo_create_layout(cr);
        pango_layout_set_font_description(l, f->desc);
        pango_layout_set_text(l, text, -1);
        setColor(cr, color);
        cairo_move_to(cr, pos.x, pos.y);
        pango_cairo_show_layout(cr, l);
        int w = 0, ht = 0;
        pango_layout_get_pixel_size(l, &w, &ht);
        if (f->underline) {
            cairo_rectangle(cr, pos.x, pos.y + pos.height - 2, w, 1);
            cairo_fill(cr);
        }
        if (f->strike) {
            cairo_rectangle(cr, pos.x, pos.y + pos.height / 2, w, 1);
            cairo_fill(cr);
        }
        g_object_unref(l);
    }

    int pt_to_px(int pt) const override { return pt * 96 / 72; }
    int get_default_font_size() const override { return 16; }
    const char* get_default_font_name() const override { return "sans-serif"; }

    void draw_list_marker(litehtml::uint_ptr hdc, const litehtml::list_marker& m) override {
        auto* cr = reinterpret_cast<cairo_t*>(hdc);
        setColor(cr, m.color);
        const double r = m.pos.width / 2.0;
        if (m.marker_type == litehtml::list_style_type_square) {
            cairo_rectangle(cr, m.pos.x, m.pos.y, m.pos.width, m.pos.height);
        } else {
            cairo_arc(cr, m.pos.x + r, m.pos.y + m.pos.height / 2.0, r, 0, 2 * M_PI);
        }
        cairo_fill(cr);
    }

    // Images are not shown in the score pages; they take no room.
    void load_image(const char*, const char*, bool) override {}
    void get_image_size(const char*, const char*, litehtml::size& sz) override {
        sz.width = sz.height = 0;
    }

    void draw_background(litehtml::uint_ptr hdc, const litehtml::background_paint& bg) override {
        if (bg.color.alpha == 0) return;
        auto* cr = reinterpret_cast<cairo_t*>(hdc);
        setColor(cr, bg.color);
        cairo_rectangle(cr, bg.clip_box.x, bg.clip_box.y, bg.clip_box.width, bg.clip_box.height);
        cairo_fill(cr);
    }

    void draw_borders(litehtml::uint_ptr hdc, const litehtml::borders& b,
                      const litehtml::position& p, bool) override {
        auto* cr = reinterpret_cast<cairo_t*>(hdc);
        auto side = [&](const litehtml::border& e, double x, double y, double w, double h) {
            if (e.width <= 0 || e.style == litehtml::border_style_none ||
                e.style == litehtml::border_style_hidden)
                return;
            setColor(cr, e.color);
            cairo_rectangle(cr, x, y, w, h);
            cairo_fill(cr);
        };
        side(b.top, p.x, p.y, p.width, b.top.width);
        side(b.bottom, p.x, p.y + p.height - b.bottom.width, p.width, b.bottom.width);
        side(b.left, p.x, p.y, b.left.width, p.height);
        side(b.right, p.x + p.width - b.right.width, p.y, b.right.width, p.height);
    }

    void set_caption(const char* c) override { caption = c ? c : ""; }
    void set_base_url(const char*) override {}
    void link(const std::shared_ptr<litehtml::document>&, const litehtml::element::ptr&) override {}
    void on_anchor_click(const char* url, const litehtml::element::ptr&) override {
        clicked = url ? url : "";
    }
    void set_cursor(const char*) override {}
    void transform_text(litehtml::tstring& text, litehtml::text_transform tt) override {
        if (tt == litehtml::text_transform_uppercase)
            for (auto& c : text)
                c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
        else if (tt == litehtml::text_transform_lowercase)
            for (auto& c : text)
                c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    }
    // External style sheets are not fetched: our pages carry their style inline.
    void import_css(litehtml::tstring&, const litehtml::tstring&, litehtml::tstring&) override {}
    void set_clip(const litehtml::position&, const litehtml::border_radiuses&, bool,
                  bool) override {}
    void del_clip() override {}
    void get_client_rect(litehtml::position& client) const override {
        client.x = client.y = 0;
        client.width = view_width;
        client.height = view_height;
    }
    std::shared_ptr<litehtml::element>
    create_element(const char*, const litehtml::string_map&,
                   const std::shared_ptr<litehtml::document>&) override {
        return nullptr;
    }
    void get_media_features(litehtml::media_features& m) const override {
        m.type = litehtml::media_type_screen;
        m.width = m.device_width = view_width;
        m.height = m.device_height = view_height;
        m.color = 8;
        m.color_index = 0;
        m.monochrome = 0;
        m.resolution = 96;
    }
    void get_language(litehtml::tstring& language, litehtml::tstring& culture) const override {
        language = "en";
        culture = "";
    }

    std::string clicked;
};

// Layout time grows steeply with nesting (a table in a table doubles it; plain blocks grow with
// the square of the depth), so a page from the network could stall the game for minutes. Pages
// nested deeper than any real page are refused before layout.
constexpr int MAX_DEPTH = 200;
constexpr int MAX_TABLE_DEPTH = 8;
const char* REFUSED_PAGE = "<body style='background:#000;color:#ddd'><center>"
                           "<h3>This page cannot be shown.</h3></center></body>";

bool tooDeep(const std::string& html) {
    // Elements whose end tag may be left out, and elements that have none, do not nest.
    static const char* const flat[] = {"p",      "li",   "td",   "th",  "tr",    "dt",   "dd",
                                       "option", "br",   "img",  "hr",  "meta",  "link", "input",
                                       "col",    "area", "base", "wbr", "source"};
    int depth = 0, tables = 0;
    for (size_t i = 0; i + 1 < html.size(); ++i) {
        if (html[i] != '<') continue;
        const bool closing = html[i + 1] == '/';
        size_t b = i + (closing ? 2 : 1), e = b;
        while (e < html.size() && isalnum(static_cast<unsigned char>(html[e])))
            ++e;
        if (e == b) continue;
        std::string name = html.substr(b, e - b);
        for (auto& c : name)
            c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
        const size_t end = html.find('>', e);
        const bool self_closing = end != std::string::npos && end > 0 && html[end - 1] == '/';
        if (name == "table") tables += closing ? -1 : 1;
        if (std::find_if(std::begin(flat), std::end(flat),
                         [&](const char* f) { return name == f; }) == std::end(flat) &&
            !self_closing)
            depth += closing ? -1 : 1;
        if (depth > MAX_DEPTH || tables > MAX_TABLE_DEPTH) return true;
    }
    return false;
}

litehtml::context& masterContext() {
    static litehtml::context ctx;
    static bool loaded = false;
    if (!loaded) {
        ctx.load_master_stylesheet(MASTER_CSS);
        loaded = true;
    }
    return ctx;
}

} // namespace

struct Page {
    Container container;
    litehtml::document::ptr doc;
    int width = 0;
    int height = 0;
    cairo_surface_t* surface = nullptr;
};

Page* create(const std::string& html, int width) {
    auto* p = new Page;
    p->width = std::max(1, width);
    p->container.view_width = p->width;
    const char* text = tooDeep(html) ? REFUSED_PAGE : html.c_str();
    p->doc = litehtml::document::createFromUTF8(text, &p->container, &masterContext());
    if (p->doc) {
        p->doc->render(p->width);
        p->height = p->doc->height();
    }
    return p;
}

void destroy(Page* p) {
    if (!p) return;
    if (p->surface) cairo_surface_destroy(p->surface);
    p->doc.reset(); // fonts are released through the container, which must still exist
    delete p;
}

int width(const Page* p) {
    return p->width;
}
int height(const Page* p) {
    return p->height;
}
const std::string& caption(const Page* p) {
    return p->container.caption;
}

namespace {
float draw_scale = 1;
} // namespace

void setScale(float s) {
    if (s > 0 && std::isfinite(s)) draw_scale = s;
}
float scale() {
    return draw_scale;
}
int pixels(int points) {
    return std::max(1, static_cast<int>(std::lround(points * static_cast<double>(draw_scale))));
}

void draw(Page* p, int scroll_y, int view_height, std::vector<uint8_t>& rgba) {
    view_height = std::max(1, view_height);
    p->container.view_height = view_height;
    const int pw = pixels(p->width), ph = pixels(view_height);
    if (!p->surface || cairo_image_surface_get_height(p->surface) != ph ||
        cairo_image_surface_get_width(p->surface) != pw) {
        if (p->surface) cairo_surface_destroy(p->surface);
        p->surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, pw, ph);
    }
    cairo_t* cr = cairo_create(p->surface);
    cairo_scale(cr, pw / static_cast<double>(p->width), ph / static_cast<double>(view_height));
    cairo_set_source_rgb(cr, 1, 1, 1); // white under pages that set no background
    cairo_paint(cr);
    if (p->doc) {
        litehtml::position clip;
        clip.x = 0;
        clip.y = 0;
        clip.width = p->width;
        clip.height = view_height;
        p->doc->draw(reinterpret_cast<litehtml::uint_ptr>(cr), 0, -scroll_y, &clip);
    }
    cairo_destroy(cr);
    cairo_surface_flush(p->surface);

    // Cairo keeps premultiplied BGRA words; the page is opaque, so only the order changes.
    const int stride = cairo_image_surface_get_stride(p->surface);
    const uint8_t* src = cairo_image_surface_get_data(p->surface);
    rgba.resize(static_cast<size_t>(pw) * ph * 4);
    for (int y = 0; y < ph; ++y) {
        const auto* row = reinterpret_cast<const uint32_t*>(src + static_cast<size_t>(y) * stride);
        uint8_t* out = &rgba[static_cast<size_t>(y) * pw * 4];
        for (int x = 0; x < pw; ++x) {
            const uint32_t v = row[x];
            out[x * 4 + 0] = static_cast<uint8_t>(v >> 16);
            out[x * 4 + 1] = static_cast<uint8_t>(v >> 8);
            out[x * 4 + 2] = static_cast<uint8_t>(v);
            out[x * 4 + 3] = 255;
        }
    }
}

std::string linkAt(Page* p, int x, int y) {
    if (!p->doc) return {};
    p->container.clicked.clear();
    litehtml::position::vector redraw;
    p->doc->on_lbutton_down(x, y, x, y, redraw);
    p->doc->on_lbutton_up(x, y, x, y, redraw);
    return p->container.clicked;
}

std::string resolveUrl(const std::string& base, const std::string& href) {
    if (href.empty()) return base;
    if (href.find("://") != std::string::npos) return href;
    const size_t scheme = base.find("://");
    const size_t host_end =
        scheme == std::string::npos ? std::string::npos : base.find('/', scheme + 3);
    const std::string origin = base.substr(0, host_end);
    if (href[0] == '/') return origin + href;
    const size_t last = base.rfind('/');
    if (host_end == std::string::npos || last < host_end) return origin + "/" + href;
    return base.substr(0, last + 1) + href;
}

} // namespace page
