// SPDX-License-Identifier: MIT
// Decoding of sound effects on a loader thread, so that a level's sounds are ready by its first
// throw without the frame loop waiting on the disk or the decoder.
#pragma once

#include <memory>
#include <string>

struct Mix_Chunk;

namespace loader {

struct Job;

// Queues the decoding of a file (the mixer must be open). The thread starts with the first job.
std::shared_ptr<Job> decode(const std::string& path);
// Whether the job has finished (without waiting).
bool ready(const Job& job);
// Waits for the job and hands over its chunk, null when the file did not decode; then `why`
// says why. A job is taken once.
Mix_Chunk* take(Job& job, std::string& why);
// Finishes the queued jobs and ends the thread (before the mixer closes).
void stop();

} // namespace loader
