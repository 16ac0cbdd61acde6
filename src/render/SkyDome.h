// SPDX-License-Identifier: MIT
// The fixed scenery: a textured sphere around the camera for the sky, recorded once into a
// display list, and one flat textured square for the ground. Both are opaque: their texels
// are drawn whatever their alpha (the alpha test is off while they are drawn, and back as it
// was afterwards). A sky as large as the far plane covers every pixel of the view.
//
// The background of a frame is the sky with the ground over it. Drawn in that order every
// pixel of the ground is shaded twice, once as sky. DrawSkyAndGround draws the ground first
// and then the sky only where the ground left the picture empty: the sky is pushed to the far
// plane (depth range 1) and tested less-or-equal against the cleared depth, which only the
// ground has lowered. The picture is the same as long as no ground pixel lies so near the far
// plane that its depth rounds to the cleared value; where the ground might, the sky goes first.
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

    // Replays the sphere centred on position, over everything (no depth test); the current
    // matrix is unchanged afterwards. Leaves culling, depth test and depth writes on and 2D
    // texturing off.
    void Draw(const Vector3D& position);
    // The same, but at the far plane and only where the depth buffer still holds its cleared
    // value: behind whatever was drawn before. Leaves the depth function less and the depth
    // range 0 to 1.
    void DrawBehind(const Vector3D& position);

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

// The background seen from eye with the current view: the sky (when there is one) and the
// ground square from a to b, the ground first when that gives the same picture (see above).
void DrawSkyAndGround(SkyDome* sky, const Vector3D& eye, const Vector3D& a, const Vector3D& b,
                      int groundTexture);
// The ground square DrawSkyAndGround drew into the depth buffer since it was last cleared
// (in this context), with its corners; false when there is none.
bool GroundInDepth(Vector3D* a, Vector3D* b);
// True when every point of the ground square lies so far inside the far plane of
// FrustumParams, seen from eye, that its depth stays below the cleared value in a depth
// buffer of depthBits bits: then the ground may go before the sky.
bool GroundBeforeSky(const Vector3D& eye, const Vector3D& a, const Vector3D& b, int depthBits);
