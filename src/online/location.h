// SPDX-License-Identifier: MIT
// The position source for score submissions. A fixed position comes from the command line
// (--location LAT,LNG) or the environment (FLINGO_LOCATION); without one there is no position
// and a submission goes out with 0, 0. Updates are delivered from poll(), on the main loop.
#pragma once

#include <string>

namespace location {

struct Fix {
    double latitude = 0;
    double longitude = 0;
    double timestamp = 0; // seconds on the caller's clock
};

class Delegate {
  public:
    virtual ~Delegate() = default;
    virtual void didUpdateToLocation(const Fix& fix) = 0;
    virtual void didFailWithError(const std::string& error) = 0;
};

// Reads "LAT,LNG" (degrees, optional spaces). False for anything else.
bool parse(const std::string& text, double& lat, double& lng);

// Whether a fix is recent enough to stop waiting: the time between it and now, cut to whole
// seconds, is less than 5 in either direction. Older cached fixes are ignored.
bool isFresh(double fix_time, double now);

class Manager {
  public:
    // The source: "LAT,LNG", or "" for none.
    void setSource(const std::string& source) { m_source = source; }
    void setDelegate(Delegate* d) { m_delegate = d; }
    void startUpdatingLocation() { m_updating = true; }
    void stopUpdatingLocation() { m_updating = false; }
    bool updating() const { return m_updating; }
    // While updating: the fixed position is delivered as a fresh fix, a source that cannot be
    // read as an error (which the delegate answers by stopping the updates).
    void poll(double now);
    // The last position delivered; false when there has never been one.
    bool location(Fix& out) const;

  private:
    std::string m_source;
    Delegate* m_delegate = nullptr;
    bool m_updating = false;
    bool m_has_fix = false;
    Fix m_fix;
};

} // namespace location
