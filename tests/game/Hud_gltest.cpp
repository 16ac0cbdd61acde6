// SPDX-License-Identifier: MIT
// The head-up display's picture on a real offscreen GL context: the crosshair, the lead mark in
// its two colours, the hull bar, the line after the ship is gone and the arrow, each where the
// view says and nowhere else.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "assets/MediaArchive.h"
#include "game/Hud.h"
#include "game/MainWindow.h"
#include "render/GLFixture.h"
#include "render/Overlay.h"
#include "render/Texture.h"

namespace {

class HudDrawing : public GLFixture {
protected:
    void SetUp() override
    {
        GLFixture::SetUp();
        // The game's font, for the texts.
        RegisterGameArchive();
        bool complete = false;
        uint8_t* font = MediaArchive::ReadEntry("Media\\Font16x16_256128.raw", &complete);
        ASSERT_TRUE(font && complete) << "the build's ZabroData.arc";
        CreateKeyedTexture(font, 256 * 128 * 3, 256, 128, TEXTURE_FONT);
        delete[] font;
        SetFontTexture(TEXTURE_FONT);
        SetClearColor(70, 110, 160);
    }
    void TearDown() override
    {
        GLFixture::TearDown();
        MediaArchive::Reset();
    }

    // Draws the view over a cleared picture and reads the picture back.
    void Draw(const HudView& view)
    {
        ClearFrame();
        DrawHud(view);
        rgb.assign(kWidth * kHeight * 3, 0);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, kWidth, kHeight, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    }
    Rgb At(int x, int y) const
    {
        const uint8_t* p = &rgb[(static_cast<size_t>(kHeight - 1 - y) * kWidth + x) * 3];
        return Rgb{p[0], p[1], p[2]};
    }
    static bool Is(const Rgb& c, const HudColour& h) { return c == Rgb{h.r, h.g, h.b}; }
    // Pixels of a colour in a rectangle (whole picture by default), with their middle.
    int Count(const HudColour& h, int x0 = 0, int y0 = 0, int x1 = kWidth, int y1 = kHeight,
              float* mx = nullptr, float* my = nullptr) const
    {
        int n = 0;
        double sx = 0, sy = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                if (Is(At(x, y), h)) {
                    ++n;
                    sx += x;
                    sy += y;
                }
        if (mx && n) *mx = static_cast<float>(sx / n);
        if (my && n) *my = static_cast<float>(sy / n);
        return n;
    }

    std::vector<uint8_t> rgb;
};

TEST_F(HudDrawing, CrosshairLeadMarkAndHullBarStandWhereTheViewSays)
{
    HudView view;
    view.ship = true;
    view.hull = 1.0f;
    view.crosshair = true;
    view.crossX = 300.0f;
    view.crossY = 180.0f;
    view.lead = true;
    view.leadX = 420.0f;
    view.leadY = 150.0f;
    Draw(view);
    // Four arms round the aim point, the point itself left open.
    float x = 0, y = 0;
    EXPECT_GT(Count(kHudCrosshair, 0, 0, kWidth, kHeight, &x, &y), 60);
    EXPECT_NEAR(x, 300.0f, 1.0f);
    EXPECT_NEAR(y, 180.0f, 1.0f);
    EXPECT_FALSE(Is(At(300, 180), kHudCrosshair));
    EXPECT_EQ(
        Count(kHudCrosshair, 0, 0, 280, kHeight) + Count(kHudCrosshair, 320, 0, kWidth, kHeight),
        0);
    // A hollow square round the mark, out of reach: no red anywhere.
    EXPECT_GT(Count(kHudLead, 0, 0, kWidth, kHeight, &x, &y), 40);
    EXPECT_NEAR(x, 420.0f, 1.0f);
    EXPECT_NEAR(y, 150.0f, 1.0f);
    EXPECT_FALSE(Is(At(420, 150), kHudLead));
    EXPECT_EQ(Count(kHudLeadInReach), 0);
    // In reach: red, with a dot in the middle.
    view.inReach = true;
    Draw(view);
    EXPECT_EQ(Count(kHudLead), 0);
    EXPECT_GT(Count(kHudLeadInReach, 0, 0, kWidth, kHeight, &x, &y), 40);
    EXPECT_NEAR(x, 420.0f, 1.0f);
    EXPECT_TRUE(Is(At(420, 150), kHudLeadInReach));

    // The hull bar along the bottom fills in proportion, green, then yellow, then red.
    struct Case {
        float hull;
        Rgb fill;
    };
    const Case cases[] = {{1.0f, {80, 220, 80}}, {0.5f, {240, 200, 40}}, {0.2f, {240, 50, 40}}};
    for (const Case& c : cases) {
        view.hull = c.hull;
        Draw(view);
        int filled = 0;
        for (int bx = 80; bx < 300; ++bx) filled += At(bx, 459) == c.fill;
        EXPECT_NEAR(filled, 160.0f * c.hull, 1.5f) << c.hull;
    }
    // The label: white glyph pixels left of the bar.
    int white = 0;
    for (int ly = 445; ly < 475; ++ly)
        for (int lx = 10; lx < 90; ++lx) white += At(lx, ly) == Rgb{255, 255, 255};
    EXPECT_GT(white, 40);
}

TEST_F(HudDrawing, OnceTheShipIsGoneOnlyTheLineShows)
{
    HudView view;  // no ship
    view.crosshair = true;  // stale values are not drawn
    view.lead = true;
    view.outside = true;
    Draw(view);
    EXPECT_EQ(Count(kHudCrosshair) + Count(kHudLead) + Count(kHudArrow), 0);
    // "SHIP DESTROYED - ESCAPE QUITS" across the middle of the picture, nothing along the bottom.
    int middle = 0, bottom = 0;
    for (int y = 200; y < 280; ++y)
        for (int x = 0; x < kWidth; ++x) middle += At(x, y) == Rgb{255, 255, 255};
    for (int y = 440; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) bottom += At(x, y) == Rgb{255, 255, 255};
    EXPECT_GT(middle, 500);
    EXPECT_EQ(bottom, 0);
}

TEST_F(HudDrawing, TheArrowPointsTheWayItIsTold)
{
    struct Case {
        float bearing;
        float dx, dy;  // the direction of its tip on the picture
    };
    const Case cases[] = {{0, 0, -1}, {90, 1, 0}, {-90, -1, 0}, {180, 0, 1}, {45, 0.7f, -0.7f}};
    for (const Case& c : cases) {
        HudView view;
        view.ship = true;
        view.hull = 1.0f;
        view.outside = true;
        view.backBearing = c.bearing;
        Draw(view);
        // The tip is the arrow's pixel farthest from its middle.
        float mx = 0, my = 0;
        ASSERT_GT(Count(kHudArrow, 0, 36, kWidth, 200, &mx, &my), 300) << c.bearing;
        float tipX = mx, tipY = my, far = 0;
        for (int y = 36; y < 200; ++y)
            for (int x = 0; x < kWidth; ++x)
                if (Is(At(x, y), kHudArrow) && std::hypot(x - mx, y - my) > far) {
                    far = std::hypot(x - mx, y - my);
                    tipX = static_cast<float>(x);
                    tipY = static_cast<float>(y);
                }
        const float len = std::hypot(tipX - mx, tipY - my);
        EXPECT_GT((tipX - mx) / len * c.dx + (tipY - my) / len * c.dy, 0.9f) << c.bearing;
    }
}

}  // namespace
