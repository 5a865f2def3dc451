// SPDX-License-Identifier: MIT
// Plain vector value types. Records across the game embed these by value, so the layout is fixed:
// the components in order and nothing else.
#pragma once

template <typename T> struct Vector2 {
    T x, y;
};

template <typename T> struct Vector3 {
    T x, y, z;
};

template <typename T> struct Vector4 {
    T x, y, z, w;
};

static_assert(sizeof(Vector2<float>) == 2 * sizeof(float));
static_assert(sizeof(Vector3<float>) == 3 * sizeof(float));
static_assert(sizeof(Vector4<float>) == 4 * sizeof(float));
