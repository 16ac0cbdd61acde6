// SPDX-License-Identifier: MIT
// The browser backend's OpenGL 1.1 subset: exactly the GL and GLU entry points the game calls,
// drawn through WebGL (Device.h). Not part of the contract; the backend and its tests use it.
//
// Implemented: the model-view, projection and texture matrix stacks with glFrustum and
// gluLookAt; immediate mode (triangles, quads, lines) and vertex arrays (float positions, byte or
// float colours, float texture coordinates), buffered into WebGL vertex arrays; display lists
// recorded into buffers, with the colour and texture coordinate of the caller where the list sets
// none; 1D textures as N x 1 images; texture names chosen by the program; wide lines drawn as
// quads; alpha test and fog in the shader; every state query answered from our own copy, never from
// the GPU.
//
// Rules of our own where GL leaves a choice or the game asks for one: a 1D texture that clamps
// (the shading ramp) has its coordinate clamped at each corner before it is interpolated; GL_CLAMP
// is GL_CLAMP_TO_EDGE; a line is its width rounded to whole pixels wide (at least one) across
// its minor axis, as GL asks and the desktop's Mesa draws it; the fog distance is the clip-space w,
// which is the eye-space depth under a perspective projection. Anything outside the subset (another
// primitive, texel type, texture environment...) is ignored and named once on stderr.
#pragma once

namespace gl11 {

// A new context: every piece of state back to GL's defaults, the viewport the drawing surface.
void ContextCreated();
// The context is gone: textures and lists are forgotten.
void ContextReleased();

// Calls or parameters outside the subset met since the context was made, and the last one.
int UnsupportedCount();
const char* LastUnsupported();

}  // namespace gl11
