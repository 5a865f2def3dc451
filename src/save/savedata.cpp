// SPDX-License-Identifier: MIT
#include "save/savedata.h"

#include "core/platform.h"
#include "save/durable_file.h"
#include "save/group.h"
#include "save/plist_guard.h"

#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>

namespace savedata {

bool modified = false;

namespace {

// The save file holds a few hundred bytes; anything this large is not ours, and reading it
// whole would only cost memory.
constexpr long long MAX_FILE_SIZE = 8 << 20;
// Root, group, value: deeper containers are not ours.
constexpr int MAX_DEPTH = 16;

plist_t save_data = nullptr;
// The file on disk failed to load: move it aside before the first save replaces it, so that
// whatever it held can still be recovered by hand.
bool keep_unreadable = false;
std::string path_buf;

// A deep copy in which every dictionary holds each key once (the last value wins, as when the
// XML form is read). Binary lists can repeat keys; without this the values read before and
// after a save could differ.
plist_t tidyCopy(plist_t node, int depth) {
    if (depth > MAX_DEPTH) return nullptr;
    plist_type type = plist_get_node_type(node);
    if (type == PLIST_DICT) {
        plist_t out = plist_new_dict();
        plist_dict_iter it = nullptr;
        plist_dict_new_iter(node, &it);
        for (;;) {
            char* key = nullptr;
            plist_t value = nullptr;
            plist_dict_next_item(node, it, &key, &value);
            if (!key || !value) {
                free(key);
                break;
            }
            plist_t copy = tidyCopy(value, depth + 1);
            if (copy) plist_dict_set_item(out, key, copy);
            free(key);
            if (!copy) {
                free(it);
                plist_free(out);
                return nullptr;
            }
        }
        free(it);
        return out;
    }
    if (type == PLIST_ARRAY) {
        plist_t out = plist_new_array();
        for (uint32_t i = 0, n = plist_array_get_size(node); i < n; ++i) {
            plist_t copy = tidyCopy(plist_array_get_item(node, i), depth + 1);
            if (!copy) {
                plist_free(out);
                return nullptr;
            }
            plist_array_append_item(out, copy);
        }
        return out;
    }
    if (type == PLIST_STRING || type == PLIST_KEY) {
        // Made afresh from the text up to its first zero byte: libplist's copy keeps a stored
        // length that may disagree with the text, and the XML writer then overruns. A key used
        // as a value (only a crafted binary file has one) becomes an empty string.
        uint64_t length = 0;
        const char* text = type == PLIST_STRING ? plist_get_string_ptr(node, &length) : nullptr;
        return plist_new_string(text ? std::string(text, strnlen(text, length)).c_str() : "");
    }
    return plist_copy(node);
}

void release() {
    if (save_data) plist_free(save_data);
    save_data = nullptr;
}

} // namespace

const char* filePath() {
    path_buf = std::string(platform::getDataPath()) + "savedata.plist";
    return path_buf.c_str();
}

bool load() {
    release();
    modified = false;
    keep_unreadable = false;
    save_data = plist_new_dict();

    std::string path = filePath();
    removeStaleTemps(path);
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) return false; // a fresh installation

    keep_unreadable = true;
    if (!S_ISREG(st.st_mode) || st.st_size > MAX_FILE_SIZE) {
        platform::log("Save data '%s' is not a file of a sensible size (%lld bytes); starting "
                      "with empty save data.",
                      path.c_str(), static_cast<long long>(st.st_size));
        return false;
    }
    int size = 0;
    unsigned char* bytes = platform::readFile(path.c_str(), size);
    if (!bytes) {
        platform::log("Could not read save data '%s'; starting with empty save data.",
                      path.c_str());
        return false;
    }
    plist_t parsed = nullptr;
    const char* text = reinterpret_cast<const char*>(bytes);
    if (safeToParse(text, static_cast<size_t>(size), MAX_DEPTH))
        plist_from_memory(text, static_cast<uint32_t>(size), &parsed);
    delete[] bytes;
    if (!parsed || plist_get_node_type(parsed) != PLIST_DICT) {
        platform::log("Save data '%s' is not a property list holding a dictionary; starting "
                      "with empty save data.",
                      path.c_str());
        if (parsed) plist_free(parsed);
        return false;
    }
    plist_t tidy = tidyCopy(parsed, 1);
    plist_free(parsed);
    if (!tidy) {
        platform::log("Save data '%s' is nested too deeply; starting with empty save data.",
                      path.c_str());
        return false;
    }
    plist_free(save_data);
    save_data = tidy;
    keep_unreadable = false;
    return true;
}

