// The game's own sounds, from the built resource folder, through the start-up path.
#include "audio/app_sound.h"
#include "audio_fixture.h"

#include "core/evt.h"
#include "core/platform.h"

#include <filesystem>

namespace fs = std::filesystem;

TEST_F(DiskAudioTest, EveryGameSoundDecodesAndAnEffectSounds) {
    const char* res = getenv("FLINGO_RESOURCE_DIR");
    if (!res || !fs::is_directory(fs::path(res) / "sounds"))
        GTEST_SKIP() << "no built resource folder";
    platform::setBasePath(res);
    const std::string sounds = (fs::path(platform::getBasePath()) / "sounds").string();
    {
        sound::AppSound app;
        app.setupAudio();
        int effects = 0;
        for (const auto& e : fs::directory_iterator(sounds)) {
            const std::string file = sounds + "/" + e.path().filename().string();
            if (e.path().extension() == ".wav") {
                ++effects;
                auto it = sound::g_sounds.find(file + "_DOESNT_LOOP");
                ASSERT_NE(it, sound::g_sounds.end()) << file << " was not prepared";
                EXPECT_GT(it->second->decodedBytes(), 0u) << file << " does not decode";
            } else if (e.path().extension() == ".mp3") {
                sound::SoundEffect* track = sound::getSoundEffect(file, true);
                ASSERT_NE(track, nullptr);
                track->prepare();
                EXPECT_GT(track->decodedBytes(), 44100u * 4) << file << " does not decode";
            }
        }
        EXPECT_GT(effects, 0);

        evt::publish("setSound", true);
        const int64_t before = out->framesWritten();
        evt::publish("flingoPlaySound", "In.wav");
        ASSERT_TRUE(out->waitMoreFrames(44100));
        EXPECT_GE(testaudio::firstSounding(out->read(before)), 0);
    }
    platform::setBasePath(nullptr);
}
