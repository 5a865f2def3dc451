// SPDX-License-Identifier: MIT
// Without a usable audio device the game says so once and runs on, silent.
#include "support/disk_audio.h"

TEST_F(DiskAudioTest, AMissingDeviceOrAFailingMixerIsReportedOnceAndEverySoundEventIsHarmless) {
    writeMarkerWav("In.wav", 3000, 100);
    // No such driver; then a disk driver that cannot make its file, so the mixer fails to open.
    for (const char* driver : {"no-such-device", "disk"}) {
        SCOPED_TRACE(driver);
        sound::closeAudio();
        log.clear();
        setenv("SDL_AUDIODRIVER", driver, 1);
        setenv("SDL_DISKAUDIOFILE", (dir + "/missing/out.raw").c_str(), 1);
        EXPECT_TRUE(mixer::open());
        app->setupAudio();
        EXPECT_STREQ(mixer::driverName(), "dummy");
        for (int round = 0; round < 3; ++round) { // every sound event the game can send
            evt::publish("setSound", round < 2);  // on, on, then off
            for (const char* e : {"flingoPlaySound", "playSound", "playSoundLoop",
                                  "releaseSoundLoop", "setBackgroundSound"})
                evt::publish(e, "In.wav");
            for (const char* e : {"pauseSound", "resumeSound", "releaseBackgroundMusic"})
                evt::publish(e);
        }
        ASSERT_EQ(log.size(), 1u);
        EXPECT_NE(log[0].find("runs without sound"), std::string::npos) << log[0];
        ASSERT_NE(pool("In.wav", false), nullptr);
        EXPECT_GE(pool("In.wav", false)->players().at(0), 0) << "played, into nothing";
    }
}
