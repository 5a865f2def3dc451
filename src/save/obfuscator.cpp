// SPDX-License-Identifier: MIT
#include "save/obfuscator.h"

#include "core/file.h"
#include "core/platform.h"
#include "save/group.h"
#include "save/savedata.h"

#include <cstdio>
#include <cstring>
#include <ctime>
#include <nettle/md5.h>

namespace savedata {

Obfuscator::Obfuscator(const std::string& keyFile, const Vector2<int>& params)
    : m_window(params.x), m_range(params.y) {
    file::File f;
    f.setPath(keyFile);
    uint64_t size = f.getSize();
    // Only the bytes up to the last window matter; reading no further keeps the checksums the same
    // and a mistaken huge file cheap.
    if (m_window >= 0 && m_range > 0) {
        uint64_t needed = static_cast<uint64_t>(m_range) - 1 + static_cast<uint64_t>(m_window);
        if (size > needed) size = needed;
    }
    if (size > 0 && f.openReadOnly()) {
        m_key.resize(size);
        // A key that cannot be read whole must not sign anything: zeros would void every record.
        if (!f.read(m_key.data(), static_cast<int>(size))) m_key.clear();
    }
    if (f.file) fclose(f.file);
    if (!usable())
        platform::log("Score key '%s' is missing or too short; best scores cannot be kept.",
                      f.path.c_str());
}

Obfuscator::~Obfuscator() = default;

bool Obfuscator::usable() const {
    if (m_window < 0 || m_range <= 0) return false;
    return m_key.size() >= static_cast<size_t>(m_range) - 1 + static_cast<size_t>(m_window);
}

bool Obfuscator::checksum(int value, long long ts, unsigned char out[16]) const {
    if (ts < 0 || !usable()) return false;
    size_t offset = static_cast<size_t>(ts % m_range);
    uint32_t v = static_cast<uint32_t>(value);
    const uint8_t le[4] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8),
                           static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 24)};
    md5_ctx ctx;
    md5_init(&ctx);
    md5_update(&ctx, sizeof le, le);
    md5_update(&ctx, static_cast<size_t>(m_window), m_key.data() + offset);
    md5_digest(&ctx, MD5_DIGEST_SIZE, out);
    return true;
}

void Obfuscator::write(int value, const char* key) {
    write(value, key, static_cast<long long>(time(nullptr)));
}

void Obfuscator::write(int value, const char* key, long long ts) {
    unsigned char sum[MD5_DIGEST_SIZE];
    if (!checksum(value, ts, sum)) {
        // Keep the record that is there: one signed with a missing key would read as 0 forever.
        platform::log("Record '%s' not stored: no usable score key.", key ? key : "");
        return;
    }
    savedata::write(value, "value", key);
    setEntry("ts", key, plist_new_uint(static_cast<uint64_t>(static_cast<int64_t>(ts))));
    setEntry("checksum", key, plist_new_data(reinterpret_cast<const char*>(sum), sizeof sum));
}

std::pair<int, bool> Obfuscator::read(int def, const char* key) {
    int value = savedata::read(def, "value", key);
    // The time stamp is read whole: it passes 32 bits in 2038.
    long long ts = 0;
    if (!numberValue(findEntry("ts", key), ts)) ts = 0;
    std::vector<unsigned char> stored;
    savedata::read(stored, "checksum", key);
    unsigned char sum[MD5_DIGEST_SIZE];
    bool valid = stored.size() == MD5_DIGEST_SIZE && checksum(value, ts, sum) &&
                 memcmp(sum, stored.data(), MD5_DIGEST_SIZE) == 0;
    return {value, valid};
}

bool Obfuscator::keyExists(const char* key) {
    if (!key || !*key) return true;
    return savedata::keyExists(key, nullptr);
}

} // namespace savedata
