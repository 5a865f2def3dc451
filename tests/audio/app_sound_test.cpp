#include "audio/app_sound.h"
#include "audio_fixture.h"

#include "core/evt.h"
#include "core/platform.h"

#include <filesystem>
#include <fstream>

using testaudio::Frame;

namespace {

// Counts the "playSound" requests that reach the bus.
int play_requests = 0;
void countPlay(void*, void*) {
    ++play_requests;
}

class AppSoundTest : public DiskAudioTest {
  protected:
    void SetUp() override {
        DiskAudioTest::SetUp();
        if (HasFatalFailure()) return;
        std::filesystem::create_directories(dir + "/res/sounds");
        platform::setBasePath((dir + "/res/").c_str());
        play_requests = 0;
    }
    void TearDown() override {
        platform::setBasePath(nullptr);
        DiskAudioTest::TearDown();
    }
    std::string sound(const std::string& name) const { return dir + "/res/sounds/" + name; }
    sound::SoundEffect* loopPool(const std::string& name) const {
        auto it = sound::g_sounds.find(sound(name) + "_LOOPS");
        return it == sound::g_sounds.end() ? nullptr : it->second;
    }
    // Index of the first frame from `from` on that sounds, after waiting for `frames` more.
    int64_t soundsAfter(int64_t from, int64_t frames) {
        EXPECT_TRUE(out->waitMoreFrames(frames));
        const int64_t i = testaudio::firstSounding(out->read(from));
        return i < 0 ? -1 : from + i;
    }
};

} // namespace

TEST_F(AppSoundTest, SetupPreparesEveryWavEffectAndPlaysOnlyWhileSoundIsOn) {
    testaudio::writeMarkerWav(sound("Crumple.wav"), 3000, 100);
    testaudio::writeMarkerWav(sound("In.wav"), 3000, 200);
    testaudio::writeMarkerWav(sound("Track.mp3"), 3000, 300); // not an effect: not prepared
    std::ofstream(sound("notes.txt")) << "not a sound";
    const size_t pools = sound::g_sounds.size();
    const int handlers = evt::subscriberCount("flingoPlaySound");

    evt::AutoSubscriber counter("playSound", evt::Callback(&countPlay, nullptr));
    sound::AppSound app;
    app.setupAudio();
    EXPECT_EQ(sound::g_sounds.size(), pools + 2);
    for (const char* name : {"Crumple.wav", "In.wav"}) {
        auto it = sound::g_sounds.find(sound(name) + "_DOESNT_LOOP");
        ASSERT_NE(it, sound::g_sounds.end()) << name;
        ASSERT_EQ(it->second->players().size(), 1u) << name << " should have a player ready";
        EXPECT_GT(it->second->decodedBytes(), 0u);
        EXPECT_FALSE(it->second->isPlaying(it->second->players()[0]));
    }
    EXPECT_EQ(evt::subscriberCount("flingoPlaySound"), handlers + 1);
    for (const char* e : {"setSound", "pauseSound", "resumeSound", "setBackgroundSound"})
        EXPECT_GE(evt::subscriberCount(e), 1) << e;

    // Sound starts off: an effect request goes nowhere.
    evt::publish("flingoPlaySound", "In.wav");
    EXPECT_EQ(play_requests, 0);
    EXPECT_EQ(soundsAfter(0, 4096), -1);

    evt::publish("setSound", true);
    const int64_t on = out->framesWritten();
    evt::publish("flingoPlaySound", "In.wav");
    EXPECT_EQ(play_requests, 1);
    EXPECT_EQ(sound::g_sounds.size(), pools + 2) << "the play finds the prepared pool";
    const int64_t at = soundsAfter(on, 8192);
    ASSERT_GE(at, 0);
    EXPECT_EQ(out->read(at)[0].id(), 200);
}

