// SPDX-License-Identifier: MIT
#include "save/plist_guard.h"

#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

namespace savedata {
namespace {

// Visiting more objects than this in a binary list means shared sub-lists multiplying the walk.
constexpr size_t MAX_VISITS = 100000;

bool startsWith(const char* p, const char* end, const char* word) {
    size_t n = strlen(word);
    return static_cast<size_t>(end - p) >= n && memcmp(p, word, n) == 0;
}

// Counts every opening dict or array tag that is not self-closing. Text cannot hold a raw '<',
// so only comments or CDATA could make it count too many, which errs on the safe side.
bool xmlWithin(const char* p, const char* end, int maxDepth) {
    int depth = 0;
    for (; p < end; ++p) {
        if (*p != '<') continue;
        const char* q = p + 1;
        if (q < end && *q == '/') {
            if ((startsWith(q + 1, end, "dict") || startsWith(q + 1, end, "array")) && depth > 0)
                --depth;
            continue;
        }
        const char* name_end = nullptr;
        if (startsWith(q, end, "dict"))
            name_end = q + 4;
        else if (startsWith(q, end, "array"))
            name_end = q + 5;
        if (!name_end || name_end >= end) continue;
        char c = *name_end;
        if (c != '>' && c != '/' && c != ' ' && c != '\t' && c != '\r' && c != '\n') continue;
        const char* close = static_cast<const char*>(memchr(name_end, '>', end - name_end));
        if (!close) break;
        if (close[-1] == '/') continue;
        if (++depth > maxDepth) return false;
    }
    return true;
}

uint64_t bigEndian(const unsigned char* p, size_t n) {
    uint64_t v = 0;
    for (size_t i = 0; i < n; ++i)
        v = v << 8 | p[i];
    return v;
}

bool binaryWithin(const unsigned char* data, size_t size, int maxDepth) {
    if (size < 8 + 32) return true; // too short to nest; the parser rejects it
    const unsigned char* trailer = data + size - 32;
    size_t offset_size = trailer[6], ref_size = trailer[7];
    uint64_t count = bigEndian(trailer + 8, 8), top = bigEndian(trailer + 16, 8),
             table = bigEndian(trailer + 24, 8);
    if (offset_size < 1 || offset_size > 8 || ref_size < 1 || ref_size > 8) return true;
    if (table >= size || count > (size - table) / offset_size) return true;

    auto objectAt = [&](uint64_t index) -> const unsigned char* {
        if (index >= count) return nullptr;
        uint64_t off = bigEndian(data + table + index * offset_size, offset_size);
        return off < size ? data + off : nullptr;
    };

    std::vector<std::pair<uint64_t, int>> stack = {{top, 1}};
    size_t visits = 0;
    while (!stack.empty()) {
        auto [index, depth] = stack.back();
        stack.pop_back();
        if (++visits > MAX_VISITS) return false;
        const unsigned char* obj = objectAt(index);
        if (!obj) continue;
        unsigned kind = obj[0] >> 4;
        if (kind != 0x6 && kind != 0xA && kind != 0xC && kind != 0xD) continue;
        const unsigned char* p = obj + 1;
        uint64_t n = obj[0] & 0xF;
        if (n == 0xF) { // the length follows as an integer object
            if (p >= data + size || (*p >> 4) != 0x1) continue;
            size_t len_size = size_t{1} << (*p & 0x3);
            if (static_cast<size_t>(data + size - p) < 1 + len_size) continue;
            n = bigEndian(p + 1, len_size);
            p += 1 + len_size;
        }
        if (kind == 0x6) {
            // UTF-16 text with a zero unit becomes a C string shorter than its recorded length,
            // which the library's own checks abort on and its copies overrun.
            if (n > static_cast<uint64_t>(data + size - p) / 2) continue;
            for (uint64_t i = 0; i < n; ++i)
                if (p[2 * i] == 0 && p[2 * i + 1] == 0) return false;
            continue;
        }
        if (depth > maxDepth) return false;
        if (kind == 0xD) {
            if (n > UINT64_MAX / 2) continue;
            n *= 2;
        }
        if (n > static_cast<uint64_t>(data + size - p) / ref_size) continue;
        for (uint64_t i = 0; i < n; ++i)
            stack.push_back({bigEndian(p + i * ref_size, ref_size), depth + 1});
        if (stack.size() > MAX_VISITS) return false;
    }
    return true;
}

} // namespace

bool safeToParse(const char* data, size_t size, int maxDepth) {
    if (size >= 6 && memcmp(data, "bplist", 6) == 0)
        return binaryWithin(reinterpret_cast<const unsigned char*>(data), size, maxDepth);
    return xmlWithin(data, data + size, maxDepth);
}

} // namespace savedata
