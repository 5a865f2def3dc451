// SPDX-License-Identifier: MIT
#include "online/page.h"

#include "online/picture.h"

#include <cairo.h>
#include <gumbo.h>
#include <litehtml.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>

namespace page {

struct Images {
    std::map<std::string, cairo_surface_t*> loaded; // null: asked for, not (yet) there
    std::vector<std::string> wanted;
    size_t pixels = 0;
};

namespace {

// Pictures a page may hold: each at most 2048 x 2048, all together 8 million pixels.
constexpr int MAX_IMAGE_SIDE = 2048;
constexpr size_t MAX_IMAGE_PIXELS = 8u << 20;

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
img { display: inline-block; }
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
    std::string base_url;
    Images* images = nullptr;
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

    std::string imageUrl(const char* src, const char* baseurl) const {
        return resolveUrl(baseurl && *baseurl ? baseurl : base_url, src ? src : "");
    }
    cairo_surface_t* image(const char* src, const char* baseurl) const {
        if (!images || !src || !*src) return nullptr;
        auto it = images->loaded.find(imageUrl(src, baseurl));
        return it == images->loaded.end() ? nullptr : it->second;
    }

    void load_image(const char* src, const char* baseurl, bool) override {
        if (!images || !src || !*src) return;
        const std::string url = imageUrl(src, baseurl);
        if (images->loaded.emplace(url, nullptr).second) images->wanted.push_back(url);
    }
    void get_image_size(const char* src, const char* baseurl, litehtml::size& sz) override {
        cairo_surface_t* s = image(src, baseurl);
        sz.width = s ? cairo_image_surface_get_width(s) : 0;
        sz.height = s ? cairo_image_surface_get_height(s) : 0;
    }

