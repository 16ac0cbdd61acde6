// SPDX-License-Identifier: MIT
// What the camera can see: the six planes of the current GL projection and model-view
// matrices, in the space of the model-view matrix's input (world space when the camera alone
// is loaded). Drawing code asks it whether a bounding sphere can show a single pixel and leaves
// out what cannot.
#pragma once

#include "math/Vector.h"

struct ViewVolume {
    float planes[6][4] = {};  // left, right, bottom, top, near, far; unit normals pointing in
    float depthRow[4] = {};  // clip-space w of a point: depth ahead of the eye
    float pixelsPerUnit = 0.0f;  // pixels one world unit covers at depth 1 (the smaller axis)
    bool valid = false;  // false when the matrices give no usable volume
    // Where the eye is, in the same space, and +1 when a triangle turning counter-clockwise
    // there turns counter-clockwise on the screen too (-1: the matrices mirror it). eyeKnown
    // is false when the model-view matrix cannot be undone.
    Vector3D eye;
    float winding = 1.0f;
    bool eyeKnown = false;
    float modelView[16] = {};  // the model-view matrix read, column-major
};

// Solves m * local = point for an affine column-major 4 x 4 matrix; orientation gets the sign
// of its 3 x 3 part's determinant. False when the matrix is singular or not affine.
bool UndoAffine(const float m[16], const Vector3D& point, Vector3D& local, float& orientation);

// Reads the projection and model-view matrices and the viewport from GL.
ViewVolume CurrentViewVolume();

// The volume of the matrices in force, read from GL again only after ViewChanged(): what
// drawing code that culls many things a frame asks.
const ViewVolume& SceneViewVolume();

// Marks the remembered volume stale. RenderState's camera, frustum, viewport and 2D functions
// call it; code that loads matrices itself, outside a push/pop pair, must call it too.
void ViewChanged();

// True when no part of the sphere, grown by `pixels` screen pixels (for outlines and wide
// lines drawn around it), lies inside the volume. False for an invalid volume: when in doubt,
// draw.
bool SphereOutside(const ViewVolume& volume, const Vector3D& centre, float radius, float pixels);
