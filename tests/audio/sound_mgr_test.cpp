#include "audio_fixture.h"

#include "core/evt.h"

#include <fstream>

using testaudio::Frame;

TEST_F(DiskAudioTest, UnknownNamesMakeNoPoolAndAnUndecodableFileIsSilent) {
    const size_t pools = sound::g_sounds.size();
    evt::publish("playSound", "Nowhere.wav");
    evt::publish("prepareSound", "Nowhere.wav");
    evt::publish("playSoundLoop", "Nowhere.mp3");
    evt::publish("releaseSound", "Nowhere.wav");
    evt::publish("playSound", static_cast<const char*>(nullptr));
    evt::publish("playSound", (dir + "/Nowhere.wav").c_str());
    EXPECT_EQ(sound::getSoundEffect("Nowhere.wav", false), nullptr);
    EXPECT_EQ(sound::g_sounds.size(), pools);

    std::ofstream(path("Broken.wav")) << "RIFF but nothing a decoder wants";
    evt::publish("playSound", "Broken.wav");
    evt::publish("playSound", "Broken.wav");
    sound::SoundEffect* broken = pool("Broken.wav", false);
    ASSERT_NE(broken, nullptr) << "the pool exists even though its file does not decode";
    EXPECT_EQ(broken->players(), std::vector<int>{-1}) << "one silent slot, idle for ever";
    EXPECT_EQ(sound::getSoundEffect("Broken.wav", false), broken);
    ASSERT_TRUE(out->waitMoreFrames(8192));
    EXPECT_EQ(testaudio::firstSounding(out->read()), -1);
    evt::publish("releaseSound", "Broken.wav");
    EXPECT_EQ(pool("Broken.wav", false), nullptr);
}

TEST_F(DiskAudioTest, OneShotAndLoopingUseOfOneFileAreTwoPools) {
    testaudio::writeMarkerWav(path("Both.wav"), 2000, 100);
    sound::SoundEffect* once = sound::getSoundEffect("Both.wav", false);
    sound::SoundEffect* loop = sound::getSoundEffect("Both.wav", true);
    ASSERT_NE(once, nullptr);
    ASSERT_NE(loop, nullptr);
    EXPECT_NE(once, loop);
    EXPECT_EQ(pool("Both.wav", false), once);
    EXPECT_EQ(pool("Both.wav", true), loop);
    EXPECT_FALSE(once->loops());
    EXPECT_TRUE(loop->loops());
    // The same file by its full path is the same pool.
    EXPECT_EQ(sound::getSoundEffect(path("Both.wav"), false), once);

    evt::publish("releaseSound", "Both.wav");
    EXPECT_EQ(pool("Both.wav", false), nullptr);
    EXPECT_EQ(pool("Both.wav", true), loop);
    evt::publish("releaseSoundLoop", "Both.wav");
    EXPECT_EQ(pool("Both.wav", true), nullptr);
    evt::publish("releaseSoundLoop", "Both.wav"); // nothing left to release
}

TEST_F(DiskAudioTest, EffectsFollowTheEnableSwitch) {
    testaudio::writeMarkerWav(path("Tick.wav"), 1000, 100);
    evt::publish("disableSound");
    evt::publish("playSound", "Tick.wav");
    evt::publish("playSoundLoop", "Tick.wav");
    ASSERT_TRUE(out->waitMoreFrames(4096));
    EXPECT_EQ(testaudio::firstSounding(out->read()), -1);
    evt::publish("enableSound");
    evt::publish("playSound", "Tick.wav");
    ASSERT_TRUE(out->waitMoreFrames(8192));
    EXPECT_GE(testaudio::firstSounding(out->read()), 0);
}

TEST_F(DiskAudioTest, BackgroundTrackLoopsAndSwitchesWithTheOldOneReleasedFirst) {
    const int a_len = 11025, b_len = 8000;
    testaudio::writeMarkerWav(path("A.wav"), a_len, 100);
    testaudio::writeMarkerWav(path("B.wav"), b_len, 200);

    evt::publish("playBackgroundMusic", "A.wav");
    EXPECT_EQ(sound::g_curr_background_music, "A.wav");
    sound::SoundEffect* a = pool("A.wav", true);
    ASSERT_NE(a, nullptr);
    ASSERT_TRUE(out->waitMoreFrames(3 * a_len + testaudio::LAG));
    evt::publish("playBackgroundMusic", "A.wav"); // already current: no restart, no new player
    EXPECT_EQ(pool("A.wav", true), a);
    EXPECT_EQ(a->players().size(), 1u);

    evt::publish("playBackgroundMusic", "B.wav");
    EXPECT_EQ(pool("A.wav", true), nullptr) << "the old loop is released";
    EXPECT_EQ(sound::g_curr_background_music, "B.wav");
    ASSERT_TRUE(out->waitMoreFrames(3 * b_len));

    const std::vector<Frame> frames = out->read();
    int64_t i = testaudio::firstSounding(frames);
    ASSERT_GE(i, 0);
    // A, from its first frame, seamless around its end, for at least three rounds.
    EXPECT_EQ(frames[i].id(), 100);
    EXPECT_EQ(frames[i].position(), 0);
    int64_t a_frames = 0;
    for (; i < static_cast<int64_t>(frames.size()) && frames[i].id() == 100; ++i, ++a_frames)
        ASSERT_EQ(frames[i].position(), a_frames % a_len) << "A broke off at output frame " << i;
    EXPECT_GE(a_frames, 3 * a_len);
    // Then, after at most some silence, B from its first frame; A never again, never both.
    while (i < static_cast<int64_t>(frames.size()) && frames[i].silent())
        ++i;
    ASSERT_LT(i, static_cast<int64_t>(frames.size()));
    ASSERT_EQ(frames[i].id(), 200) << "output frame " << i;
    int64_t b_frames = 0;
    for (; i < static_cast<int64_t>(frames.size()); ++i, ++b_frames) {
        ASSERT_EQ(frames[i].id(), 200) << "output frame " << i;
        ASSERT_EQ(frames[i].position(), b_frames % b_len) << "output frame " << i;
    }
    EXPECT_GE(b_frames, 2 * b_len);

    evt::publish("releaseBackgroundMusic");
    EXPECT_EQ(sound::g_curr_background_music, "");
    EXPECT_EQ(pool("B.wav", true), nullptr);
    const int64_t stopped = out->framesWritten() + testaudio::LAG;
    ASSERT_TRUE(out->waitMoreFrames(testaudio::LAG + 8192));
    EXPECT_EQ(testaudio::firstSounding(out->read(stopped)), -1);
}
