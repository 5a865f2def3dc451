// SPDX-License-Identifier: MIT
// The shape of a later litehtml's container: fonts from a description, backgrounds in layers.
#include <string>
namespace litehtml {
using uint_ptr = unsigned long;
struct font_description {};
struct font_metrics {};
struct background_layer {};
struct document_container {
    virtual uint_ptr create_font(const font_description&, const void*, font_metrics*) = 0;
    virtual void draw_image(uint_ptr, const background_layer&, const std::string&,
                            const std::string&) = 0;
    virtual ~document_container() = default;
};
} // namespace litehtml
