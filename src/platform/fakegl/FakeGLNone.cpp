// SPDX-License-Identifier: MIT
// The fake backend without OpenGL: everything but a context works, and asking for one fails.
#include "platform/Detail.h"
#include "platform/fakegl/FakeGL.h"

namespace plat::detail {

bool FakeGLCreate(const char*, int, int)
{
    SetError("no OpenGL in this fake backend (tests that draw link qb_platform_fake_gl)");
    return false;
}
void FakeGLSwap() {}
void FakeGLRelease() {}
bool FakeGLCurrent() { return false; }

}  // namespace plat::detail
