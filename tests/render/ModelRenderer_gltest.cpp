// SPDX-License-Identifier: MIT
// The cartoon renderer on a real context: brightness bands from the ramp, back-face outlines
// that thin with distance, textured objects, hidden reference points and the state it leaves.
#include <algorithm>
#include <cmath>
#include <vector>

#include "GLFixture.h"
#include "TestShapes.h"
#include "math/View.h"
#include "render/Model.h"
#include "render/ModelRenderer.h"
#include "render/Texture.h"

namespace {

const Rgb kBackground{40, 90, 160};

// A unit normal whose dot product with the game's light (1, -1, 0)/sqrt 2 is s.
Vector3D NormalWithShade(float s)
{
    const float k = 0.70710677f;
    const Vector3D light{k, -k, 0};
    return light * s + Vector3D{0, 0, 1} * std::sqrt(1.0f - s * s);
}

int Band(float s)
{
    const int texel = std::min(static_cast<int>(16 * s), 15);
    return texel <= 2 ? 128 : texel <= 7 ? 192 : texel <= 14 ? 224 : 255;
}

class ModelRendererTest : public GLFixture {
protected:
    void SetUp() override
    {
        GLFixture::SetUp();
        // The game's settings: far plane 4000, light (1, -1, 0).
        SetFrustum(-1.0f, 1.0f, -0.75f, 0.75f, 1.5f, 4000.0f);
        LightDirection = Vector3D{1, -1, 0};
        SetClearColor(kBackground.r, kBackground.g, kBackground.b);
        ClearFrame();
        ApplyCamera();
    }

    static void ExpectNear(Rgb got, Rgb want, const char* what)
    {
        EXPECT_NEAR(got.r, want.r, 1) << what << " got " << got << " want " << want;
        EXPECT_NEAR(got.g, want.g, 1) << what << " got " << got << " want " << want;
        EXPECT_NEAR(got.b, want.b, 1) << what << " got " << got << " want " << want;
    }

    // Width of the black run where row y first leaves the background, scanning from the left.
    static int OutlineWidth(int y)
    {
        int x = 0;
        while (x < kWidth && Pixel(x, y) == kBackground) ++x;
        int n = 0;
        while (x + n < kWidth && Pixel(x + n, y) == (Rgb{0, 0, 0})) ++n;
        return n;
    }
};

}  // namespace

TEST_F(ModelRendererTest, FacesShowTheFourBands)
{
    // Four squares facing the camera, each lit at its own angle.
    struct Face {
        float shade;  // dot of the normal with the light
        float z;  // centre across the screen
        const char* what;
    };
    const Face faces[] = {
        {0.97f, -6, "lit"}, {0.7f, -2, "oblique"}, {0.3f, 2, "steep"}, {-0.6f, 6, "unlit"}};
    Model model;
    const int obj = model.AddObject();
    model.SetColor(obj, 200, 100, 60);
    for (const Face& f : faces)
        AddFacingSquare(model, obj, 0, 0, f.z, 1.5f, NormalWithShade(f.shade));
    ModelInstance inst;
    inst.AttachModel(&model);
    inst.position = Vector3D{20, 0, 0};
    DrawInstance(inst);

    // At depth 20 one unit is 24 pixels: the centres lie 48 and 144 pixels either side.
    const int expectedBands[] = {255, 224, 192, 128};
    for (int i = 0; i < 4; ++i) {
        const int band = expectedBands[i];
        EXPECT_EQ(Band(std::fmax(faces[i].shade, 0.0f)), band);
        const int x = 320 + static_cast<int>(faces[i].z * 24);
        ExpectNear(Pixel(x, 240), Rgb{200 * band / 255, 100 * band / 255, 60 * band / 255},
                   faces[i].what);
    }
    EXPECT_EQ(Pixel(320, 100), kBackground);
}

