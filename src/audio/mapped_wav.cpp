// SPDX-License-Identifier: MIT
#include "audio/mapped_wav.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <cstdint>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace mapped_wav {
namespace {

uint32_t le32(const unsigned char* p) {
    return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24;
}
uint16_t le16(const unsigned char* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

// Where the samples of a WAV in the device's format lie in the file; false for anything else.
bool findSamples(int fd, off_t size, off_t& at, uint32_t& bytes) {
    int rate = 0, channels = 0;
    Uint16 format = 0;
    if (!Mix_QuerySpec(&rate, &format, &channels) || format != AUDIO_S16LSB) return false;
    unsigned char head[12];
    if (pread(fd, head, 12, 0) != 12 || le32(head) != 0x46464952 || le32(head + 8) != 0x45564157)
        return false; // "RIFF" .... "WAVE"
    bool fmt_ok = false;
    off_t pos = 12;
    // A few chunks (a list of tags, a "fact") may come between the format and the samples.
    for (int n = 0; n < 16 && pos + 8 <= size; ++n) {
        unsigned char chunk[24];
        if (pread(fd, chunk, 8, pos) != 8) return false;
        const uint32_t id = le32(chunk), length = le32(chunk + 4);
        if (id == 0x20746d66) { // "fmt "
            if (length < 16 || pread(fd, chunk + 8, 16, pos + 8) != 16) return false;
            const unsigned char* f = chunk + 8;
            fmt_ok = le16(f) == 1 && le16(f + 2) == channels && le32(f + 4) == uint32_t(rate) &&
                     le16(f + 12) == channels * 2 && le16(f + 14) == 16;
            if (!fmt_ok) return false;
        } else if (id == 0x61746164) { // "data"
            // Before its format, empty, cut short or ending mid-frame: the decoder decides.
            if (!fmt_ok || length == 0 || length % (channels * 2) != 0 ||
                off_t(length) > size - pos - 8)
                return false;
            at = pos + 8;
            bytes = length;
            return true;
        }
        pos += 8 + off_t(length) + (length & 1);
    }
    return false;
}

} // namespace

Mix_Chunk* load(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return nullptr;
    struct stat st;
    off_t at = 0;
    uint32_t bytes = 0;
    Mix_Chunk* chunk = nullptr;
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && findSamples(fd, st.st_size, at, bytes)) {
        // The map starts at the page that holds the first sample.
        const off_t page = sysconf(_SC_PAGESIZE), skip = at % page;
        void* map = mmap(nullptr, skip + bytes, PROT_READ, MAP_PRIVATE, fd, at - skip);
        if (map != MAP_FAILED) {
            // Read ahead into the page cache now, so that the mixer's first touch of a page is
            // not a wait on the disk; the pages join the process only as they are played.
            madvise(map, skip + bytes, MADV_WILLNEED);
            chunk = Mix_QuickLoad_RAW(static_cast<Uint8*>(map) + skip, bytes);
            if (!chunk) munmap(map, skip + bytes);
        }
    }
    close(fd);
    return chunk;
}

bool isMapped(const Mix_Chunk* chunk) {
    // A decoded chunk owns its samples; only the ones made above borrow them.
    return chunk && !chunk->allocated;
}

void release(Mix_Chunk* chunk) {
    if (!chunk) return;
    const uintptr_t page = sysconf(_SC_PAGESIZE);
    const uintptr_t start = reinterpret_cast<uintptr_t>(chunk->abuf);
    const uintptr_t skip = start % page;
    const size_t length = skip + chunk->alen;
    Mix_FreeChunk(chunk); // halts any channel still on it, then frees the chunk alone
    munmap(reinterpret_cast<void*>(start - skip), length);
}

} // namespace mapped_wav
