// SPDX-License-Identifier: MIT
#include "online/location.h"

#include <cmath>
#include <cstdlib>

namespace location {

bool parse(const std::string& text, double& lat, double& lng) {
    const char* s = text.c_str();
    char* end = nullptr;
    const double a = std::strtod(s, &end);
    if (end == s) return false;
    while (*end == ' ')
        ++end;
    if (*end != ',') return false;
    s = end + 1;
    const double b = std::strtod(s, &end);
    if (end == s) return false;
    while (*end == ' ')
        ++end;
    if (*end || !std::isfinite(a) || !std::isfinite(b)) return false;
    lat = a;
    lng = b;
    return true;
}

bool isFresh(double fix_time, double now) {
    // Whole seconds between the fix and now, the fraction cut off.
    return std::fabs(std::trunc(fix_time - now)) < 5.0;
}

void Manager::poll(double now) {
    if (!m_updating || m_source.empty() || !m_delegate) return;
    Fix f;
    if (!parse(m_source, f.latitude, f.longitude)) {
        m_delegate->didFailWithError("cannot read the position \"" + m_source +
                                     "\" (expected LAT,LNG in degrees)");
        return;
    }
    f.timestamp = now;
    m_fix = f;
    m_has_fix = true;
    m_delegate->didUpdateToLocation(f);
}

bool Manager::location(Fix& out) const {
    if (m_has_fix) out = m_fix;
    return m_has_fix;
}

} // namespace location
