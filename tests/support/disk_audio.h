// SPDX-License-Identifier: MIT
// The audio tests' fixture: sound files made on the spot, and a mixer on SDL's disk driver
// writing into the test's own folder as fast as it can mix, read back as frames. The resource
// folder is the test's own, set up as at launch: its "sounds" folder is searched for file
// names, and `app` handles the sound switch (off until a test turns it on).
#pragma once

#include "audio/app_sound.h"
#include "audio/mixer.h"
#include "audio/sound.h"
#include "audio/sound_effect.h"
#include "core/evt.h"
#include "core/platform.h"
#include "support/run.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <optional>
#include <thread>

class DiskAudioTest : public ::testing::Test {
  protected:
    // Frames mixed before a call returns may reach the file after it: the disk driver writes
    // through a stdio buffer (2048 frames) and the mixer may be a buffer ahead.
    static constexpr int64_t LAG = 4096;
    static constexpr int BLOCK = 30000;

    // An output frame of marker files (see writeMarkerWav).
    struct Frame {
        int16_t left, right;
        bool silent() const { return left == 0 && right == 0; }
        int id() const { return right / 100 * 100; }
        int position() const { return (right % 100) * BLOCK + left - 1; }
    };

    void SetUp() override {
        std::filesystem::create_directory(dir + "/sounds");
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", (dir + "/out.raw").c_str(), 1);
        setenv("SDL_DISKAUDIODELAY", "0", 1);
        sound::SoundMgr::init();
        ASSERT_TRUE(mixer::open());
        ASSERT_STREQ(mixer::driverName(), "disk");
        platform::setBasePath((dir + "/").c_str());
        app = std::make_unique<sound::AppSound>();
        app->setupAudio();
        sound::sound_enabled = true;
        log.clear();
        platform::setLogHook([](const char* line) { log.push_back(line); });
    }
    void TearDown() override {
        app.reset();
        sound::closeAudio();
        platform::setBasePath(nullptr);
        platform::setLogHook(nullptr);
    }

    std::string path(const std::string& name) const { return dir + "/sounds/" + name; }
    // A 44.1 kHz stereo 16-bit PCM WAV of interleaved samples (little-endian host): "RIFF" size
    // "WAVE" "fmt " 16 PCM|channels rate bytes-per-second align|bits "data" size, the samples.
    void writeWav(const std::string& name, const std::vector<int16_t>& samples) const {
        const uint32_t bytes = samples.size() * 2,
                       head[] = {0x46464952,   36 + bytes,  0x45564157, 0x20746d66,
                                 16,           1 | 2 << 16, 44100,      44100 * 4,
                                 4 | 16 << 16, 0x61746164,  bytes};
        testrun::writeFile(path(name),
                           std::string(reinterpret_cast<const char*>(head), sizeof head) +
                               std::string(reinterpret_cast<const char*>(samples.data()), bytes));
    }
    // A WAV whose frame i has the left sample i % BLOCK + 1 and the right sample id + i / BLOCK
    // (id a multiple of 100): played alone at full volume, the mixer passes it through
    // unchanged, so the output tells which file sounded and where.
    void writeMarkerWav(const std::string& name, int frames, int16_t id) const {
        std::vector<int16_t> s;
        for (int i = 0; i < frames; ++i)
            s.insert(s.end(), {int16_t(i % BLOCK + 1), int16_t(id + i / BLOCK)});
        writeWav(name, s);
    }
    // The pool stored for a file of the sounds folder, or null.
    sound::SoundEffect* pool(const char* name, bool loops) const {
        auto it = sound::g_sounds.find(path(name) + (loops ? "_LOOPS" : "_DOESNT_LOOP"));
        return it == sound::g_sounds.end() ? nullptr : it->second;
    }

    // Polls `done` up to 150,000 naps of 0.2 ms (at least 30 s): generous, since a loaded
    // machine may starve the mixer a while. The naps are counted: the clock is never read.
    template <class F> static bool waitFor(F done) {
        for (int naps = 0; !done() && naps < 150000; ++naps)
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        return done();
    }
    int64_t written() const { return std::filesystem::file_size(dir + "/out.raw") / 4; }
    bool waitMore(int64_t count) const {
        return waitFor([&, target = written() + count] { return written() >= target; });
    }
    // Reads up to what is written now: the mixer keeps writing meanwhile, faster than a slow
    // (sanitised) build reads, so reading to the end might never finish.
    std::vector<Frame> read(int64_t from) const {
        std::ifstream in(dir + "/out.raw", std::ios::binary);
        std::vector<Frame> frames(std::max<int64_t>(0, written() - from));
        in.seekg(from * 4);
        in.read(reinterpret_cast<char*>(frames.data()), frames.size() * 4);
        frames.resize(in.gcount() / 4);
        return frames;
    }
    // The first sounding frame from `from` on, once `count` more frames are written.
    std::optional<Frame> soundFrom(int64_t from, int64_t count) const {
        EXPECT_TRUE(waitMore(count));
        for (const Frame& f : read(from))
            if (!f.silent()) return f;
        return std::nullopt;
    }
    // Nothing sounds in `count` frames mixed from now on.
    bool silentFor(int64_t count) const { return !soundFrom(written() + LAG, LAG + count); }

    const std::string dir = testrun::tempDir();
    std::unique_ptr<sound::AppSound> app;
    static inline std::vector<std::string> log; // console lines since the set-up
};
