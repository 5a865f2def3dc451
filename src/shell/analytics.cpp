// SPDX-License-Identifier: MIT
#include "shell/analytics.h"

#include "core/platform.h"
#include "shell/trace.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <exception>
#include <fstream>

namespace shell {

AnalyticsAPI* analytics_api = nullptr;

LogAnalytics::~LogAnalytics() {
    if (file) fclose(file);
}

AnalyticsAPI* LogAnalytics::initializeWithId(const char*) {
    file = fopen(path.c_str(), "a");
    if (!file)
        platform::log("cannot write the analytics log %s: %s", path.c_str(), strerror(errno));
    return this;
}

void LogAnalytics::write(const std::string& line) {
    if (!file) return;
    fputs(line.c_str(), file);
    fputc('\n', file);
    fflush(file); // a crash report must reach the file before the process dies
}

void LogAnalytics::logEvent(const char* name) {
    logEvent(name, {});
}

void LogAnalytics::logEvent(const char* name, const AnalyticsParams& params) {
    std::string line = "{\"event\":";
    appendJsonString(line, name);
    if (!params.empty()) {
        line += ",\"parameters\":{";
        for (size_t i = 0; i < params.size(); ++i) {
            if (i) line += ',';
            appendJsonString(line, params[i].first);
            line += ':';
            appendJsonString(line, params[i].second);
        }
        line += '}';
    }
    line += '}';
    write(line);
}

void LogAnalytics::logError(const char* name, const char* message, const char* exception) {
    std::string line = "{\"error\":";
    appendJsonString(line, name);
    line += ",\"message\":";
    appendJsonString(line, message);
    line += ",\"exception\":";
    appendJsonString(line, exception ? exception : "");
    line += '}';
    write(line);
}

void LogAnalytics::shutdown() {
    if (file) fflush(file);
}

namespace {
std::terminate_handler previous_handler = nullptr;

void uncaughtExceptionHandler() {
    std::string what = "unknown";
    if (std::exception_ptr e = std::current_exception()) {
        try {
            std::rethrow_exception(e);
        } catch (const std::exception& ex) {
            what = ex.what();
        } catch (...) {
        }
    }
    if (analytics_api) analytics_api->logError("Uncaught", "Crash!", what.c_str());
    if (previous_handler) previous_handler();
    std::abort();
}

bool isUuid(const std::string& s) {
    if (s.size() != 36) return false;
    for (size_t i = 0; i < s.size(); ++i) {
        const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
        if (dash ? s[i] != '-' : !isxdigit(static_cast<unsigned char>(s[i]))) return false;
    }
    return true;
}
} // namespace

void installUncaughtExceptionHandler() {
    previous_handler = std::set_terminate(&uncaughtExceptionHandler);
}

std::string deviceId() {
    const std::string path = std::string(platform::getDataPath()) + "device_id";
    {
        std::ifstream in(path);
        std::string id;
        if (in && std::getline(in, id) && isUuid(id)) return id;
    }
    // A version 4 UUID from the system's random source; the game's own random numbers are left
    // alone so that seeded runs stay reproducible.
    unsigned char b[16] = {};
    std::ifstream rnd("/dev/urandom", std::ios::binary);
    rnd.read(reinterpret_cast<char*>(b), sizeof b);
    b[6] = static_cast<unsigned char>((b[6] & 0x0f) | 0x40);
    b[8] = static_cast<unsigned char>((b[8] & 0x3f) | 0x80);
    char id[37];
    snprintf(id, sizeof id, "%02x%02x%02x%02x-%02x%02x-%02x%02x-%02x%02x-%02x%02x%02x%02x%02x%02x",
             b[0], b[1], b[2], b[3], b[4], b[5], b[6], b[7], b[8], b[9], b[10], b[11], b[12], b[13],
             b[14], b[15]);
    std::ofstream out(path, std::ios::trunc);
    out << id << '\n';
    if (!out) platform::log("cannot keep the device id in %s", path.c_str());
    return id;
}

} // namespace shell
