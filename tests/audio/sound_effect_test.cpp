// SPDX-License-Identifier: MIT
#include "support/disk_audio.h"

#include <algorithm>
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
