// SPDX-License-Identifier: MIT
// A scored throw heard: the game runs with SDL's disk audio driver, and the landing sound the
// trace names must be found in the samples the mixer wrote.
#include "e2e.h"

#include <SDL.h>
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <set>

namespace {

// The first channel of a 16-bit sound file, read by SDL.
std::vector<int16_t> wavSamples(const std::string& path) {
    SDL_AudioSpec spec;
    Uint8* buf = nullptr;
    Uint32 len = 0;
    if (!SDL_LoadWAV(path.c_str(), &spec, &buf, &len)) return {};
    std::vector<int16_t> out;
    for (Uint32 at = 0; at + 2 <= len; at += 2 * spec.channels)
        out.push_back(int16_t(buf[at] | buf[at + 1] << 8));
    SDL_FreeWAV(buf);
    return out;
}

// The best normalised correlation of the loudest 1024 samples of `sound` anywhere in the left
// channel of `mix` (interleaved stereo).
double bestMatch(const std::vector<int16_t>& sound, const std::vector<int16_t>& mix) {
    const size_t n = 1024;
    if (sound.size() < n || mix.size() / 2 < n) return 0;
    size_t start = 0;
    double loudest = -1;
    for (size_t s = 0; s + n <= sound.size(); s += 256) {
        double e = 0;
        for (size_t k = 0; k < n; ++k)
            e += double(sound[s + k]) * sound[s + k];
        if (e > loudest) loudest = e, start = s;
    }
    double best = 0;
    for (size_t off = 0; off + n <= mix.size() / 2; ++off) {
        double dot = 0, e = 0;
        for (size_t k = 0; k < n; ++k) {
            const double m = mix[2 * (off + k)];
            dot += m * sound[start + k];
            e += m * m;
        }
        if (e > 0) best = std::max(best, dot / std::sqrt(e * loudest));
    }
    return best;
}

TEST(GameSound, AScoredThrowPutsItsLandingSoundIntoTheOutput) {
    const std::string dir = testrun::tempDir();
    const Vector3<float> button = e2e::level(0).menuButtonPos;
    const std::string script = testrun::tap(130, button.x, button.y) +
                               "170 down 160 448\n171 move 200 380\n171 up 200 380\n";
    testrun::ScriptedRun r = testrun::runScripted(
        {FLINGO_EXE, "--headless", "--seed", "7", "--no-ads", "--data-dir", dir + "/data"}, script,
        {"--frames", "900"}, {"SDL_AUDIODRIVER=disk", "SDL_DISKAUDIOFILE=" + dir + "/out.raw"});
    EXPECT_TRUE(testrun::events(r.trace, "getMainView").empty()) << "a banner view without ads";

    std::string landing;
    for (const testrun::TraceLine& t : testrun::events(r.trace, "flingoPlaySound"))
        if (t.frame > 171 && (t.payload == "\"In.wav\"" || t.payload == "\"RimIn.wav\"" ||
                              t.payload == "\"BounceIn.wav\""))
            landing = t.payload.substr(1, t.payload.size() - 2);
    ASSERT_FALSE(landing.empty()) << "the throw did not score";
    // Every effect played was asked for when its screen opened, for the loader to decode ahead.
    std::set<std::string> asked;
    for (const testrun::TraceLine& t : r.trace) {
        if (t.event == "prepareSound") asked.insert(t.payload);
        EXPECT_TRUE(t.event != "playSound" || asked.count(t.payload)) << t.payload << t.frame;
    }

    const std::string raw = testrun::readFile(dir + "/out.raw");
    std::vector<int16_t> mix(raw.size() / 2);
    std::memcpy(mix.data(), raw.data(), mix.size() * 2);
    const std::string sounds = e2e::resources + "/sounds/";
    EXPECT_GT(bestMatch(wavSamples(sounds + landing), mix), 0.9) << landing << " not heard";
    // A sound that was not played is not found: the match tells sounds apart.
    EXPECT_LT(bestMatch(wavSamples(sounds + "Aww.wav"), mix), 0.6);
}

} // namespace
