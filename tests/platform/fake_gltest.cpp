// SPDX-License-Identifier: MIT
// The fake backend's OpenGL context without a display (the contract suite draws with it and
// reads the pixels back).
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

TEST_F(FakeGL, NoVideoMeansNoContext)
{
    plat::NativeWindow w = MakeWindow();
    plat::fake::SetVideoAvailable(false);
    EXPECT_FALSE(plat::GLCreateContext(w));
    EXPECT_STRNE(plat::LastError(), "");
    EXPECT_FALSE(plat::fake::HasGLContext());
    EXPECT_EQ(MakeWindow(), nullptr);
}

}  // namespace
