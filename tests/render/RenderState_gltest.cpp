// SPDX-License-Identifier: MIT
// The GL context's initial state and the render-state switches, read back from a real context.
#include <GL/glu.h>

#include <cmath>

#include "GLFixture.h"
#include "math/View.h"
#include "render/Texture.h"

namespace {

// Column-major product m x (x, y, z, 1).
void Transform(const std::vector<double>& m, double x, double y, double z, double out[4])
{
    for (int r = 0; r < 4; ++r) out[r] = m[r] * x + m[4 + r] * y + m[8 + r] * z + m[12 + r];
}

void FillPixelRect(float x0, float y0, float x1, float y1)
{
    glBegin(GL_QUADS);
    glVertex2f(x0, y0);
    glVertex2f(x0, y1);
    glVertex2f(x1, y1);
    glVertex2f(x1, y0);
    glEnd();
}

}  // namespace

using RenderStateTest = GLFixture;

TEST_F(RenderStateTest, InitialStateIsTheGamesStartingView)
{
    EXPECT_EQ(ViewportWidth, 640);
    EXPECT_EQ(ViewportHeight, 480);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[0], 0);
    EXPECT_EQ(viewport[1], 0);
    EXPECT_EQ(viewport[2], 640);
    EXPECT_EQ(viewport[3], 480);

    EXPECT_FLOAT_EQ(FrustumParams.left, -1.0f);
    EXPECT_FLOAT_EQ(FrustumParams.right, 1.0f);
    EXPECT_FLOAT_EQ(FrustumParams.bottom, -0.75f);
    EXPECT_FLOAT_EQ(FrustumParams.top, 0.75f);
    EXPECT_FLOAT_EQ(FrustumParams.near, 1.5f);
    EXPECT_FLOAT_EQ(FrustumParams.far, 1000.0f);

    // glFrustum(-1, 1, -0.75, 0.75, 1.5, 1000).
    const std::vector<double> p = Matrix(GL_PROJECTION_MATRIX);
    const double n = 1.5, f = 1000.0;
    const double expected[16] = {
        1.5, 0, 0, 0, 0, 2.0, 0, 0, 0, 0, -(f + n) / (f - n), -1, 0, 0, -2 * f * n / (f - n), 0};
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(p[i], expected[i], 1e-5) << "projection element " << i;

    // The camera sits at the origin looking along +x with y up: (5, 0, 0) is straight ahead.
    double eye[4];
    Transform(Matrix(GL_MODELVIEW_MATRIX), 5, 0, 0, eye);
    EXPECT_NEAR(eye[0], 0, 1e-6);
    EXPECT_NEAR(eye[1], 0, 1e-6);
    EXPECT_NEAR(eye[2], -5, 1e-6);
    Transform(Matrix(GL_MODELVIEW_MATRIX), 5, 1, 0, eye);
    EXPECT_NEAR(eye[1], 1, 1e-6);

    EXPECT_TRUE(IsOn(GL_DEPTH_TEST));
    EXPECT_TRUE(IsOn(GL_CULL_FACE));
    EXPECT_EQ(GetInt(GL_CULL_FACE_MODE), GL_BACK);
    EXPECT_EQ(GetInt(GL_FRONT_FACE), GL_CCW);
    EXPECT_EQ(GetInt(GL_MATRIX_MODE), GL_MODELVIEW);
    EXPECT_FALSE(IsOn(GL_BLEND));
    EXPECT_FALSE(IsOn(GL_ALPHA_TEST));
    EXPECT_EQ(LightDirection, (Vector3D{1, 0, 0}));

    GLfloat clear[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    EXPECT_EQ(clear[0], 0.0f);
    EXPECT_EQ(clear[3], 1.0f);

    // The registry holds the ramp alone.
    ASSERT_EQ(TextureCount(), 1);
    EXPECT_EQ(TextureAt(0).name, RAMP_TEXTURE);
    EXPECT_EQ(TextureAt(0).width, 16);
    EXPECT_EQ(TextureAt(0).height, 1);

    // A triangle ten units ahead lands in the middle of the window.
    glColor3ub(255, 0, 0);
    glBegin(GL_TRIANGLES);
    glVertex3f(10, -1, -1);
    glVertex3f(10, -1, 1);
    glVertex3f(10, 1, 0);
    glEnd();
    glColor3f(1, 1, 1);
    EXPECT_EQ(Pixel(320, 240), (Rgb{255, 0, 0}));
    EXPECT_EQ(Pixel(5, 5), (Rgb{0, 0, 0}));
}

