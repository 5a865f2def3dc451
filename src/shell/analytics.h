// SPDX-License-Identifier: MIT
// The analytics interface. The base class does nothing, which is a valid back end; the log back
// end writes each event as a JSON line (for --analytics-log).
#pragma once

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace shell {

using AnalyticsParams = std::vector<std::pair<std::string, std::string>>;

class AnalyticsAPI {
  public:
    virtual ~AnalyticsAPI() = default;
    // Starts a session with the service key; the object itself, or null when there is no service.
    virtual AnalyticsAPI* initializeWithId(const char*) { return nullptr; }
    virtual void logEvent(const char*) {}
    virtual void logEvent(const char*, const AnalyticsParams&) {}
    virtual void logError(const char*, const char*, const char*) {}
    virtual void shutdown() {}
};

class LogAnalytics : public AnalyticsAPI {
  public:
    explicit LogAnalytics(std::string path) : path(std::move(path)) {}
    ~LogAnalytics() override;
    AnalyticsAPI* initializeWithId(const char* key) override;
    void logEvent(const char* name) override;
    void logEvent(const char* name, const AnalyticsParams& params) override;
    // The only errors reported are uncaught exceptions: "Uncaught", "Crash!".
    void logError(const char* name, const char* message, const char* exception) override;
    void shutdown() override;

  private:
    void write(const std::string& line);
    std::string path;
    FILE* file = nullptr;
};

// The object the uncaught-exception handler reports to (null until the application sets it).
extern AnalyticsAPI* analytics_api;
// Installs the handler that reports an uncaught exception ("Uncaught", "Crash!") to
// analytics_api before the process ends.
void installUncaughtExceptionHandler();

// The device's identifier: a random UUID made on the first run and kept in the data folder.
std::string deviceId();

} // namespace shell
