#include "audio_fixture.h"

#include "core/evt.h"

#include <algorithm>
#include <set>

using testaudio::Frame;

namespace {

// Positions of the sounding frames of one marker file, in output order.
std::vector<int> positionsOf(const std::vector<Frame>& frames, int id) {
    std::vector<int> pos;
    for (const Frame& f : frames)
        if (!f.silent() && f.id() == id) pos.push_back(f.position());
    return pos;
}

} // namespace

TEST_F(DiskAudioTest, DecodedEffectsAndTracksReachTheOutput) {
    // A mono 22.05 kHz effect (converted by the mixer) and an MP3 loop, both made by sox.
    ASSERT_TRUE(testaudio::run("sox -n -r 22050 -c 1 -b 16 " + path("Ping.wav") +
                               " synth 0.2 sine 880 vol 0.5"));
    ASSERT_TRUE(testaudio::run("sox -n -r 44100 -c 2 " + path("Hum.mp3") +
                               " synth 0.5 sine 220 vol 0.5 2>/dev/null"));
    ASSERT_TRUE(out->waitMoreFrames(2048));
    const int64_t before = out->framesWritten();
    evt::publish("playSound", "Ping.wav");
    ASSERT_TRUE(out->waitMoreFrames(44100));

    std::vector<Frame> frames = out->read();
    EXPECT_EQ(testaudio::firstSounding(frames), testaudio::firstSounding(frames, before))
        << "sound before the effect was asked for";
    const int64_t first = testaudio::firstSounding(frames, before);
    ASSERT_GE(first, 0) << "the effect never sounded";
    int peak = 0;
    int64_t sounding = 0;
    for (int64_t i = first; i < static_cast<int64_t>(frames.size()); ++i) {
        peak = std::max(peak, std::abs(static_cast<int>(frames[i].left)));
        EXPECT_EQ(frames[i].left, frames[i].right) << "mono should reach both sides at " << i;
        if (!frames[i].silent()) ++sounding;
    }
    EXPECT_NEAR(peak, 16384, 1200);
    EXPECT_NEAR(static_cast<double>(sounding), 0.2 * 44100, 300); // 0.2 s, played once

    // The MP3 loops on past its 0.5 s.
    evt::publish("playSoundLoop", "Hum.mp3");
    ASSERT_TRUE(out->waitMoreFrames(3 * 44100));
    frames = out->read(out->framesWritten() - 44100);
    const auto loud = std::count_if(frames.begin(), frames.end(),
                                    [](const Frame& f) { return std::abs(f.left) > 1000; });
    EXPECT_GT(loud, 44100 * 8 / 10);
    ASSERT_NE(pool("Hum.mp3", true), nullptr);
    EXPECT_GT(pool("Hum.mp3", true)->decodedBytes(), 0.5 * 44100 * 4 * 0.9);
}

TEST_F(DiskAudioTest, OverlappingPlaysGrowThePoolAndAFinishedPlayerIsReused) {
    // Twenty seconds of a constant level: three overlapping plays add up to three times it.
    testaudio::writeWav(path("Long.wav"), 44100, 2, std::vector<int16_t>(44100 * 20 * 2, 1000));
    sound::SoundEffect* fx = sound::getSoundEffect("Long.wav", false);
    ASSERT_NE(fx, nullptr);
    EXPECT_TRUE(fx->players().empty());
    fx->play();
    fx->play();
    fx->play();
    ASSERT_EQ(fx->players().size(), 3u);
    const std::vector<int> three = fx->players();
    EXPECT_EQ(std::set<int>(three.begin(), three.end()).size(), 3u);
    for (int p : three)
        EXPECT_GE(p, 0);

    ASSERT_TRUE(testaudio::waitFor([&] { return !anyPlaying(fx); }));
    // The mixer's end-of-play notices wait for the main thread.
    EXPECT_EQ(fx->finishedCount(), 0);
    mixer::deliverFinished();
    EXPECT_EQ(fx->finishedCount(), 3);

    fx->play();
    EXPECT_EQ(fx->players(), three);
    EXPECT_TRUE(fx->isPlaying(three[0]));
    EXPECT_FALSE(fx->isPlaying(three[1]));
    EXPECT_FALSE(fx->isPlaying(three[2]));

    const std::vector<Frame> frames = out->read();
    EXPECT_TRUE(std::any_of(frames.begin(), frames.end(),
                            [](const Frame& f) { return f.left == 3000 && f.right == 3000; }));
}