TEST_F(RenderStateTest, SetFrustumKeepsTheValuesAndLoadsThem)
{
    SetFrustum(-1.0f, 1.0f, -0.75f, 0.75f, 1.5f, 4000.0f);
    EXPECT_FLOAT_EQ(FrustumParams.far, 4000.0f);
    const std::vector<double> p = Matrix(GL_PROJECTION_MATRIX);
    EXPECT_NEAR(p[14], -2 * 4000.0 * 1.5 / (4000.0 - 1.5), 1e-4);
    EXPECT_EQ(GetInt(GL_MATRIX_MODE), GL_MODELVIEW);
    const std::vector<double> mv = Matrix(GL_MODELVIEW_MATRIX);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(mv[i], (i % 5 == 0) ? 1.0 : 0.0);
}

TEST_F(RenderStateTest, NoContextWithoutAPlatformContext)
{
    ReleaseGLContext();
    plat::fake::SetVideoAvailable(false);
    EXPECT_FALSE(CreateGLContext(window, 640, 480));
    EXPECT_FALSE(HasGLContext());
    plat::fake::SetVideoAvailable(true);
    EXPECT_FALSE(CreateGLContext(window, 0, 480));
    EXPECT_FALSE(CreateGLContext(nullptr, 640, 480));
    EXPECT_TRUE(CreateGLContext(window, 640, 480));
    EXPECT_TRUE(HasGLContext());
    // Made again over a live one: a fresh context with only the ramp.
    const uint8_t rgb[3] = {1, 2, 3};
    ASSERT_TRUE(CreateKeyedTexture(rgb, sizeof rgb, 1, 1, 7));
    EXPECT_TRUE(CreateGLContext(window, 320, 240));
    EXPECT_EQ(ViewportWidth, 320);
    EXPECT_EQ(TextureCount(), 1);
    EXPECT_FALSE(glIsTexture(7));
}

TEST_F(RenderStateTest, ReleaseDeletesEveryTexture)
{
    const uint8_t rgb[3] = {1, 2, 3};
    ASSERT_TRUE(CreateKeyedTexture(rgb, sizeof rgb, 1, 1, 7));
    EXPECT_TRUE(glIsTexture(7));
    EXPECT_TRUE(glIsTexture(RAMP_TEXTURE));
    ReleaseGLContext();
    EXPECT_EQ(TextureCount(), 0);
    // A new context starts again from the ramp alone.
    ASSERT_TRUE(CreateGLContext(window, 640, 480));
    EXPECT_EQ(TextureCount(), 1);
    EXPECT_FALSE(glIsTexture(7));
}

