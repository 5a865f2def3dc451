// SPDX-License-Identifier: MIT
#include "audio/session.h"
#include "support/disk_audio.h"

#include <tuple>

// Pools go by file and loop mode; a file that does not decode still gets its pool, with one
// silent slot, and is named once; an unknown name makes none.
TEST_F(DiskAudioTest, EffectsDecodeWhenAskedForWhileSoundIsOnInPoolsByFileAndLoopMode) {
    writeMarkerWav("In.wav", 3000, 200);
    testrun::writeFile(path("Bad.wav"), "RIFF but nothing a decoder wants");
    evt::publish("preloadSound", "In.wav"); // sound off: nothing will play it
    EXPECT_TRUE(sound::g_sounds.empty()) << "nothing is decoded at launch, nor with sound off";
    evt::publish("setSound", true);
    evt::publish("preloadSound", "In.wav");
    ASSERT_NE(pool("In.wav", false), nullptr);
    EXPECT_EQ(std::pair(pool("In.wav", false)->players().size(), sound::decodedBytes()),
              std::pair(size_t(1), size_t(3000 * 4)));
    // Off by the manager's switch an effect goes nowhere; a prepared one does not sound by itself.
    evt::publish("disableSound");
    evt::publish("flingoPlaySound", "In.wav");
    EXPECT_FALSE(soundFrom(0, LAG + 8192));
    evt::publish("enableSound");
    const int64_t on = written();
    for (const char* name : {"Bad.wav", "In.wav", "Nowhere.wav", "Bad.wav"})
        evt::publish("flingoPlaySound", name);
    for (const char* e : {"playSound", "prepareSound", "playSoundLoop", "releaseSound"})
        evt::publish(e, "Nowhere.wav");
    evt::publish("playSound", static_cast<const char*>(nullptr));
    ASSERT_EQ(sound::g_sounds.size(), 2u) << "In.wav's prepared pool and Bad.wav's, no other";
    const auto first = soundFrom(on, 8192);
    EXPECT_TRUE(first && first->id() == 200 && first->position() == 0);
    EXPECT_EQ(pool("Bad.wav", false)->players(), std::vector<int>{-1}) << "one silent slot";
    ASSERT_EQ(log.size(), 1u);
    EXPECT_NE(log[0].find(path("Bad.wav")), std::string::npos) << log[0];
    sound::SoundEffect *once = pool("In.wav", false), *loop = sound::getSoundEffect("In.wav", true);
    EXPECT_TRUE(loop && loop != once && loop->loops() && !once->loops());
    EXPECT_EQ(sound::getSoundEffect(path("In.wav"), false), once) << "same file by full path";
    evt::publish("releaseSound", "In.wav");
    EXPECT_EQ(std::pair(pool("In.wav", false), pool("In.wav", true)),
              std::pair(static_cast<sound::SoundEffect*>(nullptr), loop));
}

TEST_F(DiskAudioTest, BackgroundTrackLoopsSwitchesAndFollowsTheSoundSwitch) {
    const int a_len = 11025, b_len = 8000;
    writeMarkerWav("Office.wav", a_len, 100);
    writeMarkerWav("Airport.wav", b_len, 200);
    // While sound is off the track is only remembered, and not by the publisher's buffer.
    std::string name = "Office.wav";
    evt::publish("setBackgroundSound", name.c_str());
    EXPECT_FALSE(soundFrom(0, LAG + 8192));
    name = "Overwritten";
    evt::publish("setSound", true);
    ASSERT_NE(pool("Office.wav", true), nullptr);
    EXPECT_EQ(sound::decodedBytes(), 0u) << "a track streams, it is not decoded whole";
    ASSERT_TRUE(waitMore(a_len + LAG));
    // Asked again for the current track, by name or by a resume: it plays on, not restarted.
    evt::publish("setBackgroundSound", std::string("Office.wav").c_str());
    evt::publish("resumeSound");
    ASSERT_TRUE(waitMore(2 * a_len));
    evt::publish("setBackgroundSound", "Airport.wav");
    EXPECT_EQ(pool("Office.wav", true), nullptr) << "the old loop is released";
    ASSERT_TRUE(waitMore(3 * b_len));
    // The first from its first frame, seamless round its end; after at most some silence the
    // second likewise; never both at once, never the first again.
    const std::vector<Frame> frames = read(0);
    size_t i = 0;
    for (auto [id, len, rounds] : {std::tuple{100, a_len, 3}, std::tuple{200, b_len, 2}}) {
        while (i < frames.size() && frames[i].silent())
            ++i;
        int k = 0;
        for (; i < frames.size() && !frames[i].silent() && frames[i].id() == id; ++i, ++k)
            ASSERT_EQ(frames[i].position(), k % len) << "track " << id << " at output frame " << i;
        EXPECT_GE(k, rounds * len) << "track " << id << " should loop";
    }
    EXPECT_EQ(i, frames.size()) << "something else sounded at output frame " << i;
    // A pause silences the track; resumed, it starts again from its beginning.
    evt::publish("pauseSound");
    EXPECT_TRUE(silentFor(8192));
    const int64_t resumed = written();
    evt::publish("resumeSound");
    const auto first = soundFrom(resumed, 8192);
    EXPECT_TRUE(first && first->id() == 200 && first->position() == 0);
    // Sound off releases the track, resuming while off does nothing, on again brings it back.
    for (bool on : {false, true}) {
        evt::publish("setSound", on);
        evt::publish("resumeSound");
        ASSERT_EQ(pool("Airport.wav", true) != nullptr, on);
    }
    app->releaseBackgroundMusic(); // at the end of the run
    EXPECT_EQ(pool("Airport.wav", true), nullptr);
    // No track at all, asked for while sound is off: none is started when it comes on.
    evt::publish("setSound", false);
    evt::publish("setBackgroundSound", static_cast<const char*>(nullptr));
    int starts = 0;
    evt::AutoSubscriber count(
        "playBackgroundMusic",
        evt::Callback([](void* n, void*) { ++*static_cast<int*>(n); }, &starts));
    evt::publish("setSound", true);
    EXPECT_EQ(std::pair(starts, sound::g_curr_background_music), std::pair(0, std::string()));
    // The handlers leave with their object: later events reach nothing stale.
    app.reset();
    evt::publish("setBackgroundSound", "Office.wav");
    EXPECT_EQ(sound::g_curr_background_music, "");
}

// Focus lost with a loop sounding: the session holds it still until the focus is back.
TEST_F(DiskAudioTest, FocusLossHoldsTheSoundingEffectsUntilItIsBack) {
    app.reset(); // the session brings its own
    sound::startSession();
    writeMarkerWav("In.wav", 3000, 200);
    evt::publish("setSound", true);
    evt::publish("playSoundLoop", "In.wav");
    ASSERT_TRUE(soundFrom(0, LAG + 8192));
    evt::publish("onSleep");
    EXPECT_TRUE(silentFor(8192));
    evt::publish("onWake");
    EXPECT_TRUE(soundFrom(written(), LAG + 8192));
    sound::endSession();
}
