// SPDX-License-Identifier: MIT
// A real offscreen 640 x 480 GL context for render tests, made the way the game makes it
// (a fake-platform window and CreateGLContext), with pixel read-back in window coordinates.
#pragma once

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <vector>

#include "platform/FakePlatform.h"
#include "render/RenderState.h"

struct Rgb {
    int r = 0, g = 0, b = 0;
    bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
    bool operator!=(const Rgb& o) const { return !(*this == o); }
};

inline std::ostream& operator<<(std::ostream& os, const Rgb& c)
{
    return os << "(" << c.r << ", " << c.g << ", " << c.b << ")";
}

class GLFixture : public ::testing::Test {
protected:
    static constexpr int kWidth = 640;
    static constexpr int kHeight = 480;

    void SetUp() override
    {
        plat::fake::Reset();
        plat::WindowDesc desc;
        desc.title = "render test";
        desc.clientWidth = kWidth;
        desc.clientHeight = kHeight;
        window = plat::CreateNativeWindow(desc, nullptr);
        ASSERT_NE(window, nullptr) << plat::LastError();
        ASSERT_TRUE(CreateGLContext(window, kWidth, kHeight)) << plat::LastError();
        ClearFrame();
    }

    void TearDown() override
    {
        ReleaseGLContext();
        plat::fake::Reset();
    }

    // The colour at window pixel (x, y), origin at the top left as in the overlay.
    static Rgb Pixel(int x, int y)
    {
        uint8_t px[4] = {0, 0, 0, 0};
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(x, kHeight - 1 - y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, px);
        return Rgb{px[0], px[1], px[2]};
    }

    static bool IsOn(GLenum cap) { return glIsEnabled(cap) == GL_TRUE; }

    static GLint GetInt(GLenum what)
    {
        GLint v = 0;
        glGetIntegerv(what, &v);
        return v;
    }

    static std::vector<double> Matrix(GLenum which)
    {
        std::vector<double> m(16);
        glGetDoublev(which, m.data());
        return m;
    }

    plat::NativeWindow window = nullptr;
};