TEST_F(RenderStateTest, Begin2DMapsWindowPixels)
{
    glDepthFunc(GL_LESS);
    const std::vector<double> modelView = Matrix(GL_MODELVIEW_MATRIX);
    const std::vector<double> projection = Matrix(GL_PROJECTION_MATRIX);
    Begin2D();
    EXPECT_EQ(GetInt(GL_MATRIX_MODE), GL_PROJECTION);
    EXPECT_EQ(GetInt(GL_DEPTH_FUNC), GL_ALWAYS);
    EXPECT_FALSE(IsOn(GL_CULL_FACE));
    glColor3ub(255, 0, 0);
    FillPixelRect(0, 0, 1, 1);  // the top-left pixel
    glColor3ub(0, 255, 0);
    FillPixelRect(639, 479, 640, 480);  // the bottom-right pixel
    glColor3ub(0, 0, 255);
    FillPixelRect(100, 50, 110, 52);  // a 10 x 2 strip
    glColor3f(1, 1, 1);
    End2D();

    EXPECT_EQ(Pixel(0, 0), (Rgb{255, 0, 0}));
    EXPECT_EQ(Pixel(1, 0), (Rgb{0, 0, 0}));
    EXPECT_EQ(Pixel(0, 1), (Rgb{0, 0, 0}));
    EXPECT_EQ(Pixel(639, 479), (Rgb{0, 255, 0}));
    EXPECT_EQ(Pixel(638, 479), (Rgb{0, 0, 0}));
    EXPECT_EQ(Pixel(100, 50), (Rgb{0, 0, 255}));
    EXPECT_EQ(Pixel(109, 51), (Rgb{0, 0, 255}));
    EXPECT_EQ(Pixel(110, 51), (Rgb{0, 0, 0}));
    EXPECT_EQ(Pixel(100, 52), (Rgb{0, 0, 0}));
    EXPECT_EQ(Pixel(99, 50), (Rgb{0, 0, 0}));

    EXPECT_EQ(GetInt(GL_MATRIX_MODE), GL_MODELVIEW);
    EXPECT_EQ(GetInt(GL_DEPTH_FUNC), GL_LESS);
    EXPECT_TRUE(IsOn(GL_CULL_FACE));
    EXPECT_EQ(Matrix(GL_MODELVIEW_MATRIX), modelView);
    EXPECT_EQ(Matrix(GL_PROJECTION_MATRIX), projection);
}

TEST_F(RenderStateTest, Begin2DDrawsOverNearerDepthAndKeepsOtherDepthFunctions)
{
    // Something right in front of the camera fills the depth buffer first.
    glColor3ub(0, 0, 255);
    glBegin(GL_QUADS);
    glVertex3f(2, 5, 5);
    glVertex3f(2, 5, -5);
    glVertex3f(2, -5, -5);
    glVertex3f(2, -5, 5);
    glEnd();
    glDepthFunc(GL_LEQUAL);
    Begin2D();
    glColor3ub(255, 255, 0);
    FillPixelRect(300, 200, 340, 280);
    glColor3f(1, 1, 1);
    End2D();
    EXPECT_EQ(Pixel(320, 240), (Rgb{255, 255, 0}));
    EXPECT_EQ(Pixel(10, 10), (Rgb{0, 0, 255}));
    EXPECT_EQ(GetInt(GL_DEPTH_FUNC), GL_LEQUAL);
}

