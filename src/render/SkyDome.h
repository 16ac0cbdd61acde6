// SPDX-License-Identifier: MIT
// The fixed scenery: a textured sphere around the camera for the sky, recorded once into a
// display list, and one flat textured square for the ground. Both are opaque: their texels
// are drawn whatever their alpha (the alpha test is off while they are drawn, and back as it
// was afterwards). A sky as large as the far plane covers every pixel of the view.
#pragma once

#include <cstdint>

#include "math/Vector.h"

class SkyDome {
public:
    // Records the sphere (sectors and bands raised to at least 3) into a display list whose
    // name comes from rand. Needs the GL context.
    SkyDome(float radius, int sectors, int bands, int texture);
    // Deletes the list if it still exists.
    ~SkyDome();

    SkyDome(const SkyDome&) = delete;
    SkyDome& operator=(const SkyDome&) = delete;

    // Replays the sphere centred on position; the current matrix is unchanged afterwards.
    // Leaves culling and depth writes on and 2D texturing off.
    void Draw(const Vector3D& position);

    int32_t sectors;  // longitude sectors around y
    int32_t bands;  // latitude bands in each hemisphere
    uint32_t listName;  // the display list holding the sphere
    float radius;
};

// The next number from `next` that is not 0 (0 names no display list). The sky draws its list
// name with PickListName(rand).
uint32_t PickListName(int (*next)());

// One textured quad: corners a, (a.x, b.y, b.z), b, (b.x, a.y, a.z) with texture corners
// (1, 0), (0, 0), (0, 1), (1, 1).
void DrawGround(const Vector3D& a, const Vector3D& b, int texture);
