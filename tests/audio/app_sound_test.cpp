#include "audio_support.h"

TEST_F(DiskAudioTest, SetupPreparesEveryWavEffectWhichSoundsOnlyWhileSoundIsOnAndEnabled) {
    testaudio::writeMarkerWav(path("Crumple.wav"), 3000, 100);
    testaudio::writeMarkerWav(path("In.wav"), 3000, 200);
    testaudio::writeMarkerWav(path("Track.mp3"), 3000, 300); // not an effect: not prepared
    std::ofstream(path("notes.txt")) << "not a sound";
    const size_t pools = sound::g_sounds.size();
    app->setupAudio();
    EXPECT_EQ(sound::g_sounds.size(), pools + 2);
    for (const char* name : {"Crumple.wav", "In.wav"}) {
        ASSERT_NE(pool(name, false), nullptr) << name;
        ASSERT_EQ(pool(name, false)->players().size(), 1u) << name << " should have a player ready";
        EXPECT_FALSE(pool(name, false)->isPlaying(pool(name, false)->players()[0])) << name;
    }

    // Off by the player's switch, then by the manager's: an effect goes nowhere.
    evt::publish("flingoPlaySound", "In.wav");
    evt::publish("setSound", true);
    evt::publish("disableSound");
    evt::publish("flingoPlaySound", "In.wav");
    EXPECT_FALSE(soundFrom(0, LAG + 8192));
    evt::publish("enableSound");
    const int64_t on = written();
    evt::publish("flingoPlaySound", "In.wav");
    EXPECT_EQ(sound::g_sounds.size(), pools + 2) << "the play should find the prepared pool";
    const auto first = soundFrom(on, 8192);
    ASSERT_TRUE(first);
    EXPECT_TRUE(first->id() == 200 && first->position() == 0);
}

TEST_F(DiskAudioTest, BackgroundTrackFollowsTheSoundSwitch) {
    testaudio::writeMarkerWav(path("Office.wav"), 20000, 100);
    testaudio::writeMarkerWav(path("Airport.wav"), 20000, 200);
    // While sound is off the track is only remembered, and not by the publisher's buffer.
    std::string name = "Office.wav";
    evt::publish("setBackgroundSound", name.c_str());
    EXPECT_FALSE(soundFrom(0, LAG + 8192));
    name = "Overwritten";
    const int64_t on = written();
    evt::publish("setSound", true);
    const auto first = soundFrom(on, 8192);
    ASSERT_TRUE(first);
    EXPECT_TRUE(first->id() == 100 && first->position() == 0) << "from the track's beginning";
    evt::publish("setBackgroundSound", "Airport.wav");
    EXPECT_NE(pool("Airport.wav", true), nullptr);

    // Sound off releases the track, resuming while off does nothing, on again brings it back.
    for (bool on_again : {false, true}) {
        evt::publish("setSound", on_again);
        evt::publish("resumeSound");
        EXPECT_EQ(pool("Airport.wav", true) != nullptr, on_again);
    }
    app->releaseBackgroundMusic(); // at the end of the run
    EXPECT_EQ(pool("Airport.wav", true), nullptr);
    evt::publish("setBackgroundSound", static_cast<const char*>(nullptr)); // no track at all
    evt::publish("setSound", true);
    EXPECT_EQ(sound::g_curr_background_music, "");
    // The handlers leave with their object: later events reach nothing stale.
    app.reset();
    evt::publish("setBackgroundSound", "Office.wav");
    EXPECT_EQ(sound::g_curr_background_music, "");
}

TEST_F(DiskAudioTest, PauseThenResumeRestartsTheTrackFromItsBeginning) {
    testaudio::writeMarkerWav(path("Basement.wav"), 44100 * 10, 100);
    evt::publish("setSound", true);
    evt::publish("setBackgroundSound", "Basement.wav");
    ASSERT_TRUE(testaudio::waitFor([&] { // well into the track
        const auto tail = read(std::max<int64_t>(0, written() - 1));
        return !tail.empty() && tail[0].id() == 100 && tail[0].position() > 5000;
    }));
    evt::publish("pauseSound");
    EXPECT_TRUE(silentFor(8192));
    const int64_t resumed = written();
    evt::publish("resumeSound");
    const auto first = soundFrom(resumed, 8192);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->position(), 0);
}