bool save() {
    if (!save_data || !modified) return true;
    char* xml = nullptr;
    uint32_t length = 0;
    plist_to_xml(save_data, &xml, &length);
    // An empty serialisation must never replace a good file.
    bool ok = xml && length > 0;
    if (ok) {
        std::string path = filePath();
        ok = replaceFile(path, xml, length, keep_unreadable ? path + ".unreadable" : std::string());
    }
    if (xml) plist_to_xml_free(xml);
    if (!ok) {
        platform::log("Failed to save!");
        return false;
    }
    modified = false;
    keep_unreadable = false;
    return true;
}

plist_t getGroup(const char* group) {
    if (!save_data) return nullptr;
    if (!group || !*group) return save_data;
    plist_t node = plist_dict_get_item(save_data, group);
    if (!node) {
        node = plist_new_dict();
        plist_dict_set_item(save_data, group, node);
        return node;
    }
    if (plist_get_node_type(node) == PLIST_DICT) return node;
    platform::log("Inavlid group for save data: '%s'. Value will not be saved.", group);
    return nullptr;
}

plist_t findEntry(const char* key, const char* group) {
    plist_t dict = getGroup(group);
    if (!dict || !key) return nullptr;
    return plist_dict_get_item(dict, key);
}

bool numberValue(plist_t node, long long& out) {
    if (!node) return false;
    switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
        uint8_t b = 0;
        plist_get_bool_val(node, &b);
        out = b ? 1 : 0;
        return true;
    }
    case PLIST_UINT: {
        // Every integer is stored as the bits of a signed 64-bit value.
        uint64_t u = 0;
        plist_get_uint_val(node, &u);
        out = static_cast<long long>(static_cast<int64_t>(u));
        return true;
    }
    case PLIST_REAL: {
        double d = 0;
        plist_get_real_val(node, &d);
        if (std::isnan(d)) d = 0;
        d = std::fmax(std::fmin(d, static_cast<double>(LLONG_MAX / 2)),
                      static_cast<double>(LLONG_MIN / 2));
        out = static_cast<long long>(d);
        return true;
    }
    default:
        return false;
    }
}

void setEntry(const char* key, const char* group, plist_t node) {
    modified = true;
    plist_t dict = getGroup(group);
    if (!dict || !key) {
        plist_free(node);
        return;
    }
    plist_dict_set_item(dict, key, node);
}

int read(int def, const char* key, const char* group) {
    long long v = 0;
    if (!numberValue(findEntry(key, group), v)) return def;
    return static_cast<int>(v); // keeps the low 32 bits, as a 32-bit read of a number does
}

bool read(bool def, const char* key, const char* group) {
    long long v = 0;
    if (!numberValue(findEntry(key, group), v)) return def;
    return v != 0;
}

void read(std::vector<unsigned char>& out, const char* key, const char* group) {
    plist_t node = findEntry(key, group);
    if (!node || plist_get_node_type(node) != PLIST_DATA) return;
    char* bytes = nullptr;
    uint64_t length = 0;
    plist_get_data_val(node, &bytes, &length);
    out.assign(reinterpret_cast<unsigned char*>(bytes),
               reinterpret_cast<unsigned char*>(bytes) + (bytes ? length : 0));
    free(bytes);
}

void write(int value, const char* key, const char* group) {
    setEntry(key, group, plist_new_uint(static_cast<uint64_t>(static_cast<int64_t>(value))));
}

void write(bool value, const char* key, const char* group) {
    setEntry(key, group, plist_new_bool(value ? 1 : 0));
}

bool keyExists(const char* key, const char* group) {
    return findEntry(key, group) != nullptr;
}

void deleteKey(const char* key, const char* group) {
    modified = true;
    plist_t dict = getGroup(group);
    if (dict && key && plist_dict_get_item(dict, key)) plist_dict_remove_item(dict, key);
}

} // namespace savedata
