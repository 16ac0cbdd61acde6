// SPDX-License-Identifier: MIT
// Where the fake backend gets a real OpenGL context: a hidden window of its own carries it, so
// tests can draw and read the pixels back while clock and input stay scripted. One provider
// is linked: none (qb_platform_fake: contexts fail), SDL's offscreen driver (Linux) or a
// hidden WGL window (Windows), both in qb_platform_fake_gl.
#pragma once

namespace plat::detail {

bool FakeGLCreate(const char* title, int width, int height);  // made current; false + LastError
void FakeGLSwap();
void FakeGLRelease();  // no context current afterwards
bool FakeGLCurrent();  // a context made by FakeGLCreate exists

}  // namespace plat::detail
