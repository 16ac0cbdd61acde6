// SPDX-License-Identifier: MIT
#include "math/View.h"

int32_t ViewportWidth = 0;
int32_t ViewportHeight = 0;

Frustum FrustumParams;

Vector3D CameraEye;
Vector3D CameraDirection;
Vector3D CameraUp;

Vector3D LightDirection;
