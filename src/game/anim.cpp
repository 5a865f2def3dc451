// SPDX-License-Identifier: MIT
#include "game/anim.h"

#include <algorithm>

Vector3<float> Anim::get(float dt) {
    time += dt;
    float u = time / duration;
    if (u > 1) u = 1;
    const int i = std::min(static_cast<int>(u * static_cast<float>(count - 1)), count - 2);
    const float u0 = static_cast<float>(i) / static_cast<float>(count - 1);
    const float u1 = static_cast<float>(i + 1) / static_cast<float>(count - 1);
    const float f = (u - u0) / (u1 - u0);
    const Vector3<float>& a = keys[i];
    const Vector3<float>& b = keys[i + 1];
    return {a.x + f * (b.x - a.x), a.y + f * (b.y - a.y), a.z + f * (b.z - a.z)};
}
