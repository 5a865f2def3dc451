// SPDX-License-Identifier: MIT
// The shape of a later litehtml's container: fonts from a description.
namespace litehtml {
struct font_description {};
struct document_container {
    virtual unsigned long create_font(const font_description&, const void*, void*) = 0;
};
} // namespace litehtml
