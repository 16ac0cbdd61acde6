// SPDX-License-Identifier: MIT
// The OpenGL context: made on a window, 24-bit colour and 16-bit depth, the window's size,
// drawing read back; made again; swap control; none on a closed window.
#include <GL/gl.h>

#include "contract/Contract.h"

namespace contract {
namespace {

using GL = ContractTest;

void Pixel(int x, int y, unsigned char rgba[4])
{
    glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
}

TEST_F(GL, DrawsIntoAContextOfTheWindowsSize)
{
    plat::NativeWindow w = MakeWindow("qb-gl");
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(plat::GLCreateContext(w)) << plat::LastError();
    GLint depth = 0, red = 0, viewport[4] = {};
    glGetIntegerv(GL_DEPTH_BITS, &depth);
    glGetIntegerv(GL_RED_BITS, &red);
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_GE(depth, 16);
    EXPECT_EQ(red, 8);
    EXPECT_EQ(viewport[2], 640);
    EXPECT_EQ(viewport[3], 480);

    glClearColor(208 / 255.0f, 232 / 255.0f, 234 / 255.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glColor3f(1, 0, 0);
    glBegin(GL_TRIANGLES);  // the lower-left half of the window
    glVertex2f(-1, -1);
    glVertex2f(1, -1);
    glVertex2f(-1, 1);
    glEnd();
    unsigned char p[4] = {};
    Pixel(2, 2, p);
    EXPECT_EQ(p[0], 255);
    EXPECT_EQ(p[1], 0);
    Pixel(637, 477, p);
    EXPECT_EQ(p[0], 208);
    EXPECT_EQ(p[1], 232);
    EXPECT_EQ(p[2], 234);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    plat::GLSwapBuffers();
    plat::GLReleaseContext();
}

TEST_F(GL, AContextCanBeMadeAgainAndFollowsTheWindow)
{
    plat::NativeWindow small = MakeWindow("qb-gl-small", RecordingProc, 320, 200);
    ASSERT_NE(small, nullptr);
    ASSERT_TRUE(plat::GLCreateContext(small)) << plat::LastError();
    plat::GLReleaseContext();
    ASSERT_TRUE(plat::GLCreateContext(small)) << plat::LastError();
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 320);
    EXPECT_EQ(viewport[3], 200);
    glClearColor(0, 1, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    unsigned char p[4] = {};
    Pixel(10, 10, p);
    EXPECT_EQ(p[1], 255);
    plat::GLReleaseContext();
}

// Swap control needs a context; with one, asking for no vsync is never an error a game must
// handle (a driver may refuse vsync itself).
TEST_F(GL, VsyncOnlyWithAContext)
{
    plat::NativeWindow w = MakeWindow("qb-vsync");
    ASSERT_NE(w, nullptr);
    EXPECT_FALSE(plat::GLSetVsync(true)) << "no context yet";
    ASSERT_TRUE(plat::GLCreateContext(w)) << plat::LastError();
    plat::GLSetVsync(true);
    plat::GLSetVsync(false);
    plat::GLSwapBuffers();
    plat::GLReleaseContext();
    EXPECT_FALSE(plat::GLSetVsync(false)) << "released";
}

// Closing the window takes its context along; a closed window gets none.
TEST_F(GL, NoContextOnAClosedWindow)
{
    plat::NativeWindow w = MakeWindow("qb-gl-closed");
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(plat::GLCreateContext(w)) << plat::LastError();
    plat::PostClose(w);
    Pump();
    EXPECT_FALSE(plat::GLSetVsync(false)) << "the context went with the window";
    EXPECT_FALSE(plat::GLCreateContext(w));
    EXPECT_STRNE(plat::LastError(), "");
    EXPECT_FALSE(plat::GLCreateContext(nullptr));
}

}  // namespace
}  // namespace contract
