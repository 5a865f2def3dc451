// SPDX-License-Identifier: MIT
#include "audio_support.h"

TEST_F(DiskAudioTest, PoolsGoByFileAndLoopModeAndAnUnknownNameMakesNone) {
    for (const char* e : {"playSound", "prepareSound", "playSoundLoop", "releaseSound"})
        evt::publish(e, "Nowhere.wav");
    evt::publish("playSound", static_cast<const char*>(nullptr));
    EXPECT_EQ(sound::getSoundEffect(path("Nowhere.wav"), false), nullptr);
    EXPECT_TRUE(sound::g_sounds.empty());
    // A file that does not decode still gets its pool, with one silent slot, idle for ever.
    testrun::writeFile(path("Broken.wav"), "RIFF but nothing a decoder wants");
    evt::publish("playSound", "Broken.wav");
    sound::SoundEffect* broken = pool("Broken.wav", false);
    evt::publish("playSound", "Broken.wav");
    ASSERT_TRUE(broken && pool("Broken.wav", false) == broken);
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
    EXPECT_EQ(std::pair(pool("Both.wav", false), pool("Both.wav", true)),
              std::pair(static_cast<sound::SoundEffect*>(nullptr), loop));
}
