// SPDX-License-Identifier: MIT
// Billboards and upright quads on screen: their size, which way they face (a quad facing away
// is culled), where they stand, and that they leave the matrix and texturing as they were.
#include <vector>

#include "GLFixture.h"
#include "math/View.h"
#include "render/Billboard.h"
#include "render/Overlay.h"
#include "render/Texture.h"

namespace {

const Rgb kBackground{0, 0, 0};
const Rgb kTop{250, 0, 0};
const Rgb kBottom{0, 0, 250};
const int kSprite = 3;

class BillboardTest : public GLFixture {
protected:
    void SetUp() override
    {
        GLFixture::SetUp();
        // 32 x 32: the upper half red, the lower half blue.
        std::vector<uint8_t> rgb(32 * 32 * 3);
        for (int y = 0; y < 32; ++y) {
            for (int x = 0; x < 32; ++x) {
                const Rgb c = y < 16 ? kTop : kBottom;
                uint8_t* p = &rgb[(y * 32 + x) * 3];
                p[0] = uint8_t(c.r);
                p[1] = uint8_t(c.g);
                p[2] = uint8_t(c.b);
            }
        }
        ASSERT_TRUE(CreateKeyedTexture(rgb.data(), rgb.size(), 32, 32, kSprite));
    }
    void TearDown() override
    {
        ClearSourceRect();
        GLFixture::TearDown();
    }
    void LookAlong(const Vector3D& direction)
    {
        CameraEye = Vector3D{0, 0, 0};
        CameraDirection = direction;
        CameraUp = Vector3D{0, 1, 0};
        ApplyCamera();
    }
};

}  // namespace

TEST_F(BillboardTest, BillboardIsTextureSizeTimesScaleAndFacesTheCamera)
{
    // At depth 96 a unit is 5 pixels: 32 x 2 = 64 units is 320 pixels, centred.
    LookAlong(Vector3D{1, 0, 0});
    const std::vector<double> before = Matrix(GL_MODELVIEW_MATRIX);
    DrawBillboard(kSprite, Vector3D{96, 0, 0}, 2.0f);
    EXPECT_EQ(Matrix(GL_MODELVIEW_MATRIX), before);
    EXPECT_FALSE(IsOn(GL_TEXTURE_2D));
    EXPECT_EQ(Pixel(162, 200), kTop);
    EXPECT_EQ(Pixel(477, 200), kTop);
    EXPECT_EQ(Pixel(157, 200), kBackground);
    EXPECT_EQ(Pixel(482, 200), kBackground);
    EXPECT_EQ(Pixel(320, 82), kTop);  // the image's first row at the top
    EXPECT_EQ(Pixel(320, 397), kBottom);
    EXPECT_EQ(Pixel(320, 77), kBackground);
    EXPECT_EQ(Pixel(320, 402), kBackground);

    // Upside down, the image's top is still at the top of the screen.
    ClearFrame();
    CameraUp = Vector3D{0, -1, 0};
    ApplyCamera();
    DrawBillboard(kSprite, Vector3D{96, 0, 0}, 2.0f);
    EXPECT_EQ(Pixel(320, 82), kTop);
    EXPECT_EQ(Pixel(320, 397), kBottom);

    // From other sides and heights it still faces the camera (a back face would be culled),
    // also seen straight along +z, where the turn toward the camera is a half turn.
    const Vector3D positions[] = {{0, 0, -96}, {-60, 10, 60}, {30, -40, 80}, {0, 0, 96}};
    for (const Vector3D& p : positions) {
        ClearFrame();
        LookAlong(p);
        DrawBillboard(kSprite, p, 0.5f);
        EXPECT_NE(Pixel(320, 240), kBackground) << p.x << "," << p.y << "," << p.z;
    }
}