// Blending and the alpha test switch as pairs: each row is a sequence and the state after it.
TEST_F(RenderStateTest, BlendAndAlphaTestPairs)
{
    struct Case {
        const char* what;
        bool alphaTest;
        int begins;  // BeginBlend(1) calls
        int ends;  // EndBlend calls after them
        bool blendOn, depthWrites, alphaOn;
    };
    const Case cases[] = {
        {"begin twice, end once", false, 2, 1, false, true, false},
        {"begin only", false, 1, 0, true, false, false},
        {"alpha test off during blending", true, 1, 0, true, false, false},
        {"alpha test back after blending", true, 1, 1, false, true, true},
        {"end without begin leaves alpha test off", false, 0, 1, false, true, false},
        {"end without begin leaves alpha test on", true, 0, 1, false, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EndBlend();
        if (c.alphaTest) EnableAlphaTest();
        else DisableAlphaTest();
        for (int i = 0; i < c.begins; ++i) BeginBlend(1);
        for (int i = 0; i < c.ends; ++i) EndBlend();
        EXPECT_EQ(IsOn(GL_BLEND), c.blendOn);
        GLboolean mask = GL_FALSE;
        glGetBooleanv(GL_DEPTH_WRITEMASK, &mask);
        EXPECT_EQ(mask == GL_TRUE, c.depthWrites);
        EXPECT_EQ(IsOn(GL_ALPHA_TEST), c.alphaOn);
    }
    EndBlend();
    EnableAlphaTest();
    EXPECT_EQ(GetInt(GL_ALPHA_TEST_FUNC), GL_GREATER);
}

TEST_F(RenderStateTest, BlendModesMixPixels)
{
    struct Case {
        int mode;
        int expectedRed;  // background red 100, quad red 200 at alpha 0.5
    };
    // Mode 0 is translucency, 1 adds, any other keeps the function of the previous blend (1).
    const Case cases[] = {{0, 150}, {1, 200}, {7, 200}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        SetClearColor(100, 0, 0);
        ClearFrame();
        BeginBlend(c.mode);
        Begin2D();
        glColor4ub(200, 0, 0, 128);
        FillPixelRect(0, 0, 640, 480);
        glColor4f(1, 1, 1, 1);
        End2D();
        EndBlend();
        EXPECT_NEAR(Pixel(320, 240).r, c.expectedRed, 1);
    }
}

TEST_F(RenderStateTest, AlphaTestCutsZeroAlpha)
{
    EnableAlphaTest();
    Begin2D();
    glColor4ub(255, 0, 0, 0);
    FillPixelRect(0, 0, 10, 10);
    glColor4ub(0, 255, 0, 1);
    FillPixelRect(10, 0, 20, 10);
    glColor4f(1, 1, 1, 1);
    End2D();
    EXPECT_EQ(Pixel(5, 5), (Rgb{0, 0, 0}));
    EXPECT_EQ(Pixel(15, 5), (Rgb{0, 255, 0}));

    DisableAlphaTest();
    EXPECT_FALSE(IsOn(GL_ALPHA_TEST));
    // With the test off, blending no longer brings it back.
    BeginBlend(0);
    EndBlend();
    EXPECT_FALSE(IsOn(GL_ALPHA_TEST));
}

TEST_F(RenderStateTest, FogUsesTheFrustumAndClearColour)
{
    SetFrustum(-1, 1, -0.75f, 0.75f, 1.5f, 4000.0f);
    SetClearColor(0, 128, 255);
    EnableFogClearColor();
    EXPECT_TRUE(IsOn(GL_FOG));
    EXPECT_EQ(GetInt(GL_FOG_MODE), GL_LINEAR);
    GLfloat start = 0, end = 0, colour[4] = {0, 0, 0, 0};
    glGetFloatv(GL_FOG_START, &start);
    glGetFloatv(GL_FOG_END, &end);
    glGetFloatv(GL_FOG_COLOR, colour);
    EXPECT_FLOAT_EQ(start, 1.5f);
    EXPECT_FLOAT_EQ(end, 4000.0f);
    EXPECT_NEAR(colour[0], 0.0f, 1e-6);
    EXPECT_NEAR(colour[1], 128 / 255.0f, 1.0f / 255);
    EXPECT_NEAR(colour[2], 1.0f, 1.0f / 255);
    EXPECT_EQ(colour[3], 1.0f);
}

// The clear colour comes back as floats, is multiplied by 255 and truncated: every level
// SetClearColor can give survives that exactly, so the fog has the clear colour itself.
TEST_F(RenderStateTest, FogClearColourKeepsEveryLevel)
{
    for (int level = 0; level < 256; ++level) {
        SetClearColor(level, 255 - level, level);
        EnableFogClearColor();
        GLfloat colour[4] = {0, 0, 0, 0};
        glGetFloatv(GL_FOG_COLOR, colour);
        ASSERT_EQ(colour[0], level / 255.0f) << level;
        ASSERT_EQ(colour[1], (255 - level) / 255.0f) << level;
    }
    glDisable(GL_FOG);
}

// Cameras for the projection checks. Some up vectors lean along the view direction (only their
// part across it counts, as for gluLookAt); the last ones look straight along z, where the turn
// from the camera's own axis is none or a half turn, and one is upside down.
struct CameraCase {
    Vector3D eye, direction, up;
};
const CameraCase kCameras[] = {
    {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}},          {{10, 20, -30}, {0.3f, -0.2f, 0.9f}, {0, 1, 0}},
    {{-5, 2, 7}, {-2, 0.5f, -1}, {0.2f, 1, 0}}, {{0, 50, 0}, {0.1f, -1, 0.05f}, {0, 0, -1}},
    {{1, 2, 3}, {0, 0, -4}, {0, 1, 0}},         {{1, 2, 3}, {0, 0, 4}, {0, 1, 0}},
    {{0, 0, 0}, {1, 0, 0}, {0, -1, 0}},
};

