// SPDX-License-Identifier: MIT
// A keyframe curve: linear interpolation between equally spaced keys over a fixed duration.
// The ball's short landing and hop animations are played with it.
#pragma once

#include "core/vector.h"

struct Anim {
    const Vector3<float>* keys; // not owned, at least 2 entries
    int count;
    float duration; // seconds for the whole curve
    float time;     // seconds played

    Anim() = default;
    Anim(const Vector3<float>* k, int n, float d) : keys(k), count(n), duration(d), time(0) {}

    // Advances by dt and returns the point reached; the last key once time >= duration.
    Vector3<float> get(float dt);
};
