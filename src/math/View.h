// SPDX-License-Identifier: MIT
// The global view state shared by rendering, the camera follow and sound panning: viewport
// size, perspective frustum, camera and light direction. Plain data, zero until the GL
// context is created; the render code applies it.
#pragma once

#include <cstdint>

#include "math/Vector.h"

struct Frustum {
    float left = 0.0f;
    float right = 0.0f;
    float bottom = 0.0f;
    float top = 0.0f;
    float near = 0.0f;
    float far = 0.0f;
};

extern int32_t ViewportWidth;
extern int32_t ViewportHeight;

extern Frustum FrustumParams;

// The camera looks from CameraEye toward CameraEye + CameraDirection (not necessarily unit).
extern Vector3D CameraEye;
extern Vector3D CameraDirection;
extern Vector3D CameraUp;

// World-space direction toward which lit normals point.
extern Vector3D LightDirection;
