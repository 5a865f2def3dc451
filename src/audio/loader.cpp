// SPDX-License-Identifier: MIT
#include "audio/loader.h"

#include "audio/mixer.h"

#include <SDL.h>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace loader {

struct Job {
    std::string path;
    Mix_Chunk* chunk = nullptr;
    std::string error;
    bool done = false;
};

namespace {

std::mutex g_lock;
std::condition_variable g_wake; // the thread: a job or the stop; the waiters: a job done
std::deque<std::shared_ptr<Job>> g_queue;
std::thread g_thread;
bool g_stopping = false;

void run() {
    std::unique_lock<std::mutex> lock(g_lock);
    for (;;) {
        g_wake.wait(lock, [] { return g_stopping || !g_queue.empty(); });
        if (g_queue.empty()) return;
        std::shared_ptr<Job> job = g_queue.front();
        g_queue.pop_front();
        lock.unlock();
        Mix_Chunk* chunk = mixer::loadChunk(job->path);
        const std::string error = chunk ? "" : SDL_GetError(); // the error text is per thread
        lock.lock();
        job->chunk = chunk;
        job->error = error;
        job->done = true;
        g_wake.notify_all();
    }
}

} // namespace

std::shared_ptr<Job> decode(const std::string& path) {
    auto job = std::make_shared<Job>();
    job->path = path;
    std::lock_guard<std::mutex> hold(g_lock);
    if (!g_thread.joinable()) {
        g_stopping = false;
        g_thread = std::thread(&run);
    }
    g_queue.push_back(job);
    g_wake.notify_all();
    return job;
}

bool ready(const Job& job) {
    std::lock_guard<std::mutex> hold(g_lock);
    return job.done;
}

Mix_Chunk* take(Job& job, std::string& why) {
    std::unique_lock<std::mutex> lock(g_lock);
    g_wake.wait(lock, [&] { return job.done; });
    Mix_Chunk* chunk = job.chunk;
    job.chunk = nullptr;
    why = job.error;
    return chunk;
}

void stop() {
    {
        std::lock_guard<std::mutex> hold(g_lock);
        if (!g_thread.joinable()) return;
        g_stopping = true;
        g_wake.notify_all();
    }
    g_thread.join();
}

} // namespace loader
