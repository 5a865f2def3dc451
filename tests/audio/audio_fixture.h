// Each audio test gets its own folder and a mixer on SDL's disk driver writing into it as fast as
// it can mix.
#pragma once

#include "audio/mixer.h"
#include "audio/sound.h"
#include "audio/sound_effect.h"
#include "audio_support.h"
#include "core/file.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

class DiskAudioTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = testaudio::makeTempDir();
        ASSERT_FALSE(dir.empty());
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", (dir + "/out.raw").c_str(), 1);
        setenv("SDL_DISKAUDIODELAY", "0", 1);
        sound::SoundMgr::init();
        ASSERT_TRUE(mixer::open());
        ASSERT_STREQ(mixer::driverName(), "disk");
        file::file_mgr->addPath(dir);
        sound::sound_enabled = true;
        out = std::make_unique<testaudio::DiskOutput>(dir + "/out.raw");
    }
    void TearDown() override {
        sound::closeAudio();
        testaudio::removeTree(dir);
    }

    std::string path(const std::string& name) const { return dir + "/" + name; }
    // The pool stored for a file of this test's folder, or null.
    sound::SoundEffect* pool(const std::string& name, bool loops) const {
        auto it = sound::g_sounds.find(path(name) + (loops ? "_LOOPS" : "_DOESNT_LOOP"));
        return it == sound::g_sounds.end() ? nullptr : it->second;
    }
    static bool anyPlaying(const sound::SoundEffect* p) {
        for (int player : p->players())
            if (p->isPlaying(player)) return true;
        return false;
    }

    std::string dir;
    std::unique_ptr<testaudio::DiskOutput> out;
};