TEST_F(AppSoundTest, BackgroundTrackFollowsTheSoundSwitchAndStartsOnce) {
    testaudio::writeMarkerWav(sound("Office.wav"), 20000, 100);
    testaudio::writeMarkerWav(sound("Airport.wav"), 20000, 200);
    sound::AppSound app;
    app.setupAudio();
    const size_t pools = sound::g_sounds.size();

    // While sound is off the track is only remembered.
    std::string name = "Office.wav";
    evt::publish("setBackgroundSound", name.c_str());
    EXPECT_EQ(sound::g_curr_background_music, "");
    EXPECT_EQ(loopPool("Office.wav"), nullptr);
    EXPECT_EQ(soundsAfter(0, 4096), -1);

    // Switched on, it starts from its beginning.
    name = "Overwritten"; // the remembered name must not depend on the publisher's buffer
    const int64_t on = out->framesWritten();
    evt::publish("setSound", true);
    EXPECT_EQ(sound::g_curr_background_music, "Office.wav");
    sound::SoundEffect* office = loopPool("Office.wav");
    ASSERT_NE(office, nullptr);
    int64_t at = soundsAfter(on, 8192);
    ASSERT_GE(at, 0);
    EXPECT_EQ(out->read(at)[0].id(), 100);
    EXPECT_EQ(out->read(at)[0].position(), 0);

    // The same name again, from another buffer, neither restarts nor adds a player.
    const std::string again = "Office.wav";
    evt::publish("setBackgroundSound", again.c_str());
    EXPECT_EQ(loopPool("Office.wav"), office);
    EXPECT_EQ(office->players().size(), 1u);

    // Another name: the old loop goes before the new one starts.
    evt::publish("setBackgroundSound", "Airport.wav");
    EXPECT_EQ(loopPool("Office.wav"), nullptr);
    ASSERT_NE(loopPool("Airport.wav"), nullptr);
    EXPECT_EQ(sound::g_sounds.size(), pools + 1);

    // Sound off releases the track; on again brings the remembered one back.
    evt::publish("setSound", false);
    EXPECT_EQ(loopPool("Airport.wav"), nullptr);
    EXPECT_EQ(sound::g_curr_background_music, "");
    evt::publish("resumeSound"); // nothing while off
    EXPECT_EQ(loopPool("Airport.wav"), nullptr);
    evt::publish("setSound", true);
    EXPECT_NE(loopPool("Airport.wav"), nullptr);

    // No track at all.
    evt::publish("setBackgroundSound", static_cast<const char*>(nullptr));
    EXPECT_EQ(loopPool("Airport.wav"), nullptr);
    evt::publish("setSound", true);
    EXPECT_EQ(sound::g_curr_background_music, "");
}

TEST_F(AppSoundTest, PauseThenResumeRestartsTheTrackFromItsBeginning) {
    const int length = 44100 * 10;
    testaudio::writeMarkerWav(sound("Basement.wav"), length, 100);
    sound::AppSound app;
    app.setupAudio();
    evt::publish("setSound", true);
    evt::publish("setBackgroundSound", "Basement.wav");
    ASSERT_NE(loopPool("Basement.wav"), nullptr);
    // Well into the track.
    ASSERT_TRUE(testaudio::waitFor([&] {
        const auto tail = out->read(std::max<int64_t>(0, out->framesWritten() - 1));
        return !tail.empty() && tail[0].id() == 100 && tail[0].position() > 5000;
    }));

    evt::publish("pauseSound");
    EXPECT_EQ(loopPool("Basement.wav"), nullptr);
    EXPECT_EQ(sound::g_curr_background_music, "");
    const int64_t paused = out->framesWritten() + testaudio::LAG;
    ASSERT_TRUE(out->waitMoreFrames(testaudio::LAG + 8192));
    EXPECT_EQ(testaudio::firstSounding(out->read(paused)), -1);

    const int64_t resumed = out->framesWritten();
    evt::publish("resumeSound");
    const int64_t at = soundsAfter(resumed, 8192);
    ASSERT_GE(at, 0);
    EXPECT_EQ(out->read(at)[0].position(), 0);
    EXPECT_EQ(sound::g_curr_background_music, "Basement.wav");
}

TEST_F(AppSoundTest, ReleaseAtTheEndStopsTheTrack) {
    testaudio::writeMarkerWav(sound("Office.wav"), 20000, 100);
    {
        sound::AppSound app;
        app.setupAudio();
        evt::publish("setSound", true);
        evt::publish("setBackgroundSound", "Office.wav");
        ASSERT_NE(loopPool("Office.wav"), nullptr);
        app.releaseBackgroundMusic();
        EXPECT_EQ(loopPool("Office.wav"), nullptr);
        EXPECT_EQ(sound::g_curr_background_music, "");
    }
    // Gone with its handlers: the events reach no stale object.
    evt::publish("setSound", true);
    evt::publish("flingoPlaySound", "Office.wav");
    EXPECT_EQ(sound::g_curr_background_music, "");
}
