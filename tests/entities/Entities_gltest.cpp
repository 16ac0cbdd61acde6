// SPDX-License-Identifier: MIT
// The entity layer drawing on a real offscreen GL context: particles facing the camera, the
// hit sphere, and whole frames of a small battle with models, bolts and explosions.
#include <GL/gl.h>

#include <vector>

#include "EntityTestKit.h"
#include "render/RenderState.h"
#include "render/Texture.h"

using kit::World;

namespace {

const int kWidth = 640;
const int kHeight = 480;

struct Rgb {
    int r, g, b;
};

class EntitiesGL : public World {
protected:
    void SetUp() override
    {
        World::SetUp();
        plat::WindowDesc desc;
        desc.title = "entities test";
        window = plat::CreateNativeWindow(desc, nullptr);
        ASSERT_NE(window, nullptr) << plat::LastError();
        ASSERT_TRUE(CreateGLContext(window, kWidth, kHeight)) << plat::LastError();
        SetEntityDrawing(true);
        EnableAlphaTest();
        // The particle picture: a white disc whose alpha is its brightness.
        std::vector<uint8_t> rgb(32 * 32 * 3, 0);
        for (int y = 0; y < 32; ++y) {
            for (int x = 0; x < 32; ++x) {
                int dx = x - 16, dy = y - 16;
                if (dx * dx + dy * dy < 14 * 14)
                    for (int c = 0; c < 3; ++c)
                        rgb[static_cast<size_t>((y * 32 + x) * 3 + c)] = 255;
            }
        }
        ASSERT_TRUE(CreateBrightnessAlphaTexture(rgb.data(), rgb.size(), 32, 32, 3));
        LookAlongX();
        ClearFrame();
    }

    void TearDown() override
    {
        gExecutor.ClearTasks();
        ReleaseGLContext();
        World::TearDown();
    }

    static void LookAlongX()
    {
        CameraEye = {0, 0, 0};
        CameraDirection = {1, 0, 0};
        CameraUp = {0, 1, 0};
        ApplyCamera();
    }

    static Rgb Pixel(int x, int y)
    {
        uint8_t px[4] = {0, 0, 0, 0};
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(x, kHeight - 1 - y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, px);
        return Rgb{px[0], px[1], px[2]};
    }

    // The render state every drawing of this layer leaves behind.
    static void ExpectCleanState()
    {
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
        EXPECT_FALSE(glIsEnabled(GL_BLEND));
        EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
        EXPECT_FALSE(glIsEnabled(GL_TEXTURE_1D));
        EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
        EXPECT_TRUE(glIsEnabled(GL_ALPHA_TEST));
        GLboolean depthWrites = GL_FALSE;
        glGetBooleanv(GL_DEPTH_WRITEMASK, &depthWrites);
        EXPECT_TRUE(depthWrites);
        GLfloat colour[4] = {0, 0, 0, 0};
        glGetFloatv(GL_CURRENT_COLOR, colour);
        for (float c : colour) EXPECT_EQ(c, 1.0f);
        GLint mode = 0;
        glGetIntegerv(GL_MATRIX_MODE, &mode);
        EXPECT_EQ(mode, GL_MODELVIEW);
    }

    plat::NativeWindow window = nullptr;
};

TEST_F(EntitiesGL, TrailParticleShowsOnceInFrontOfTheCamera)
{
    Particle p;
    p.kind = PARTICLE_SINGLE_FRAME;
    p.preset = PRESET_PLAYER_TRAIL;
    p.position = {40, 0, 0};
    EmitParticle(p);
    TickParticles();
    Rgb centre = Pixel(320, 240);
    EXPECT_GT(centre.r, 100);  // orange to yellow: red is strongest, no blue
    EXPECT_LT(centre.b, 40);
    Rgb corner = Pixel(5, 5);
    EXPECT_EQ(corner.r + corner.g + corner.b, 0);
    EXPECT_EQ(LiveParticleCount(), 0);
    ExpectCleanState();

    ClearFrame();
    TickParticles();
    EXPECT_EQ(Pixel(320, 240).r, 0);
}

TEST_F(EntitiesGL, FireParticleFacesACameraLookingStraightDown)
{
    CameraEye = {0, 100, 0};
    CameraDirection = {0, -1, 0};
    CameraUp = {1, 0, 0};
    ApplyCamera();
    Particle p;
    p.kind = PARTICLE_FADING;
    p.preset = PRESET_FIRE;
    p.position = {0, 0, 0};
    EmitParticle(p);
    TickParticles();
    Rgb centre = Pixel(320, 240);
    EXPECT_GT(centre.r, 150);
    EXPECT_GT(centre.g, 100);  // pale yellow when young
    ExpectCleanState();
}

TEST_F(EntitiesGL, HitSphereIsATranslucentGreenShell)
{
    DrawHitSphere({30, 0, 0}, 5.0f, 10, 10, 45, 117, 34, 255);
    Rgb centre = Pixel(320, 240);
    EXPECT_GT(centre.g, centre.r);
    EXPECT_GT(centre.g, centre.b);
    EXPECT_GT(centre.g, 100);  // two shells (front and back) added up
    Rgb outside = Pixel(320, 100);
    EXPECT_EQ(outside.g, 0);
    ExpectCleanState();

    ClearFrame();
    DrawHitSphere({30, 0, 0}, 5.0f, 10, 10, 45, 117, 34, 0);  // faded out: nothing shows
    EXPECT_EQ(Pixel(320, 240).g, 0);
}

TEST_F(EntitiesGL, BattleFramesDrawModelsBoltsAndExplosions)
{
    XWing* ship = new XWing({0, 25, 0}, 0.0f);
    TieFighter* tie = new TieFighter({60, 25, 0}, 180.0f);
    new Factory({150, 0, 40});
    Key(plat::VK_UP_KEY, true);
    Key('A', true);
    bool sawModel = false;
    for (int i = 0; i < 120; ++i) {
        ClearFrame();
        if (i == 10) tie->hitPoints = 0;  // an explosion with fire to draw
        if (i == 40) CameraMode = CAMERA_ABOVE;
        if (i == 80) CameraMode = CAMERA_FROM_MODEL;
        Frame();
        // The chase camera puts the ship a little below the centre of the picture.
        if (i == 5) {
            for (int y = 240; y < 400 && !sawModel; y += 2) {
                Rgb c = Pixel(320, y);
                sawModel = c.r + c.g + c.b > 0;
            }
        }
        ExpectCleanState();
        if (HasFailure()) break;
    }
    EXPECT_TRUE(sawModel);
    EXPECT_TRUE(kit::Listed(ship));
    EXPECT_GT(ship->position.x, 10.0f);
}

}  // namespace
