// SPDX-License-Identifier: MIT
// Flat textured quads in the 3D scene: a square that always faces the camera, a vertical quad
// turned about y by a given angle, and a vertical quad turned about y toward the camera.
// Each draws nothing for an unregistered texture, keeps the model-view matrix, and uses the
// current colour and blend state.
#pragma once

#include "math/Vector.h"

// The whole texture, width x height x scale units, centred on position and facing CameraEye.
void DrawBillboard(int texture, const Vector3D& position, float scale);
// Stands on position, turned by angle degrees about y; honours the image source rectangle.
void DrawUprightQuad(int texture, const Vector3D& position, float scale, float angle);
// DrawUprightQuad turned about y to face the camera.
void DrawUprightBillboard(int texture, const Vector3D& position, float scale);