TEST_F(DiskAudioTest, PrepareThenPlayUsesOnePlayerAndStopResumesWhereItWas) {
    const int length = 20000;
    testaudio::writeMarkerWav(path("Count.wav"), length, 100);
    sound::SoundEffect* fx = sound::getSoundEffect("Count.wav", false);
    ASSERT_NE(fx, nullptr);
    EXPECT_EQ(fx->decodedBytes(), 0u); // nothing decoded before the first player
    fx->prepare();
    ASSERT_EQ(fx->players().size(), 1u);
    EXPECT_EQ(fx->decodedBytes(), static_cast<size_t>(length) * 4);
    const int player = fx->players()[0];
    EXPECT_FALSE(fx->isPlaying(player));
    fx->play();
    EXPECT_EQ(fx->players(), std::vector<int>{player});
    ASSERT_TRUE(testaudio::waitFor([&] { return !fx->isPlaying(player); }));
    fx->releaseInternalPlayers();

    // Stop a looping pool (it cannot end by itself) mid-play, let silence pass, play again.
    sound::SoundEffect* loop = sound::getSoundEffect("Count.wav", true);
    ASSERT_NE(loop, nullptr);
    loop->play();
    const int looper = loop->players().at(0);
    ASSERT_TRUE(out->waitMoreFrames(length / 2));
    loop->stop();
    EXPECT_TRUE(mixer::isPaused(looper));
    EXPECT_FALSE(loop->isPlaying(looper));
    ASSERT_TRUE(out->waitMoreFrames(8192));
    loop->play();
    EXPECT_EQ(loop->players(), std::vector<int>{looper}) << "the paused player should be reused";
    EXPECT_TRUE(loop->isPlaying(looper));
    ASSERT_TRUE(out->waitMoreFrames(length));

    const std::vector<Frame> frames = out->read();
    const std::vector<int> pos = positionsOf(frames, 100);
    // The one-shot play: every frame once, in order; then the loop, seamless across the stop.
    ASSERT_GT(pos.size(), static_cast<size_t>(2 * length));
    for (size_t i = 0; i < pos.size(); ++i)
        ASSERT_EQ(pos[i], static_cast<int>(i % length)) << "sounding frame " << i;
    // The stop shows as silence between the loop's first and last frame heard.
    int64_t first = testaudio::firstSounding(frames);
    while (first < static_cast<int64_t>(frames.size()) && !frames[first].silent())
        ++first;
    first = testaudio::firstSounding(frames, first); // the loop's start
    ASSERT_GE(first, 0);
    int64_t longest_gap = 0, gap = 0;
    for (int64_t i = first; i < static_cast<int64_t>(frames.size()); ++i) {
        gap = frames[i].silent() ? gap + 1 : 0;
        longest_gap = std::max(longest_gap, gap);
    }
    EXPECT_GE(longest_gap, 8192 - testaudio::LAG);
}

TEST_F(DiskAudioTest, ReleasingPlayersSilencesThemAndAnEmptyPoolReleasesQuietly) {
    testaudio::writeMarkerWav(path("Loop.wav"), 4000, 100);
    sound::SoundEffect* loop = sound::getSoundEffect("Loop.wav", true);
    ASSERT_NE(loop, nullptr);
    loop->releaseInternalPlayers(); // nothing made yet
    EXPECT_TRUE(loop->players().empty());

    loop->play();
    ASSERT_TRUE(out->waitMoreFrames(4000 * 5));
    EXPECT_TRUE(anyPlaying(loop)) << "a looping player keeps playing";
    loop->releaseInternalPlayers();
    EXPECT_TRUE(loop->players().empty());
    EXPECT_EQ(loop->decodedBytes(), 0u);
    const int64_t released = out->framesWritten() + testaudio::LAG;
    ASSERT_TRUE(out->waitMoreFrames(testaudio::LAG + 8192));
    EXPECT_EQ(testaudio::firstSounding(out->read(released)), -1);

    // Playable again afterwards, from its first frame.
    const int64_t again = out->framesWritten();
    loop->play();
    ASSERT_TRUE(out->waitMoreFrames(8192));
    const std::vector<Frame> frames = out->read(again);
    const int64_t first = testaudio::firstSounding(frames);
    ASSERT_GE(first, 0);
    EXPECT_EQ(frames[first].position(), 0);
}
