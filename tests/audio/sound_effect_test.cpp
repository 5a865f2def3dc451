// SPDX-License-Identifier: MIT
#include "support/disk_audio.h"

#include "audio/mapped_wav.h"

#include <SDL_mixer.h>

#include <algorithm>
#include <cstring>
#include <set>

TEST_F(DiskAudioTest, OverlappingPlaysGrowThePoolAndAFinishedPlayerIsReused) {
    // A constant level: three overlapping plays add up to three times it.
    writeWav("Long.wav", std::vector<int16_t>(44100 * 20 * 2, 1000));
    sound::SoundEffect* fx = sound::getSoundEffect("Long.wav", false);
    ASSERT_NE(fx, nullptr);
    for (int i = 0; i < 3; ++i)
        fx->play();
    const std::vector<int> three = fx->players();
    ASSERT_EQ(std::set<int>(three.begin(), three.end()).size(), 3u);
    ASSERT_TRUE(waitFor([&] {
        return std::none_of(three.begin(), three.end(), [&](int p) { return fx->isPlaying(p); });
    }));
    EXPECT_EQ(fx->finishedCount(), 0) << "the mixer's end-of-play notices wait for the main thread";
    mixer::deliverFinished();
    EXPECT_EQ(fx->finishedCount(), 3);
    fx->play();
    EXPECT_EQ(fx->players(), three);
    EXPECT_TRUE(fx->isPlaying(three[0]) && !fx->isPlaying(three[1]) && !fx->isPlaying(three[2]));
    const std::vector<Frame> frames = read(0);
    EXPECT_TRUE(std::any_of(frames.begin(), frames.end(),
                            [](Frame f) { return f.left == 3000 && f.right == 3000; }));
}

TEST_F(DiskAudioTest, PrepareThenPlayUsesOnePlayerAndAStoppedPlayerResumesWhereItWas) {
    const int length = 20000;
    writeMarkerWav("Count.wav", length, 100);
    // A looping pool: it cannot end by itself before the stop.
    sound::SoundEffect* loop = sound::getSoundEffect("Count.wav", true);
    ASSERT_NE(loop, nullptr);
    EXPECT_EQ(loop->decodedBytes(), 0u) << "nothing decoded before the first player";
    loop->prepare();
    const std::vector<int> one = loop->players();
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(loop->decodedBytes(), size_t(length) * 4);
    EXPECT_FALSE(loop->isPlaying(one[0]));
    loop->play();
    ASSERT_TRUE(waitMore(length / 2));
    loop->stop();
    EXPECT_FALSE(loop->isPlaying(one[0]));
    EXPECT_TRUE(silentFor(8192)) << "a stopped player goes quiet";
    loop->play();
    EXPECT_EQ(loop->players(), one) << "prepared, played, stopped, played: still one player";
    ASSERT_TRUE(waitMore(2 * length));
    // From the first frame on, seamless across the stop and round the end.
    int64_t n = 0;
    for (const Frame& f : read(0))
        ASSERT_TRUE(f.silent() || f.position() == n++ % length) << "sounding frame " << n;
    EXPECT_GT(n, 2 * length);
}

// Only a plain stereo 44.1 kHz 16-bit file is played straight from its mapped pages; anything
// else, damaged or not, goes to the decoder. Either way the effect holds what the decoder makes
// of the file.
TEST_F(DiskAudioTest, AnEffectIsMappedOnlyInTheDeviceFormatAndHoldsWhatTheDecoderGives) {
    // The low bytes of a word, little-endian like the host.
    const auto le = [](uint32_t v, int bytes) {
        return std::string(reinterpret_cast<const char*>(&v), bytes);
    };
    const auto chunk = [&](const char* id, const std::string& body) {
        return id + le(body.size(), 4) + body + std::string(body.size() % 2, '\0');
    };
    const auto fmt = [&](int channels, int rate, int bits) {
        const int frame = channels * bits / 8;
        return chunk("fmt ", le(1, 2) + le(channels, 2) + le(rate, 4) + le(rate * frame, 4) +
                                 le(frame, 2) + le(bits, 2));
    };
    std::string samples; // 2000 stereo frames
    for (int i = 0; i < 8000; ++i)
        samples += char(i * 7 + i / 256);
    const std::string stereo = fmt(2, 44100, 16);
    const struct {
        const char* name;
        std::string body;
        bool mapped;
    } rows[] = {
        {"plain", stereo + chunk("data", samples), true},
        // Odd-sized tags take a pad byte, and put the samples beyond the first page.
        {"tags first", stereo + chunk("LIST", std::string(5001, 't')) + chunk("data", samples),
         true},
        {"mono", fmt(1, 44100, 16) + chunk("data", samples), false},
        {"22 kHz", fmt(2, 22050, 16) + chunk("data", samples), false},
        {"8-bit", fmt(2, 44100, 8) + chunk("data", samples), false},
        {"half a frame", stereo + chunk("data", samples.substr(0, 7998)), false},
        {"cut short", (stereo + chunk("data", samples)).substr(0, 4000), false},
        {"samples first", chunk("data", samples) + stereo, false},
    };
    for (const auto& r : rows) {
        testrun::writeFile(path("x.wav"), "RIFF" + le(4 + r.body.size(), 4) + "WAVE" + r.body);
        Mix_Chunk* want = Mix_LoadWAV(path("x.wav").c_str());
        Mix_Chunk* got = mixer::loadChunk(path("x.wav"));
        EXPECT_EQ(mapped_wav::isMapped(got), r.mapped) << r.name;
        EXPECT_EQ(!got, !want) << r.name;
        const bool same =
            !got || !want || (got->alen == want->alen && !memcmp(got->abuf, want->abuf, got->alen));
        EXPECT_TRUE(same) << r.name << ": other samples than the decoder's";
        mixer::freeChunk(got);
        mixer::freeChunk(want);
    }
}
