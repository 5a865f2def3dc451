// Without a usable audio device the game says so once and runs on, silent.
#include "audio/app_sound.h"
#include "audio/mixer.h"
#include "audio/sound.h"
#include "audio/sound_effect.h"
#include "audio_support.h"
#include "core/evt.h"
#include "core/file.h"
#include "core/platform.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

std::vector<std::string> messages;
void keepMessage(const char* line) {
    messages.push_back(line);
}

class NoDeviceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = testaudio::makeTempDir();
        std::filesystem::create_directories(dir + "/res/sounds");
        testaudio::writeMarkerWav(dir + "/res/sounds/In.wav", 3000, 100);
        testaudio::writeMarkerWav(dir + "/res/sounds/Office.wav", 3000, 200);
        platform::setBasePath((dir + "/res/").c_str());
        messages.clear();
        platform::setLogHook(&keepMessage);
    }
    void TearDown() override {
        platform::setLogHook(nullptr);
        sound::closeAudio();
        platform::setBasePath(nullptr);
        testaudio::removeTree(dir);
    }
    // Every sound event the game can send, more than once.
    static void exercise() {
        for (int round = 0; round < 3; ++round) {
            evt::publish("setSound", true);
            evt::publish("flingoPlaySound", "In.wav");
            evt::publish("playSound", "In.wav");
            evt::publish("prepareSoundLoop", "In.wav");
            evt::publish("playSoundLoop", "In.wav");
            evt::publish("setBackgroundSound", "Office.wav");
            evt::publish("pauseSound");
            evt::publish("resumeSound");
            evt::publish("releaseSoundLoop", "In.wav");
            evt::publish("setSound", false);
            evt::publish("releaseBackgroundMusic");
        }
    }
    std::string dir;
};

} // namespace

TEST_F(NoDeviceTest, AMissingDeviceIsReportedOnceAndEverySoundEventIsHarmless) {
    setenv("SDL_AUDIODRIVER", "no-such-device", 1);
    sound::AppSound app;
    app.setupAudio(); // starts the sound manager and opens the device
    mixer::open();    // (already open, unless an earlier test of this process closed it)
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("runs without sound"), std::string::npos) << messages[0];
    EXPECT_NE(messages[0].find("no-such-device"), std::string::npos) << messages[0];
    EXPECT_STREQ(mixer::driverName(), "dummy");

    exercise();
    EXPECT_EQ(messages.size(), 1u);
    // The effects were still prepared and played, into nothing.
    auto it = sound::g_sounds.find(dir + "/res/sounds/In.wav_DOESNT_LOOP");
    ASSERT_NE(it, sound::g_sounds.end());
    EXPECT_FALSE(it->second->players().empty());
}

TEST_F(NoDeviceTest, AMixerThatCannotOpenFallsBackToSilence) {
    // The disk driver cannot create its file: opening the mixer fails.
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", (dir + "/missing/folder/out.raw").c_str(), 1);
    sound::SoundMgr::init();
    sound::closeAudio(); // a device opened by an earlier test of this process
    messages.clear();
    EXPECT_TRUE(mixer::open());
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_STREQ(mixer::driverName(), "dummy");
    sound::AppSound app;
    app.setupAudio();
    exercise();
    EXPECT_EQ(messages.size(), 1u);
    EXPECT_FALSE(std::filesystem::exists(dir + "/missing"));

    // Closed for good: pools made now have only silent slots.
    sound::closeAudio();
    evt::publish("playSound", "In.wav");
    auto it = sound::g_sounds.find(dir + "/res/sounds/In.wav_DOESNT_LOOP");
    ASSERT_NE(it, sound::g_sounds.end());
    EXPECT_EQ(it->second->players(), std::vector<int>{-1});
    EXPECT_EQ(messages.size(), 1u);
}
