// SPDX-License-Identifier: MIT
// The OpenGL context of the game window and the small set of render-state switches the rest of
// the program uses. One context, one camera and one frustum for the whole program (the view
// globals of math/View.h); every call runs on the thread that created the context.
#pragma once

#include <cstdint>

#include "math/Vector.h"

namespace plat {
struct NativeWindowRec;  // the platform's window (plat::NativeWindow); only handed on here
}

// Creates the context for the window and sets the initial state: depth test and back-face
// culling on, frustum (-1, 1, -h/w, h/w, 1.5, 1000), viewport width x height (the picture's
// size: all drawing works in it; a window of another size shows it scaled), camera at the
// origin looking along +x, black clear colour, blending and alpha test off, light (1, 0, 0),
// an empty texture registry holding only the shading ramp. Everything made in an earlier
// context (display lists, the overlay's source rectangle) is gone with it.
// A context made before is released first. False (and nothing set up) when the platform
// cannot give a context or the size is bad.
bool CreateGLContext(plat::NativeWindowRec* window, int width, int height);
// Deletes every registered texture, then releases the context. Harmless without one.
void ReleaseGLContext();
bool HasGLContext();
// Counts the contexts made so far: what was made in a context belongs to its serial.
uint32_t GLContextSerial();

// Loads FrustumParams into the projection matrix, then leaves an identity model-view current.
void ApplyFrustum();
void SetFrustum(float left, float right, float bottom, float top, float nearPlane, float farPlane);
// Loads the camera globals into the model-view matrix with gluLookAt.
void ApplyCamera();
void SetClearColor(int red, int green, int blue);  // 0-255 each

// Alpha test passes texels with alpha greater than 0 (colour-keyed texels are cut away).
void EnableAlphaTest();
void DisableAlphaTest();

// Translucent drawing without depth writes. Mode 0: ordinary translucency; mode 1: additive
// glow; any other mode keeps the current blend function. Does not nest: a second BeginBlend is
// ignored until EndBlend. The alpha test is off in between and comes back at EndBlend.
void BeginBlend(int mode);
void EndBlend();

// Window pixel coordinates (origin top left, y down), depth test in effect off, no culling.
// Leaves the projection matrix current until End2D. Does not nest.
void Begin2D();
void End2D();

// Linear fog from the near to the far plane in the given colour (0-255 each).
void EnableFog(int red, int green, int blue);
// Fog in the current clear colour.
void EnableFogClearColor();

// A rectangle of window pixels, x from the left and y from the bottom (as GL counts).
struct PictureRect {
    int x = 0, y = 0, width = 0, height = 0;
};
// The largest rectangle of the picture's shape (width : height) that fits the outer size,
// centred, sizes rounded to the nearest pixel.
PictureRect FitPicture(int outerWidth, int outerHeight, int width, int height);

// Colour and depth. When the window's drawing surface is not the picture's size, first fits
// the viewport to FitPicture's rectangle, clears the bars around it black and keeps the
// clearing and drawing inside it; so the picture scales with the window, 2D and 3D alike.
void ClearFrame();
// The same for a frame whose first drawing covers every pixel of the picture (the sky): the
// picture's own colour is left to that drawing, only depth is cleared there.
void ClearFrameForSky();
void PresentFrame();  // flush and swap

// Window pixel position of a world point. p is changed in place into camera space (moved by
// -CameraEye and turned; -z looks ahead); result.z is that depth (negative in front).
void ProjectToScreen(Vector3D& p, Vector3D& result);
// World point on the near plane under pixel (x, y); (0, 0, 0) outside the window.
Vector3D UnprojectFromScreen(float x, float y);
