// SPDX-License-Identifier: MIT
// How the generated media read in the game's own pictures (the build's ZabroData.arc drawn by
// the game's renderer on an offscreen GL context): the view from the cockpit has no stray
// outline pieces along its lower edge; an enemy fighter 150 to 250 units ahead of the chase
// camera shows its colours, not just its outline; an enemy bolt's trail shows as more than a
// dot; and the ground is painted in fields large enough to stay fields when magnified.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "entities/ArchiveMedia.h"
#include "entities/EntityDrawing.h"
#include "entities/GameEntity.h"
#include "entities/Particles.h"
#include "math/View.h"
#include "platform/FakePlatform.h"
#include "render/ModelRenderer.h"
#include "render/RenderState.h"
#include "render/SkyDome.h"
#include "render/Texture.h"

namespace {

constexpr int kW = 640, kH = 480;

std::vector<uint8_t> Entry(const char* name)
{
    bool complete = false;
    uint8_t* data = MediaArchive::ReadEntry(name, &complete);
    const int32_t size = MediaArchive::EntrySize(MediaArchive::FindEntry(name));
    std::vector<uint8_t> bytes;
    if (data && complete) bytes.assign(data, data + size);
    delete[] data;
    return bytes;
}

struct Picture {
    std::vector<uint8_t> rgb;  // top row first
    const uint8_t* At(int x, int y) const { return &rgb[(static_cast<size_t>(y) * kW + x) * 3]; }
};

class MediaLook : public ::testing::Test {
protected:
    void SetUp() override
    {
        plat::fake::Reset();
        std::string why;
        ASSERT_TRUE(media::LoadGameMedia(&why)) << why;
        plat::WindowDesc desc;
        desc.title = "media look";
        desc.clientWidth = kW;
        desc.clientHeight = kH;
        window = plat::CreateNativeWindow(desc, nullptr);
        ASSERT_NE(window, nullptr) << plat::LastError();
        ASSERT_TRUE(CreateGLContext(window, kW, kH)) << plat::LastError();
        // As the game's controller sets up its context.
        SetFrustum(FrustumParams.left, FrustumParams.right, FrustumParams.bottom, FrustumParams.top,
                   FrustumParams.near, 4000.0f);
        LightDirection = {1.0f, -1.0f, 0.0f};
        Normalize(LightDirection);
        EnableAlphaTest();
        terrain = Entry("Media\\Terrain128.raw");
        const std::vector<uint8_t> sky = Entry("Media\\Sky256128.raw");
        particle = Entry("Media\\Particle32.raw");
        ASSERT_EQ(terrain.size(), 128u * 128u * 3u);
        ASSERT_TRUE(CreateConstantAlphaTexture(terrain.data(), terrain.size(), 128, 128, 1, 1.0f));
        ASSERT_TRUE(CreateConstantAlphaTexture(sky.data(), sky.size(), 256, 128, 2, 1.0f));
        ASSERT_TRUE(CreateBrightnessAlphaTexture(particle.data(), particle.size(), 32, 32, 3));
        SetClearColor(208, 232, 234);
    }
    void TearDown() override
    {
        StopParticles();
        ReleaseGLContext();
        media::FreeGameMedia();
        plat::fake::Reset();
    }

    // Sky and ground seen from the camera, as every play frame starts.
    static void Background()
    {
        ClearFrame();
        ApplyCamera();
        SkyDome sky(4000.0f, 16, 20, 2);
        sky.Draw(CameraEye);
        DrawGround({-1000.0f, 0.0f, -1000.0f}, {1000.0f, 0.0f, 1000.0f}, 1);
    }

    static Picture Read()
    {
        Picture p;
        p.rgb.resize(kW * kH * 3);
        std::vector<uint8_t> rows(p.rgb.size());
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, kW, kH, GL_RGB, GL_UNSIGNED_BYTE, rows.data());
        for (int y = 0; y < kH; ++y)
            std::copy_n(&rows[static_cast<size_t>(kH - 1 - y) * kW * 3], kW * 3,
                        &p.rgb[static_cast<size_t>(y) * kW * 3]);
        return p;
    }

    static ModelInstance Placed(Model& model, const Vector3D& at, float heading)
    {
        ModelInstance inst;
        inst.AttachModel(&model);
        inst.scale = 0.1f;
        inst.position = at;
        Vector3D f{1.0f, 0.0f, 0.0f};
        RotateY(f, heading);
        inst.forward = f;
        return inst;
    }

    plat::NativeWindow window = nullptr;
    std::vector<uint8_t> terrain, particle;
};

bool Dark(const uint8_t* p) { return p[0] < 60 && p[1] < 60 && p[2] < 60; }

