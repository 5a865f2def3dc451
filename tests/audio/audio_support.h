// Helpers for the audio tests: sound files made on the spot, the disk audio driver's output read
// back as frames, and waits bounded in time.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace testaudio {

// A 16-bit PCM WAV file of interleaved samples.
void writeWav(const std::string& path, int rate, int channels, const std::vector<int16_t>& samples);

// A stereo 44.1 kHz WAV whose every frame says where it comes from: with i the frame's position,
// the left sample is i % MARKER_BLOCK + 1 and the right sample is id + i / MARKER_BLOCK. Played
// alone and unchanged by the mixer (same format as the device, full volume), the output tells
// which file sounded and where.
constexpr int MARKER_BLOCK = 30000;
void writeMarkerWav(const std::string& path, int frames, int16_t id);

// Runs a shell command (sox); true when it exits 0.
bool run(const std::string& command);

// A fresh folder under the temporary folder, removed by removeTree.
std::string makeTempDir();
void removeTree(const std::string& dir);

// Frames that were mixed before something happened but reach the file only after it: the disk
// driver writes through a stdio buffer (2048 frames) and the mixer may be a buffer ahead.
constexpr int64_t LAG = 4096;

struct Frame {
    int16_t left, right;
    bool silent() const { return left == 0 && right == 0; }
    // The file id of a marker frame of a file with fewer than MARKER_BLOCK * 100 frames whose id
    // is a multiple of 100, and the frame's position in it.
    int id() const { return right / 100 * 100; }
    int position() const { return (right % 100) * MARKER_BLOCK + left - 1; }
};

// The disk driver's output file: stereo 16-bit frames, written as they are mixed.
class DiskOutput {
  public:
    explicit DiskOutput(std::string path) : m_path(std::move(path)) {}
    // Frames written so far.
    int64_t framesWritten() const;
    // All frames from `from` to the end.
    std::vector<Frame> read(int64_t from = 0) const;
    // Waits until at least `count` more frames than now are written; false on time-out.
    bool waitMoreFrames(int64_t count, double timeout_s = 10.0) const;

  private:
    std::string m_path;
};

// Polls `done` until it is true or the time-out passes.
bool waitFor(const std::function<bool()>& done, double timeout_s = 10.0);

// Index of the first frame from `from` whose left or right sample is not zero, or -1.
int64_t firstSounding(const std::vector<Frame>& frames, int64_t from = 0);

} // namespace testaudio
