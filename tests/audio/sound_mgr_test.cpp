#include "audio_support.h"

#include <tuple>

TEST_F(DiskAudioTest, PoolsGoByFileAndLoopModeAndAnUnknownNameMakesNone) {
    const size_t pools = sound::g_sounds.size();
    for (const char* e : {"playSound", "prepareSound", "playSoundLoop", "releaseSound"})
        evt::publish(e, "Nowhere.wav");
    evt::publish("playSound", static_cast<const char*>(nullptr));
    EXPECT_EQ(sound::getSoundEffect(path("Nowhere.wav"), false), nullptr);
    EXPECT_EQ(sound::g_sounds.size(), pools);

    // A file that does not decode still gets its pool, with one silent slot, idle for ever.
    std::ofstream(path("Broken.wav")) << "RIFF but nothing a decoder wants";
    evt::publish("playSound", "Broken.wav");
    sound::SoundEffect* broken = pool("Broken.wav", false);
    ASSERT_NE(broken, nullptr);
    evt::publish("playSound", "Broken.wav");
    EXPECT_EQ(pool("Broken.wav", false), broken);
    EXPECT_EQ(broken->players(), std::vector<int>{-1});
    EXPECT_FALSE(soundFrom(0, 8192));

    testaudio::writeMarkerWav(path("Both.wav"), 2000, 100);
    sound::SoundEffect* once = sound::getSoundEffect("Both.wav", false);
    sound::SoundEffect* loop = sound::getSoundEffect("Both.wav", true);
    ASSERT_TRUE(once && loop);
    EXPECT_TRUE(once != loop && !once->loops() && loop->loops());
    EXPECT_EQ(pool("Both.wav", false), once);
    EXPECT_EQ(sound::getSoundEffect(path("Both.wav"), false), once) << "same file by full path";
    evt::publish("releaseSound", "Both.wav");
    EXPECT_EQ(pool("Both.wav", false), nullptr);
    EXPECT_EQ(pool("Both.wav", true), loop);
}

TEST_F(DiskAudioTest, BackgroundTrackLoopsAndSwitchesWithTheOldOneReleasedFirst) {
    const int a_len = 11025, b_len = 8000;
    testaudio::writeMarkerWav(path("A.wav"), a_len, 100);
    testaudio::writeMarkerWav(path("B.wav"), b_len, 200);
    evt::publish("playBackgroundMusic", "A.wav");
    sound::SoundEffect* a = pool("A.wav", true);
    ASSERT_NE(a, nullptr);
    ASSERT_TRUE(waitMore(3 * a_len + LAG));
    evt::publish("playBackgroundMusic", "A.wav"); // already current: no restart, no new player
    EXPECT_EQ(a->players().size(), 1u);
    evt::publish("playBackgroundMusic", "B.wav");
    EXPECT_EQ(pool("A.wav", true), nullptr) << "the old loop is released";
    EXPECT_EQ(sound::g_curr_background_music, "B.wav");
    ASSERT_TRUE(waitMore(3 * b_len));

    // A from its first frame, seamless round its end; after at most some silence B likewise;
    // never both at once, never A again.
    const std::vector<Frame> frames = read(0);
    const int64_t n = frames.size();
    int64_t i = 0;
    for (auto [id, len, rounds] : {std::tuple{100, a_len, 3}, std::tuple{200, b_len, 2}}) {
        while (i < n && frames[i].silent())
            ++i;
        int64_t k = 0;
        for (; i < n && !frames[i].silent() && frames[i].id() == id; ++i, ++k)
            ASSERT_EQ(frames[i].position(), k % len) << "track " << id << " at output frame " << i;
        EXPECT_GE(k, rounds * len) << "track " << id << " should loop";
    }
    EXPECT_EQ(i, n) << "something else sounded at output frame " << i;

    evt::publish("releaseBackgroundMusic");
    EXPECT_EQ(sound::g_curr_background_music, "");
    EXPECT_EQ(pool("B.wav", true), nullptr);
    EXPECT_TRUE(silentFor(8192));
}