TEST_F(RenderStateTest, ProjectToScreenMatchesTheGLPipeline)
{
    SetFrustum(-1, 1, -0.75f, 0.75f, 1.5f, 4000.0f);
    const Vector3D offsets[] = {{0, 0, 0}, {3, 1, -2}, {-4, -2, 5}, {1, 6, 1}};
    for (const CameraCase& cam : kCameras) {
        CameraEye = cam.eye;
        CameraDirection = cam.direction;
        CameraUp = cam.up;
        ApplyCamera();
        GLdouble mv[16], proj[16];
        GLint viewport[4];
        glGetDoublev(GL_MODELVIEW_MATRIX, mv);
        glGetDoublev(GL_PROJECTION_MATRIX, proj);
        glGetIntegerv(GL_VIEWPORT, viewport);
        Vector3D dir = cam.direction;
        Normalize(dir);
        for (const Vector3D& off : offsets) {
            const Vector3D world = cam.eye + dir * 40.0f + off;
            SCOPED_TRACE(::testing::Message()
                         << "eye " << cam.eye.x << "," << cam.eye.y << "," << cam.eye.z << " dir "
                         << cam.direction.x << "," << cam.direction.y << "," << cam.direction.z
                         << " up.y " << cam.up.y << " offset " << off.x);
            GLdouble wx, wy, wz;
            ASSERT_TRUE(gluProject(world.x, world.y, world.z, mv, proj, viewport, &wx, &wy, &wz));
            Vector3D p = world, screen;
            ProjectToScreen(p, screen);
            EXPECT_NEAR(screen.x, wx, 0.01);
            EXPECT_NEAR(screen.y, kHeight - wy, 0.01);
            EXPECT_LT(screen.z, 0.0f);
            // The argument comes back in camera space, where the model-view matrix puts it.
            double inEye[4];
            Transform(std::vector<double>(mv, mv + 16), world.x, world.y, world.z, inEye);
            EXPECT_NEAR(p.x, inEye[0], 1e-3);
            EXPECT_NEAR(p.y, inEye[1], 1e-3);
            EXPECT_NEAR(p.z, inEye[2], 1e-3);
            EXPECT_EQ(screen.z, p.z);
        }
    }
}

TEST_F(RenderStateTest, UnprojectThenProjectIsTheSamePixel)
{
    const float pixels[][2] = {{0, 0}, {320, 240}, {639.5f, 479.5f}, {17, 400}, {600, 3}};
    for (const CameraCase& cam : kCameras) {
        CameraEye = cam.eye;
        CameraDirection = cam.direction;
        CameraUp = cam.up;
        for (const auto& px : pixels) {
            SCOPED_TRACE(::testing::Message()
                         << "pixel " << px[0] << "," << px[1] << " dir " << cam.direction.x << ","
                         << cam.direction.y << "," << cam.direction.z);
            Vector3D world = UnprojectFromScreen(px[0], px[1]);
            // The point lies on the near plane: 1.5 units along the view direction.
            Vector3D dir = cam.direction;
            Normalize(dir);
            EXPECT_NEAR(Dot(world - cam.eye, dir), 1.5f, 1e-4);
            Vector3D screen;
            ProjectToScreen(world, screen);
            EXPECT_NEAR(screen.x, px[0], 0.01);
            EXPECT_NEAR(screen.y, px[1], 0.01);
            EXPECT_NEAR(screen.z, -1.5f, 1e-4);
        }
    }
}

TEST_F(RenderStateTest, UnprojectOutsideTheWindowIsZero)
{
    CameraEye = Vector3D{5, 5, 5};
    const float outside[][2] = {{640, 10}, {10, 480}, {-0.5f, 10}, {10, -1}, {1e9f, 1e9f}};
    for (const auto& px : outside)
        EXPECT_EQ(UnprojectFromScreen(px[0], px[1]), (Vector3D{0, 0, 0}));
}

TEST_F(RenderStateTest, PresentShowsTheFrameAndClearStartsANewOne)
{
    SetClearColor(208, 232, 234);
    ClearFrame();
    EXPECT_EQ(Pixel(3, 3), (Rgb{208, 232, 234}));
    PresentFrame();
    ClearFrame();
    EXPECT_EQ(Pixel(600, 400), (Rgb{208, 232, 234}));
}
