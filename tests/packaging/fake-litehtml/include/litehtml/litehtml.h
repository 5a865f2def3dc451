// SPDX-License-Identifier: MIT
// A litehtml whose container lacks the calls the in-app page overrides, as in later releases.
namespace litehtml {
struct document_container {};
} // namespace litehtml