    void draw_background(litehtml::uint_ptr hdc, const litehtml::background_paint& bg) override {
        auto* cr = reinterpret_cast<cairo_t*>(hdc);
        if (bg.color.alpha != 0) {
            setColor(cr, bg.color);
            cairo_rectangle(cr, bg.clip_box.x, bg.clip_box.y, bg.clip_box.width,
                            bg.clip_box.height);
            cairo_fill(cr);
        }
        cairo_surface_t* s = image(bg.image.c_str(), bg.baseurl.c_str());
        if (!s || bg.image_size.width <= 0 || bg.image_size.height <= 0) return;
        const int w = cairo_image_surface_get_width(s), h = cairo_image_surface_get_height(s);
        cairo_save(cr);
        cairo_rectangle(cr, bg.clip_box.x, bg.clip_box.y, bg.clip_box.width, bg.clip_box.height);
        cairo_clip(cr);
        cairo_translate(cr, bg.position_x, bg.position_y);
        cairo_scale(cr, double(bg.image_size.width) / w, double(bg.image_size.height) / h);
        cairo_set_source_surface(cr, s, 0, 0);
        const bool rx = bg.repeat == litehtml::background_repeat_repeat ||
                        bg.repeat == litehtml::background_repeat_repeat_x;
        const bool ry = bg.repeat == litehtml::background_repeat_repeat ||
                        bg.repeat == litehtml::background_repeat_repeat_y;
        if (rx || ry) {
            cairo_pattern_set_extend(cairo_get_source(cr), CAIRO_EXTEND_REPEAT);
            // A repeat in one direction only: the picture's band, cut to one tile across.
            const double big = 1e6;
            cairo_rectangle(cr, rx ? -big : 0, ry ? -big : 0, rx ? 2 * big : w, ry ? 2 * big : h);
            cairo_fill(cr);
        } else {
            cairo_rectangle(cr, 0, 0, w, h);
            cairo_fill(cr);
        }
        cairo_restore(cr);
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
// whose parsed tree is nested deeper than any real page are refused before layout. Unclosed tags
// of a sloppy page do not count: the parser closes them where a browser would.
constexpr int MAX_DEPTH = 200;
constexpr int MAX_TABLE_DEPTH = 8;
// Before parsing at all: the parser's own clean-up recurses once per level of the tree.
constexpr int MAX_RAW_DEPTH = 4096;
const char* REFUSED_PAGE = "<body style='background:#000;color:#ddd'><center>"
                           "<h3>This page cannot be shown.</h3></center></body>";

bool rawTooDeep(const std::string& html) {
    int depth = 0;
    for (size_t i = 0; i + 1 < html.size(); ++i) {
        if (html[i] != '<') continue;
        if (html[i + 1] == '/')
            --depth;
        else if (isalpha(static_cast<unsigned char>(html[i + 1])) && ++depth > MAX_RAW_DEPTH)
            return true;
    }
    return false;
}

bool tooDeep(const std::string& html) {
    if (rawTooDeep(html)) return true;
    GumboOutput* out = gumbo_parse_with_options(&kGumboDefaultOptions, html.data(), html.size());
    struct At {
        const GumboNode* node;
        int depth, tables;
    };
    std::vector<At> stack{{out->root, 1, 0}};
    bool deep = false;
    while (!stack.empty() && !deep) {
        const At at = stack.back();
        stack.pop_back();
        if (at.node->type != GUMBO_NODE_ELEMENT && at.node->type != GUMBO_NODE_TEMPLATE) continue;
        const GumboElement& e = at.node->v.element;
        const int tables = at.tables + (e.tag == GUMBO_TAG_TABLE);
        deep = at.depth > MAX_DEPTH || tables > MAX_TABLE_DEPTH;
        for (unsigned i = 0; i < e.children.length; ++i)
            stack.push_back(
                {static_cast<const GumboNode*>(e.children.data[i]), at.depth + 1, tables});
    }
    gumbo_destroy_output(&kGumboDefaultOptions, out);
    return deep;
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

Images* createImages() {
    return new Images;
}

void destroyImages(Images* images) {
    if (!images) return;
    for (auto& [url, s] : images->loaded)
        if (s) cairo_surface_destroy(s);
    delete images;
}

std::vector<std::string> takeWanted(Images* images) {
    std::vector<std::string> out;
    out.swap(images->wanted);
    return out;
}

bool addImage(Images* images, const std::string& url, const uint8_t* bytes, size_t n,
              std::string& error) {
    picture::Rgba img;
    if (!picture::decode(bytes, n, MAX_IMAGE_SIDE, img, error)) return false;
    const size_t pixels = static_cast<size_t>(img.width) * img.height;
    if (images->pixels + pixels > MAX_IMAGE_PIXELS) {
        error = "the page's pictures would take too much memory";
        return false;
    }
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, img.width, img.height);
    if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(s);
        error = "no memory for the picture";
        return false;
    }
    cairo_surface_flush(s);
    const int stride = cairo_image_surface_get_stride(s);
    uint8_t* dst = cairo_image_surface_get_data(s);
    for (int y = 0; y < img.height; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(dst + static_cast<size_t>(y) * stride);
        const uint8_t* in = &img.rgba[static_cast<size_t>(y) * img.width * 4];
        for (int x = 0; x < img.width; ++x, in += 4) {
            const uint32_t a = in[3];
            auto pre = [a](uint32_t c) { return (c * a + 127) / 255; };
            row[x] = (a << 24) | (pre(in[0]) << 16) | (pre(in[1]) << 8) | pre(in[2]);
        }
    }
    cairo_surface_mark_dirty(s);
    cairo_surface_t*& slot = images->loaded[url];
    if (slot) cairo_surface_destroy(slot);
    slot = s;
    images->pixels += pixels;
    return true;
}

Page* create(const std::string& html, int width, const std::string& base_url, Images* images) {
    auto* p = new Page;
    p->width = std::max(1, width);
    p->container.view_width = p->width;
    p->container.base_url = base_url;
    p->container.images = images;
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
