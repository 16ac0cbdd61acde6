// SPDX-License-Identifier: MIT
// The 640 x 480 picture in a window of another size (--scale, full screen): scaled to fit,
// keeping its shape, black bars around it, 2D positions scaled with it.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <cstdint>

#include "platform/FakePlatform.h"
#include "render/RenderState.h"

namespace {

TEST(FitPicture, LargestCentredRectangleOfThePicturesShape)
{
    struct Row {
        int outerW, outerH;
        int x, y, w, h;
    };
    const Row rows[] = {
        {640, 480, 0, 0, 640, 480},       {1280, 960, 0, 0, 1280, 960},  // exact multiples
        {1024, 768, 0, 0, 1024, 768},     {1280, 720, 160, 0, 960, 720},  // bars left and right
        {1366, 768, 171, 0, 1024, 768},   {800, 800, 0, 100, 800, 600},  // bars above and below
        {1920, 1200, 160, 0, 1600, 1200}, {641, 480, 0, 0, 640, 480},    {1, 1, 0, 0, 1, 1},
        {0, 0, 0, 0, 640, 480},  // nothing to fit: as it is
    };
    for (const Row& r : rows) {
        PictureRect p = FitPicture(r.outerW, r.outerH, 640, 480);
        EXPECT_EQ(p.x, r.x) << r.outerW << "x" << r.outerH;
        EXPECT_EQ(p.y, r.y) << r.outerW << "x" << r.outerH;
        EXPECT_EQ(p.width, r.w) << r.outerW << "x" << r.outerH;
        EXPECT_EQ(p.height, r.h) << r.outerW << "x" << r.outerH;
    }
}

struct Rgb {
    int r, g, b;
};

class ScaledWindow : public ::testing::Test {
protected:
    void Open(int width, int height)
    {
        plat::fake::Reset();
        plat::WindowDesc desc;
        desc.title = "scaled";
        desc.clientWidth = width;
        desc.clientHeight = height;
        window = plat::CreateNativeWindow(desc, nullptr);
        ASSERT_NE(window, nullptr);
        // The game's picture size, whatever the window's.
        ASSERT_TRUE(CreateGLContext(window, 640, 480)) << plat::LastError();
        windowHeight = height;
    }
    void TearDown() override
    {
        ReleaseGLContext();
        plat::fake::Reset();
    }
    // Window pixel (x, y), origin top left.
    Rgb Pixel(int x, int y) const
    {
        uint8_t px[4] = {};
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(x, windowHeight - 1 - y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, px);
        return Rgb{px[0], px[1], px[2]};
    }
    static std::array<GLint, 4> Get(GLenum what)
    {
        std::array<GLint, 4> v{};
        glGetIntegerv(what, v.data());
        return v;
    }
    // A red rectangle in picture pixels, as the overlay draws.
    static void RedBox(int x0, int y0, int x1, int y1)
    {
        Begin2D();
        glColor3ub(255, 0, 0);
        glBegin(GL_QUADS);
        glVertex2i(x0, y0);
        glVertex2i(x0, y1);
        glVertex2i(x1, y1);
        glVertex2i(x1, y0);
        glEnd();
        glColor3f(1, 1, 1);
        End2D();
    }

    plat::NativeWindow window = nullptr;
    int windowHeight = 0;
};

bool Is(const Rgb& c, int r, int g, int b)
{
    return std::abs(c.r - r) <= 1 && std::abs(c.g - g) <= 1 && std::abs(c.b - b) <= 1;
}

// 1280 x 720: the picture is 960 x 720 at x 160; a box around the prompt's place (320, 426)
// lands around (640, 639); the bars stay black however the frame is cleared.
TEST_F(ScaledWindow, PictureScalesBetweenBlackBars)
{
    Open(1280, 720);
    SetClearColor(208, 232, 234);
    for (int frame = 0; frame < 2; ++frame) {
        ClearFrame();
        RedBox(300, 420, 340, 432);
    }
    EXPECT_TRUE(Is(Pixel(640, 639), 255, 0, 0));
    EXPECT_TRUE(Is(Pixel(611, 631), 255, 0, 0));  // just inside (610, 630)-(670, 648)
    EXPECT_TRUE(Is(Pixel(608, 639), 208, 232, 234));
    EXPECT_TRUE(Is(Pixel(320, 426), 208, 232, 234));  // not at the unscaled place
    for (int x : {0, 80, 159, 1120, 1279}) EXPECT_TRUE(Is(Pixel(x, 360), 0, 0, 0)) << x;
    EXPECT_TRUE(Is(Pixel(160, 0), 208, 232, 234));
    EXPECT_TRUE(Is(Pixel(1119, 719), 208, 232, 234));
    EXPECT_EQ(Get(GL_VIEWPORT), (std::array<GLint, 4>{160, 0, 960, 720}));
}

// Twice the size (--scale 2): no bars, every picture pixel is two.
TEST_F(ScaledWindow, WholeScaleFillsTheWindow)
{
    Open(1280, 960);
    SetClearColor(0, 0, 255);
    ClearFrame();
    RedBox(0, 0, 1, 1);
    EXPECT_TRUE(Is(Pixel(0, 0), 255, 0, 0));
    EXPECT_TRUE(Is(Pixel(1, 1), 255, 0, 0));
    EXPECT_TRUE(Is(Pixel(2, 2), 0, 0, 255));
    EXPECT_TRUE(Is(Pixel(1279, 959), 0, 0, 255));
    EXPECT_FALSE(glIsEnabled(GL_SCISSOR_TEST));
}

// Switching full screen on and off: the next frame fits the new size, and back in the
// picture-sized window nothing of the scaling is left.
TEST_F(ScaledWindow, FullscreenSwitchRefitsAtTheNextFrame)
{
    Open(640, 480);
    plat::fake::SetDesktopSize(1280, 720);
    ASSERT_TRUE(plat::SetFullscreen(window, true));
    ClearFrame();
    EXPECT_EQ(Get(GL_VIEWPORT), (std::array<GLint, 4>{160, 0, 960, 720}));
    EXPECT_EQ(Get(GL_SCISSOR_BOX), (std::array<GLint, 4>{160, 0, 960, 720}));
    EXPECT_TRUE(glIsEnabled(GL_SCISSOR_TEST));
    ASSERT_TRUE(plat::SetFullscreen(window, false));
    ClearFrame();
    EXPECT_EQ(Get(GL_VIEWPORT), (std::array<GLint, 4>{0, 0, 640, 480}));
    EXPECT_FALSE(glIsEnabled(GL_SCISSOR_TEST));
}

}  // namespace