TEST_F(BillboardTest, UprightQuadStandsOnItsPositionAndTurnsAboutY)
{
    LookAlong(Vector3D{1, 0, 0});
    // Scale 0.5: 16 units tall, 16 wide; at depth 50 a unit is 9.6 pixels.
    DrawUprightQuad(kSprite, Vector3D{50, -10, 0}, 0.5f, 90.0f);
    EXPECT_FALSE(IsOn(GL_TEXTURE_2D));
    EXPECT_EQ(Pixel(320, 334), kBottom);  // foot at y = -10: pixel 336
    EXPECT_EQ(Pixel(320, 338), kBackground);
    EXPECT_EQ(Pixel(320, 185), kTop);  // head at y = 6: pixel 182.4
    EXPECT_EQ(Pixel(320, 180), kBackground);
    EXPECT_EQ(Pixel(320 + 75, 300), kBottom);  // 8 units either side: 76.8 pixels
    EXPECT_EQ(Pixel(320 + 79, 300), kBackground);

    // Turned the other way it shows its back and is culled; half turned it is narrower.
    struct Case {
        float angle;
        int rightEdge;  // pixels right of the centre, 0 when culled
    };
    // At 30 degrees the right end comes 6.9 units nearer and 4 across: 44.6 pixels.
    const Case cases[] = {{-90.0f, 0}, {270.0f, 0}, {30.0f, 45}};
    for (const Case& c : cases) {
        ClearFrame();
        DrawUprightQuad(kSprite, Vector3D{50, -10, 0}, 0.5f, c.angle);
        SCOPED_TRACE(c.angle);
        if (c.rightEdge == 0) {
            EXPECT_EQ(Pixel(320, 300), kBackground);
        } else {
            EXPECT_EQ(Pixel(320 + c.rightEdge - 4, 300), kBottom);
            EXPECT_EQ(Pixel(320 + c.rightEdge + 4, 300), kBackground);
        }
    }

    // The source rectangle narrows it: the left half of the image, 8 units wide.
    ClearFrame();
    SetSourceRect(0, 0, 15, 31);
    DrawUprightQuad(kSprite, Vector3D{50, -10, 0}, 0.5f, 90.0f);
    EXPECT_EQ(Pixel(320 + 36, 300), kBottom);
    EXPECT_EQ(Pixel(320 + 41, 300), kBackground);
}

TEST_F(BillboardTest, UprightBillboardTurnsToTheCamera)
{
    const Vector3D positions[] = {{50, 0, 0},  {0, 0, 50},   {-50, 0, 0},
                                  {0, 0, -50}, {30, 0, -40}, {-35, 0, 35}};
    for (const Vector3D& p : positions) {
        ClearFrame();
        LookAlong(p);
        DrawUprightBillboard(kSprite, Vector3D{p.x, -5, p.z}, 0.5f);
        EXPECT_EQ(Pixel(320, 250), kBottom) << p.x << "," << p.z;
    }
}

// The image's left half shows on the left, as DrawImage shows it, not mirrored.
TEST_F(BillboardTest, ImagesShowTheRightWayRound)
{
    const int sides = 6;
    std::vector<uint8_t> rgb(32 * 32 * 3);
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            const Rgb c = x < 16 ? kTop : kBottom;  // left half red, right half blue
            uint8_t* p = &rgb[(y * 32 + x) * 3];
            p[0] = uint8_t(c.r);
            p[1] = uint8_t(c.g);
            p[2] = uint8_t(c.b);
        }
    }
    ASSERT_TRUE(CreateKeyedTexture(rgb.data(), rgb.size(), 32, 32, sides));
    const Vector3D directions[] = {{1, 0, 0}, {0, 0, -1}, {-0.6f, 0.3f, 0.7f}, {0, 0, 1}};
    for (const Vector3D& d : directions) {
        SCOPED_TRACE(::testing::Message() << d.x << "," << d.y << "," << d.z);
        LookAlong(d);
        // At 96 units a unit is 5 pixels: the quad spans 320 +- 80 pixels.
        ClearFrame();
        DrawBillboard(sides, d * 96.0f, 1.0f);
        EXPECT_EQ(Pixel(260, 240), kTop);
        EXPECT_EQ(Pixel(380, 240), kBottom);
        if (d.y == 0.0f) {
            ClearFrame();
            DrawUprightBillboard(sides, d * 96.0f + Vector3D{0, -16, 0}, 1.0f);
            EXPECT_EQ(Pixel(260, 240), kTop);
            EXPECT_EQ(Pixel(380, 240), kBottom);
        }
    }
}

TEST_F(BillboardTest, UnregisteredTexturesDrawNothing)
{
    LookAlong(Vector3D{1, 0, 0});
    DrawBillboard(99, Vector3D{50, 0, 0}, 1.0f);
    DrawUprightQuad(99, Vector3D{50, -5, 0}, 1.0f, 90.0f);
    DrawUprightBillboard(99, Vector3D{50, -5, 0}, 1.0f);
    EXPECT_EQ(Pixel(320, 240), kBackground);
    EXPECT_EQ(Pixel(320, 250), kBackground);
}