// The view from the cockpit of the ship over a plain background: along the lower edge every row
// crosses the nose as background, outline, fill, outline, background. A dark run inside the
// fill is an outline of something the picture does not show (the near plane cut into it).
TEST_F(MediaLook, TheCockpitViewHasNoStrayOutlinesAlongItsLowerEdge)
{
    ModelInstance ship = Placed(XWingModel, {0.0f, 25.0f, 0.0f}, 0.0f);
    int32_t eye = -1;
    for (int32_t i = 0; i < XWingModel.count && eye < 0; ++i)
        if (std::string(XWingModel.objects[i].name) == "V") eye = i;
    ASSERT_GE(eye, 0);
    Vector3D p{0.0f, 0.0f, 0.0f}, f, u;
    ASSERT_TRUE(ship.PartPointToWorld(eye, p));
    ASSERT_TRUE(ship.GetPartDirections(eye, f, u));
    CameraEye = p;
    CameraDirection = f;
    CameraUp = u;
    SetClearColor(120, 200, 120);
    ClearFrame();
    ApplyCamera();
    DrawInstance(ship);
    const Picture pic = Read();
    int strayRows = 0;
    for (int y = kH - 16; y < kH; ++y) {
        // Dark runs strictly inside the span of the nose (its first to its last non-background
        // pixel), not touching either end.
        int first = -1, last = -1;
        for (int x = 0; x < kW; ++x) {
            const uint8_t* q = pic.At(x, y);
            if (!(q[0] == 120 && q[1] == 200 && q[2] == 120)) {
                if (first < 0) first = x;
                last = x;
            }
        }
        if (first < 0) continue;
        int runs = 0;
        bool inDark = Dark(pic.At(first, y));
        for (int x = first + 1; x <= last; ++x) {
            const bool d = Dark(pic.At(x, y));
            if (d && !inDark) ++runs;
            inDark = d;
        }
        // The outline on the right side ends the span; more than that is stray.
        strayRows += runs > 1;
    }
    EXPECT_EQ(strayRows, 0);
}

// An enemy fighter 150 to 250 units ahead of the chase camera's ship, going away, crossing,
// coming and slanting, over the game's ground. Its outline is several pixels wide there and
// the fighter only 20 to 30 across, so what it needs is broad, light surfaces that leave some
// of its own colours inside the black: a share of them from every side.
TEST_F(MediaLook, FightersShowTheirColoursAtCombatRange)
{
    const Vector3D ship{0.0f, 25.0f, 0.0f};
    PlaceChaseCamera(ship, {1.0f, 0.0f, 0.0f}, 20.0f);
    Background();
    const Picture empty = Read();
    for (float d : {150.0f, 200.0f, 250.0f}) {
        double shares = 0.0;
        for (float heading : {0.0f, 90.0f, 180.0f, 300.0f}) {
            Background();
            ModelInstance fighter = Placed(TieFighterModel, {d, 25.0f, 15.0f}, heading);
            DrawInstance(fighter);
            const Picture pic = Read();
            int shown = 0, dark = 0;
            for (int y = 0; y < kH; ++y)
                for (int x = 0; x < kW; ++x) {
                    const uint8_t *a = pic.At(x, y), *b = empty.At(x, y);
                    if (a[0] == b[0] && a[1] == b[1] && a[2] == b[2]) continue;
                    ++shown;
                    dark += Dark(a);
                }
            std::printf("fighter at %.0f units, heading %.0f: %d pixels, %d of them outline\n", d,
                        heading, shown, dark);
            EXPECT_GE(shown - dark, 15) << d << " units, heading " << heading;
            shares += shown ? static_cast<double>(shown - dark) / shown : 0.0;
        }
        EXPECT_GE(shares / 4.0, 0.15) << d << " units";
    }
}

// An enemy bolt's trail 150 and 250 units ahead of the chase camera's ship, over the ground,
// through its pulse (a second of the clock): a spot a player can see, not a dot.
TEST_F(MediaLook, EnemyBoltsShowAsMoreThanADot)
{
    StartParticles(3);
    AddGameParticlePresets();
    const Vector3D ship{0.0f, 25.0f, 0.0f};
    PlaceChaseCamera(ship, {1.0f, 0.0f, 0.0f}, 20.0f);
    Background();
    const Picture empty = Read();
    for (float d : {150.0f, 250.0f}) {
        int lit = 0;
        for (uint32_t phase : {0u, 250u, 500u, 750u}) {
            plat::fake::SetTicks(10000 + phase);
            Background();
            Particle bolt;
            bolt.kind = PARTICLE_SINGLE_FRAME;
            bolt.preset = PRESET_ENEMY_TRAIL;
            bolt.position = {d, 25.0f, 0.0f};
            EmitParticle(bolt);
            TickParticles();
            const Picture pic = Read();
            for (int y = 0; y < kH; ++y)
                for (int x = 0; x < kW; ++x) {
                    const uint8_t *a = pic.At(x, y), *b = empty.At(x, y);
                    lit += std::abs(a[0] - b[0]) + std::abs(a[1] - b[1]) > 60;
                }
        }
        std::printf("enemy bolt at %.0f units: %.1f pixels lit over its pulse\n", d, lit / 4.0);
        EXPECT_GE(lit / 4.0, d < 200.0f ? 30.0 : 12.0) << d << " units";
    }
}

}  // namespace
