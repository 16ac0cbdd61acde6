// SPDX-License-Identifier: MIT
// The fake backend's OpenGL context is real: what is drawn can be read back.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include "platform/FakePlatform.h"

namespace {

struct FakeGL : ::testing::Test {
    void SetUp() override { plat::fake::Reset(); }
    void TearDown() override { plat::fake::Reset(); }

    plat::NativeWindow MakeWindow(int w = 640, int h = 480)
    {
        plat::WindowDesc d;
        d.title = "gl";
        d.clientWidth = w;
        d.clientHeight = h;
        return plat::CreateNativeWindow(d, nullptr);
    }
};

void ReadPixel(int x, int y, unsigned char rgba[4])
{
    glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
}

TEST_F(FakeGL, ClearAndDrawReadBack)
{
    plat::NativeWindow w = MakeWindow();
    ASSERT_TRUE(plat::GLCreateContext(w)) << plat::LastError();
    EXPECT_TRUE(plat::fake::HasGLContext());

    GLint depthBits = 0, redBits = 0, viewport[4] = {};
    glGetIntegerv(GL_DEPTH_BITS, &depthBits);
    glGetIntegerv(GL_RED_BITS, &redBits);
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_GE(depthBits, 16);
    EXPECT_EQ(redBits, 8);
    EXPECT_EQ(viewport[2], 640);
    EXPECT_EQ(viewport[3], 480);

    glClearColor(208 / 255.0f, 232 / 255.0f, 234 / 255.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glColor3f(1, 0, 0);
    glBegin(GL_TRIANGLES);  // lower-left half of the window
    glVertex2f(-1, -1);
    glVertex2f(1, -1);
    glVertex2f(-1, 1);
    glEnd();

    unsigned char p[4];
    ReadPixel(0, 0, p);
    EXPECT_EQ(p[0], 255);
    EXPECT_EQ(p[1], 0);
    ReadPixel(639, 479, p);
    EXPECT_EQ(p[0], 208);
    EXPECT_EQ(p[1], 232);
    EXPECT_EQ(p[2], 234);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

    plat::GLSwapBuffers();
    plat::GLReleaseContext();
    EXPECT_FALSE(plat::fake::HasGLContext());
}

TEST_F(FakeGL, ContextCanBeMadeAgainWithAnotherSize)
{
    plat::NativeWindow w = MakeWindow(320, 200);
    ASSERT_TRUE(plat::GLCreateContext(w)) << plat::LastError();
    plat::GLReleaseContext();
    ASSERT_TRUE(plat::GLCreateContext(w)) << plat::LastError();
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 320);
    EXPECT_EQ(viewport[3], 200);
}

TEST_F(FakeGL, NoVideoMeansNoContext)
{
    plat::NativeWindow w = MakeWindow();
    plat::fake::SetVideoAvailable(false);
    EXPECT_FALSE(plat::GLCreateContext(w));
    EXPECT_STRNE(plat::LastError(), "");
    EXPECT_FALSE(plat::fake::HasGLContext());
    EXPECT_EQ(MakeWindow(), nullptr);
}

TEST_F(FakeGL, DestroyedWindowGetsNoContext)
{
    plat::NativeWindow w = MakeWindow();
    plat::DefaultWindowProc(w, plat::MSG_CLOSE, 0, 0);
    EXPECT_FALSE(plat::GLCreateContext(w));
}

}  // namespace
