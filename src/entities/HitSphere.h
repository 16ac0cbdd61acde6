// SPDX-License-Identifier: MIT
// The translucent sphere drawn around a ship or factory for one second after a hit.
#pragma once

#include <cstdint>
#include <functional>

#include "math/Vector.h"

// Additive quads, 2 x bands rings of equal height and `sectors` slices, colours 0-255.
void DrawHitSphere(const Vector3D& centre, float radius, int32_t bands, int32_t sectors, int red,
                   int green, int blue, int alpha);

// The band (from -bands) that drawing starts at: the bands lying a band's height or more below
// the ground that the depth buffer holds (render/SkyDome.h, GroundInDepth), where the ground
// hides them from the eye, are left out; a factory's sphere is half under the ground. -bands
// when nothing is hidden.
int32_t HitSphereFirstBand(const Vector3D& centre, float radius, int32_t bands,
                           const Vector3D& eye);

// The first draw with a new combination of GL state can cost a software driver milliseconds
// (it compiles code for it), and the hit sphere's combination is used by nothing else. This
// draws it once per GL context, invisibly, so that the first hit of a battle does not stall
// its frame. Called before entities draw; does nothing after the first call in a context.
void PrepareHitSphereDrawing();

// What one DrawHitSphere call was asked to draw.
struct HitSphereCall {
    Vector3D centre;
    float radius = 0.0f;
    int32_t bands = 0;
    int32_t sectors = 0;
    int red = 0, green = 0, blue = 0, alpha = 0;
};

// Tests: called with every DrawHitSphere request, drawn or not (none to stop listening).
void SetHitSphereObserver(std::function<void(const HitSphereCall&)> observer);

// The alpha of the hit sphere `elapsed` ms after a hit: 255 at the hit, falling to 0 at
// one second, truncated toward zero. Only meaningful for elapsed below 1000.
int HitSphereAlpha(uint32_t elapsed);