// A face whose normals point straight along the light is the brightest band. Its coordinate
// is 1 (or a hair below, which the interpolation across the face can round up), and a normal
// longer than unit is clamped to 1 as well.
TEST_F(ModelRendererTest, FaceLitDeadOnShowsTheBrightestBand)
{
    const float k = 0.70710677f;
    struct Case {
        Vector3D normal;
        const char* what;
    };
    const Case cases[] = {{{k, -k, 0}, "unit normal along the light"},
                          {{1, -1, 0}, "longer normal along the light"},
                          {{5, -5, 0.5f}, "much longer, a little off the light"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ClearFrame();
        Model model;
        const int obj = model.AddObject();
        model.SetColor(obj, 200, 100, 60);
        AddFacingSquare(model, obj, 0, 0, 0, 4, c.normal);
        ModelInstance inst;
        inst.AttachModel(&model);
        inst.position = Vector3D{20, 0, 0};
        // Turned a little about y, so the face recedes and its coordinate is interpolated with
        // perspective.
        inst.forward = Vector3D{0.3f, 0, -1};
        const std::vector<float> s = ComputeShading(inst, obj);
        ASSERT_EQ(s.size(), 1u + 3 * 2);
        EXPECT_GT(s[1], 0.9375f);
        EXPECT_LE(s[1], 1.0f);
        DrawInstance(inst);
        for (int x = 250; x <= 390; x += 10)
            for (int y = 190; y <= 290; y += 10) ExpectNear(Pixel(x, y), Rgb{200, 100, 60}, "lit");
    }
}

TEST_F(ModelRendererTest, NormalsTurnWithTheInstanceAndPose)
{
    // One square facing the camera whose normal points along the model's forward (0, 0, -1):
    // unlit as authored, but the instance turned to face +x brings it along the light's x.
    Model model;
    const int obj = model.AddObject();
    AddFacingSquare(model, obj, 0, 0, 0, 1.5f, Vector3D{0, 0, -1});
    ModelInstance inst;
    inst.AttachModel(&model);
    inst.position = Vector3D{20, 0, 0};

    std::vector<float> s = ComputeShading(inst, obj);
    ASSERT_EQ(s.size(), 1u + 3 * 2);
    for (size_t i = 1; i < s.size(); ++i) EXPECT_EQ(s[i], 0.0f);
    // LightDirection is normalised in place.
    EXPECT_NEAR(LightDirection.x, 0.70710677f, 1e-6);
    EXPECT_NEAR(LightDirection.y, -0.70710677f, 1e-6);

    inst.forward = Vector3D{1, 0, 0};
    s = ComputeShading(inst, obj);
    for (size_t i = 1; i < s.size(); ++i) EXPECT_NEAR(s[i], 0.70710677f, 1e-5);

    // A pose of -45 degrees about z turns the normal (now +x) straight along the light.
    inst.poses[obj].angleA = -45;
    inst.poses[obj].axisA = Vector3D{0, 0, 1};
    s = ComputeShading(inst, obj);
    for (size_t i = 1; i < s.size(); ++i) {
        EXPECT_LE(s[i], 1.0f);
        EXPECT_NEAR(s[i], 1.0f, 1e-5);
    }
}

TEST_F(ModelRendererTest, OutlineFactorFollowsTheDistance)
{
    Model model;
    const int obj = model.AddObject();
    AddCube(model, obj, 1);
    ModelInstance inst;
    inst.AttachModel(&model);
    CameraEye = Vector3D{10, 20, 30};
    struct Case {
        float distance;
        double factor;
    };
    const Case cases[] = {{1.5f, 1.0},
                          {801.5f, std::exp(-5.0 * 800 / 3998.5)},
                          {4000.0f, 0.0067},
                          {0.0f, std::exp(5.0 * 1.5 / 3998.5)}};
    for (const Case& c : cases) {
        inst.position = CameraEye + Vector3D{0, 0, -c.distance};
        std::vector<float> s = ComputeShading(inst, obj);
        ASSERT_EQ(s.size(), 1u + 3 * 12);
        EXPECT_NEAR(s[0], c.factor, 1e-4) << c.distance;
    }
    // About 1.5 pixels at 800 units beyond the near plane.
    inst.position = CameraEye + Vector3D{0, 0, -801.5f};
    EXPECT_NEAR(4.0f * ComputeShading(inst, obj)[0], 1.47f, 0.01f);

    ModelInstance empty;
    EXPECT_TRUE(ComputeShading(empty, 0).empty());
    EXPECT_TRUE(ComputeShading(inst, 1).empty());
    EXPECT_TRUE(ComputeShading(inst, -1).empty());
}

TEST_F(ModelRendererTest, OutlineIsBlackAndThinsWithDistance)
{
    Model model;
    const int obj = model.AddObject();
    model.SetColor(obj, 255, 255, 255);
    AddCube(model, obj, 1);
    ModelInstance inst;
    inst.AttachModel(&model);

    // Near: a cube of side 2 at distance 6 (factor 0.99, lines 4 pixels wide); its front
    // face at depth 5 spans 320 +- 96 pixels.
    inst.position = Vector3D{6, 0, 0};
    DrawInstance(inst);
    EXPECT_EQ(Pixel(320 - 100, 240), kBackground);
    EXPECT_NE(Pixel(320 - 92, 240), (Rgb{0, 0, 0}));  // the face itself is not black
    const int nearWidth = OutlineWidth(240);
    EXPECT_GE(nearWidth, 2);
    EXPECT_LE(nearWidth, 4);
    EXPECT_EQ(OutlineWidth(200), nearWidth);

    // Far: scaled up 100 times at distance 1500 (factor 0.15, lines thinner than a pixel):
    // the front face at depth 1400 spans 320 +- 34 pixels, with one black pixel beside it.
    ClearFrame();
    inst.position = Vector3D{1500, 0, 0};
    inst.scale = 100.0f;
    DrawInstance(inst);
    EXPECT_EQ(Pixel(320 - 37, 240), kBackground);
    EXPECT_NE(Pixel(320 - 31, 240), (Rgb{0, 0, 0}));
    EXPECT_EQ(OutlineWidth(240), 1);
}

TEST_F(ModelRendererTest, StateIsRestoredAfterDrawing)
{
    Model model;
    const int shaded = model.AddObject();
    AddCube(model, shaded, 1);
    const int textured = model.AddObject();
    AddFacingSquare(model, textured, 0, 3, 0, 1, Vector3D{-1, 0, 0});
    model.objects[textured].textureId = 1;
    const uint8_t rgb[3] = {9, 9, 9};
    ASSERT_TRUE(CreateConstantAlphaTexture(rgb, sizeof rgb, 1, 1, 1, 1.0f));
    ModelInstance inst;
    inst.AttachModel(&model);
    inst.position = Vector3D{10, 0, 0};

    const std::vector<double> modelView = Matrix(GL_MODELVIEW_MATRIX);
    DrawInstance(inst);
    EXPECT_EQ(Matrix(GL_MODELVIEW_MATRIX), modelView);
    EXPECT_TRUE(IsOn(GL_CULL_FACE));
    EXPECT_EQ(GetInt(GL_CULL_FACE_MODE), GL_BACK);
    EXPECT_EQ(GetInt(GL_DEPTH_FUNC), GL_LESS);
    GLint modes[2] = {0, 0};
    glGetIntegerv(GL_POLYGON_MODE, modes);
    EXPECT_EQ(modes[0], GL_FILL);
    EXPECT_EQ(modes[1], GL_FILL);
    GLfloat width = 0, colour[4] = {0, 0, 0, 0};
    glGetFloatv(GL_LINE_WIDTH, &width);
    EXPECT_EQ(width, 1.0f);
    EXPECT_FALSE(IsOn(GL_TEXTURE_1D));
    EXPECT_FALSE(IsOn(GL_TEXTURE_2D));
    EXPECT_FALSE(IsOn(GL_VERTEX_ARRAY));  // the outline's edges go as an array
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_EQ(colour[0], 1.0f);
    EXPECT_EQ(colour[1], 1.0f);
    EXPECT_EQ(colour[2], 1.0f);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(ModelRendererTest, TexturedObjectsUseTheInstanceOffset)
{
    const uint8_t two[3] = {250, 0, 0};
    const uint8_t five[3] = {10, 200, 30};
    ASSERT_TRUE(CreateConstantAlphaTexture(two, sizeof two, 1, 1, 2, 1.0f));
    ASSERT_TRUE(CreateConstantAlphaTexture(five, sizeof five, 1, 1, 5, 1.0f));
    Model model;
    const int obj = model.AddObject();
    model.SetColor(obj, 255, 128, 255);  // modulates the texture
    AddFacingSquare(model, obj, 0, 0, 0, 2, Vector3D{-1, 0, 0});
    for (int p = 0; p < 4; ++p) model.SetTexCoord(obj, p, 0.5f, 0.5f);
    model.objects[obj].textureId = 2;
    ModelInstance inst;
    inst.AttachModel(&model);
    inst.position = Vector3D{20, 0, 0};
    inst.textureOffset = 3;
    DrawInstance(inst);
    ExpectNear(Pixel(320, 240), Rgb{10, 100, 30}, "texture 5");
    // No outline around a textured object.
    EXPECT_EQ(Pixel(320 - 49, 240), kBackground);
}

TEST_F(ModelRendererTest, ReferencePointsAreNotDrawnButCarryTheirChildren)
{
    Model model;
    const int marker = model.AddObject();
    model.SetColor(marker, 158, 0, 158);
    model.SetPivot(marker, 0, 0, 4);  // four units to the right on screen
    AddFacingSquare(model, marker, 0, 0, 0, 1, NormalWithShade(0.97f));
    const int other = model.AddObject();
    model.SetColor(other, 159, 0, 159);
    AddFacingSquare(model, other, 0, 0, -4, 1, NormalWithShade(0.97f));
    const int child = model.AddObject();
    ASSERT_TRUE(model.SetParent(child, marker));
    model.SetPivot(child, 0, 2, 0);
    model.SetColor(child, 0, 250, 0);
    AddFacingSquare(model, child, 0, 0, 0, 1, NormalWithShade(0.97f));
    ModelInstance inst;
    inst.AttachModel(&model);
    inst.position = Vector3D{20, 0, 0};
    DrawInstance(inst);

    EXPECT_EQ(Pixel(320 + 96, 240), kBackground);  // the marker
    EXPECT_EQ(Pixel(320 - 96, 240), kBackground);  // the other marker colour
    ExpectNear(Pixel(320 + 96, 240 - 48), Rgb{0, 250, 0}, "child of the marker");
    Vector3D p{0, 0, 0};
    ASSERT_TRUE(inst.PartPointToWorld(marker, p));
    EXPECT_EQ(p, (Vector3D{20, 0, 4}));
}

TEST_F(ModelRendererTest, BadDataDrawsWhatItCan)
{
    Model model;
    const int obj = model.AddObject();
    model.SetColor(obj, 250, 250, 250);
    AddFacingSquare(model, obj, 0, 0, 0, 1, NormalWithShade(0.97f));
    // A triangle naming points the object does not have is left out.
    model.AddTriangle(obj, 0, 1, 99);
    model.AddTriangle(obj, -1, 1, 2);
    // A cycle of two objects that never reaches a root.
    const int a = model.AddObject();
    const int b = model.AddObject();
    AddFacingSquare(model, a, 0, 0, 0, 1, NormalWithShade(0.97f));
    ASSERT_TRUE(model.SetParent(a, b));
    ASSERT_TRUE(model.SetParent(b, a));
    ModelInstance inst;
    inst.AttachModel(&model);
    inst.position = Vector3D{20, 0, 0};
    DrawInstance(inst);
    ExpectNear(Pixel(320, 240), Rgb{250, 250, 250}, "the good square");
    EXPECT_TRUE(ComputeShading(inst, a).empty());

    ModelInstance noModel;
    DrawInstance(noModel);
    DrawPart(noModel, 0);
    DrawPart(inst, 7);
    EXPECT_FALSE(IsOn(GL_TEXTURE_1D));
}
