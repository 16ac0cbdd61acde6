// SPDX-License-Identifier: MIT
// The browser backend's OpenGL 1.1 subset on WebGL, in headless Chromium: what the game's calls
// draw (read back from the picture), the matrices GL defines, display lists that take the
// caller's colour, texture names of the program's own, the shading ramp clamped at each
// corner, wide lines, alpha test, blending, fog and depth, and state queries that never ask
// the GPU.
#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <cmath>
#include <ostream>
#include <vector>

#include "platform/Platform.h"
#include "platform/web/gl/Device.h"
#include "platform/web/gl/Gl11.h"

namespace {

struct Rgb {
    int r = 0, g = 0, b = 0;
    bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
};

std::ostream& operator<<(std::ostream& os, const Rgb& c)
{
    return os << "(" << c.r << ", " << c.g << ", " << c.b << ")";
}

bool Near(const Rgb& a, const Rgb& b, int tolerance = 2)
{
    return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
           std::abs(a.b - b.b) <= tolerance;
}

const Rgb kBlack{0, 0, 0}, kRed{255, 0, 0}, kGreen{0, 255, 0}, kBlue{0, 0, 255};

struct Gl11 : ::testing::Test {
    void SetUp() override
    {
        plat::WindowDesc d;
        window = plat::CreateNativeWindow(d, nullptr);
        ASSERT_NE(window, nullptr);
        ASSERT_TRUE(plat::GLCreateContext(window)) << plat::LastError();
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    }
    void TearDown() override
    {
        plat::GLReleaseContext();
        plat::DefaultWindowProc(window, plat::MSG_CLOSE, 0, 0);
        plat::Message m;
        while (plat::PeekMessage(&m, true)) {
        }
    }
    // The picture being drawn at window pixel (x, y), y from the top.
    static Rgb At(int x, int y)
    {
        uint8_t px[4] = {0, 0, 0, 0};
        webgl::ReadPixels(x, 479 - y, 1, 1, px, false);
        return Rgb{px[0], px[1], px[2]};
    }
    // How many pixels of column x (or row y) are not black.
    static int LitInColumn(int x)
    {
        std::vector<uint8_t> px(480 * 4);
        webgl::ReadPixels(x, 0, 1, 480, px.data(), false);
        int n = 0;
        for (int i = 0; i < 480; ++i) n += px[4 * i] || px[4 * i + 1] || px[4 * i + 2];
        return n;
    }
    static int LitInRow(int y)
    {
        std::vector<uint8_t> px(640 * 4);
        webgl::ReadPixels(0, 479 - y, 640, 1, px.data(), false);
        int n = 0;
        for (int i = 0; i < 640; ++i) n += px[4 * i] || px[4 * i + 1] || px[4 * i + 2];
        return n;
    }
    static void Square(float x0, float y0, float x1, float y1, float z = 0.0f)
    {
        glBegin(GL_QUADS);
        glVertex3f(x0, y0, z);
        glVertex3f(x1, y0, z);
        glVertex3f(x1, y1, z);
        glVertex3f(x0, y1, z);
        glEnd();
    }
    static void Transformed(GLenum which, const float in[3], float out[3])
    {
        float m[16];
        glGetFloatv(which, m);
        for (int r = 0; r < 3; ++r)
            out[r] = m[r] * in[0] + m[4 + r] * in[1] + m[8 + r] * in[2] + m[12 + r];
    }
    plat::NativeWindow window = nullptr;
};

TEST_F(Gl11, StateQueriesAnswerFromOurOwnCopyWithoutAskingTheGpu)
{
    glMatrixMode(GL_PROJECTION);
    glFrustum(-1, 1, -0.75, 0.75, 1.5, 1000);
    glMatrixMode(GL_MODELVIEW);
    glViewport(10, 20, 300, 200);
    glClearColor(0.25f, 0.5f, 0.75f, 1.0f);
    glDepthFunc(GL_ALWAYS);
    glEnable(GL_ALPHA_TEST);

    const uint64_t calls = webgl::CallCount();
    float projection[16], clear[4];
    GLint viewport[4], depthFunc = 0;
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    glGetIntegerv(GL_VIEWPORT, viewport);
    glGetIntegerv(GL_DEPTH_FUNC, &depthFunc);
    const bool alpha = glIsEnabled(GL_ALPHA_TEST) == GL_TRUE;
    EXPECT_EQ(webgl::CallCount(), calls);

    EXPECT_FLOAT_EQ(projection[0], 1.5f);  // 2n / (r - l)
    EXPECT_FLOAT_EQ(projection[5], 2.0f);  // 2n / (t - b)
    EXPECT_FLOAT_EQ(projection[11], -1.0f);
    EXPECT_NEAR(projection[10], -(1000 + 1.5) / (1000 - 1.5), 1e-6);
    EXPECT_NEAR(projection[14], -2 * 1000 * 1.5 / (1000 - 1.5), 1e-4);
    EXPECT_FLOAT_EQ(clear[1], 0.5f);
    EXPECT_EQ(viewport[0], 10);
    EXPECT_EQ(viewport[3], 200);
    EXPECT_EQ(depthFunc, GL_ALWAYS);
    EXPECT_TRUE(alpha);
}

TEST_F(Gl11, MatrixCallsMoveAndTurnPointsAsGLDefines)
{
    struct Case {
        const char* what;
        void (*apply)();
        float in[3];
        float out[3];
    };
    const Case cases[] = {
        {"rotate 90 about z", [] { glRotatef(90, 0, 0, 1); }, {1, 0, 0}, {0, 1, 0}},
        {"rotate about an axis not of unit length",
         [] { glRotatef(-90, 0, 5, 0); },
         {1, 0, 0},
         {0, 0, 1}},
        {"translate then scale",
         [] {
             glTranslatef(1, 2, 3);
             glScalef(2, 2, 2);
         },
         {1, 1, 1},
         {3, 4, 5}},
        {"a zero axis turns nothing", [] { glRotatef(45, 0, 0, 0); }, {1, 2, 3}, {1, 2, 3}},
        // The game's camera: from the origin along +x, up y. Ahead is -z in the eye's frame.
        {"look along +x", [] { gluLookAt(0, 0, 0, 1, 0, 0, 0, 1, 0); }, {10, 0, 0}, {0, 0, -10}},
        {"look from elsewhere",
         [] { gluLookAt(1, 2, 3, 1, 2, 2, 0, 1, 0); },
         {1, 2, -7},
         {0, 0, -10}},
        {"an up vector not across the view",
         [] { gluLookAt(0, 0, 0, 0, 0, -1, 0, 1, 1); },
         {0, 5, 0},
         {0, 5, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        glLoadIdentity();
        c.apply();
        float out[3];
        Transformed(GL_MODELVIEW_MATRIX, c.in, out);
        for (int k = 0; k < 3; ++k) EXPECT_NEAR(out[k], c.out[k], 1e-5);
    }
}

TEST_F(Gl11, MatrixStacksPushPopAndStopAtTheirEnds)
{
    GLint depth = 0;
    glTranslatef(5, 0, 0);
    for (int i = 0; i < 40; ++i) glPushMatrix();  // 32 deep at most; the rest are ignored
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
    EXPECT_EQ(depth, 32);
    glLoadIdentity();
    for (int i = 0; i < 40; ++i) glPopMatrix();  // the last one stays
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
    EXPECT_EQ(depth, 1);
    const float origin[3] = {0, 0, 0};
    float out[3];
    Transformed(GL_MODELVIEW_MATRIX, origin, out);
    EXPECT_FLOAT_EQ(out[0], 5.0f);
    // The texture matrix has a stack of its own.
    glMatrixMode(GL_TEXTURE);
    glPushMatrix();
    glScalef(2, 2, 2);
    glGetIntegerv(GL_TEXTURE_STACK_DEPTH, &depth);
    EXPECT_EQ(depth, 2);
    glPopMatrix();
    Transformed(GL_TEXTURE_MATRIX, origin, out);
    EXPECT_FLOAT_EQ(out[0], 0.0f);
    glMatrixMode(GL_MODELVIEW);
}

TEST_F(Gl11, QuadsFillTheirSquareAndNothingElse)
{
    glColor3ub(255, 0, 0);
    Square(-0.5f, -0.5f, 0.5f, 0.5f);  // pixels 160..479 across, 120..359 down
    EXPECT_EQ(At(160, 120), kRed);
    EXPECT_EQ(At(479, 359), kRed);
    EXPECT_EQ(At(320, 240), kRed);
    EXPECT_EQ(At(159, 240), kBlack);
    EXPECT_EQ(At(480, 240), kBlack);
    EXPECT_EQ(At(320, 119), kBlack);
    EXPECT_EQ(LitInRow(240), 320);
}

TEST_F(Gl11, DisplayListsDrawInTheCallersColourWhereTheySetNone)
{
    const GLuint plain = glGenLists(2);
    ASSERT_NE(plain, 0u);
    const GLuint coloured = plain + 1;
    EXPECT_TRUE(glIsList(plain));
    EXPECT_TRUE(glIsList(coloured));

    glNewList(plain, GL_COMPILE);
    Square(-1, -1, 0, 0);  // the lower left quarter
    glEndList();
    glNewList(coloured, GL_COMPILE);
    glBegin(GL_QUADS);
    glColor3ub(0, 255, 0);  // set inside the primitive: every corner is green
    glVertex3f(0, 0, 0);
    glVertex3f(1, 0, 0);
    glVertex3f(1, 1, 0);
    glVertex3f(0, 1, 0);
    glEnd();
    glEndList();
    EXPECT_EQ(At(100, 400), kBlack);  // recording draws nothing

    glColor3ub(255, 0, 0);
    glCallList(plain);
    EXPECT_EQ(At(100, 400), kRed);
    glColor3ub(0, 0, 255);
    glCallList(plain);
    EXPECT_EQ(At(100, 400), kBlue);

    glColor3ub(255, 0, 0);
    glCallList(coloured);
    EXPECT_EQ(At(500, 100), kGreen);
    // The list leaves its colour behind, as GL does.
    float current[4];
    glGetFloatv(GL_CURRENT_COLOR, current);
    EXPECT_FLOAT_EQ(current[0], 0.0f);
    EXPECT_FLOAT_EQ(current[1], 1.0f);

    glDeleteLists(plain, 2);
    EXPECT_FALSE(glIsList(plain));
    EXPECT_FALSE(glIsList(coloured));
}

TEST_F(Gl11, AListThatSetsItsColourHalfWayKeepsTheCallersBeforeIt)
{
    const GLuint list = 4321;  // a name of the program's own, not from glGenLists
    glNewList(list, GL_COMPILE);
    glBegin(GL_TRIANGLES);
    glVertex3f(-1, -1, 0);  // the caller's colour
    glColor3ub(0, 255, 0);
    glVertex3f(1, -1, 0);
    glVertex3f(-1, 1, 0);
    glEnd();
    glEndList();
    glColor3ub(255, 0, 0);
    glCallList(list);
    const Rgb nearFirst = At(2, 477), nearSecond = At(600, 477);
    EXPECT_GT(nearFirst.r, 240);
    EXPECT_LT(nearFirst.g, 15);
    EXPECT_LT(nearSecond.r, 30);
    EXPECT_GT(nearSecond.g, 220);
}

TEST_F(Gl11, ListsCallListsAndKeepTheirMatrices)
{
    const GLuint inner = glGenLists(1), outer = glGenLists(1);
    EXPECT_NE(inner, outer);
    glNewList(inner, GL_COMPILE);
    Square(-0.1f, -0.1f, 0.1f, 0.1f);
    glEndList();
    glNewList(outer, GL_COMPILE);
    glPushMatrix();
    glTranslatef(0.5f, 0, 0);
    glCallList(inner);
    glPopMatrix();
    glEndList();
    glColor3ub(255, 0, 0);
    glCallList(outer);
    EXPECT_EQ(At(480, 240), kRed);  // moved half the width to the right
    EXPECT_EQ(At(320, 240), kBlack);
    GLint depth = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
    EXPECT_EQ(depth, 1);
    glCallList(99999);  // no such list: nothing
}

// A 2 x 2 texture: red, green / blue, transparent white.
void UploadQuarters(GLuint name, GLint filter)
{
    const uint8_t texels[16] = {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 255, 255, 0};
    glBindTexture(GL_TEXTURE_2D, name);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 2, 2, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels);
}

void TexturedSquare()
{
    glBegin(GL_QUADS);
    glTexCoord2f(0, 1);
    glVertex3f(-1, -1, 0);
    glTexCoord2f(1, 1);
    glVertex3f(1, -1, 0);
    glTexCoord2f(1, 0);
    glVertex3f(1, 1, 0);
    glTexCoord2f(0, 0);
    glVertex3f(-1, 1, 0);
    glEnd();
}

TEST_F(Gl11, TexturesGoByTheNamesTheProgramChooses)
{
    UploadQuarters(5, GL_NEAREST);
    glEnable(GL_TEXTURE_2D);
    glColor3ub(255, 255, 255);
    TexturedSquare();
    EXPECT_EQ(At(100, 100), kRed);  // texture row 0 at the top
    EXPECT_EQ(At(500, 100), kGreen);
    EXPECT_EQ(At(100, 400), kBlue);
    // Modulated by the colour.
    glColor3ub(128, 128, 128);
    TexturedSquare();
    EXPECT_TRUE(Near(At(100, 100), Rgb{128, 0, 0}));

    // A deleted name draws as no texture: the plain colour.
    glDeleteTextures(1, std::vector<GLuint>{5}.data());
    glBindTexture(GL_TEXTURE_2D, 5);
    glColor3ub(0, 0, 255);
    TexturedSquare();
    EXPECT_EQ(At(100, 100), kBlue);
    // So does one left with GL's default minifying filter, which wants mipmaps it lacks.
    UploadQuarters(6, GL_NEAREST_MIPMAP_LINEAR);
    glColor3ub(0, 255, 0);
    TexturedSquare();
    EXPECT_EQ(At(100, 100), kGreen);
    glDisable(GL_TEXTURE_2D);
}

// A 1D texture of 16 greys, 8, 24, ... 248: texel i is 16 i + 8.
void UploadRamp(GLint wrap)
{
    uint8_t texels[48];
    for (int i = 0; i < 16; ++i)
        texels[3 * i] = texels[3 * i + 1] = texels[3 * i + 2] = static_cast<uint8_t>(16 * i + 8);
    glBindTexture(GL_TEXTURE_1D, 1000);
    glTexParameteri(GL_TEXTURE_1D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_1D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_1D, GL_TEXTURE_WRAP_S, wrap);
    glTexImage1D(GL_TEXTURE_1D, 0, GL_RGB, 16, 0, GL_RGB, GL_UNSIGNED_BYTE, texels);
}

TEST_F(Gl11, AClampedRampIsClampedAtEachCornerBeforeItIsInterpolated)
{
    // Corners at ramp coordinates -1, 2 and 2. Clamped first they are 0, 1 and 1, and the point
    // weighted 0.2, 0.4, 0.4 reads 0.8 (texel 12, grey 200); interpolated first it reads 1.4,
    // which a clamp afterwards would make 1 (grey 248) and a repeating ramp makes 0.4 (texel 6,
    // grey 104).
    struct Case {
        GLint wrap;
        int grey;
    };
    const Case cases[] = {{GL_CLAMP, 200}, {GL_REPEAT, 104}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.wrap);
        glClear(GL_COLOR_BUFFER_BIT);
        UploadRamp(c.wrap);
        glEnable(GL_TEXTURE_1D);
        glColor3ub(255, 255, 255);
        // The ramp coordinate comes from a normal through the texture matrix, as the game
        // draws it: s = dot(normal, light) with the light along x here.
        glMatrixMode(GL_TEXTURE);
        const float light[16] = {1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
        glLoadMatrixf(light);
        glMatrixMode(GL_MODELVIEW);
        glBegin(GL_TRIANGLES);
        glTexCoord3f(-1, 0.3f, 0.3f);
        glVertex3f(-0.9f, -0.9f, 0);
        glTexCoord3f(2, 0.3f, 0.3f);
        glVertex3f(0.9f, -0.9f, 0);
        glTexCoord3f(2, 0.3f, 0.3f);
        glVertex3f(-0.9f, 0.9f, 0);
        glEnd();
        glDisable(GL_TEXTURE_1D);
        glMatrixMode(GL_TEXTURE);
        glLoadIdentity();
        glMatrixMode(GL_MODELVIEW);
        // (-0.18, -0.18) in normalised device coordinates.
        EXPECT_TRUE(Near(At(262, 283), Rgb{c.grey, c.grey, c.grey}, 0)) << At(262, 283);
    }
}

TEST_F(Gl11, WideLinesCoverTheirRoundedWidthAcrossTheirMinorAxis)
{
    struct Case {
        float width;
        bool vertical;
        int lit;
    };
    // A line through the middle of pixel row 240 (or column 320).
    // Widths round to whole pixels, at least one.
    const Case cases[] = {{4, false, 4}, {2.5f, false, 3}, {1.4f, false, 1},
                          {4, true, 4},  {3, true, 3},     {0.25f, true, 1}};
    const float centreY = 1.0f - 2.0f * 240.5f / 480.0f;
    const float centreX = 2.0f * 320.5f / 640.0f - 1.0f;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << (c.vertical ? " vertical" : " across"));
        glClear(GL_COLOR_BUFFER_BIT);
        glLineWidth(c.width);
        glColor3ub(255, 255, 255);
        // Through a vertex array and indices, as the outlines are drawn.
        const float across[6] = {-0.5f, centreY, 0, 0.5f, centreY, 0};
        const float down[6] = {centreX, -0.5f, 0, centreX, 0.5f, 0};
        const GLuint indices[2] = {0, 1};
        glEnableClientState(GL_VERTEX_ARRAY);
        glVertexPointer(3, GL_FLOAT, 0, c.vertical ? down : across);
        glDrawElements(GL_LINES, 2, GL_UNSIGNED_INT, indices);
        glDisableClientState(GL_VERTEX_ARRAY);
        if (c.vertical) EXPECT_EQ(LitInRow(240), c.lit);
        else EXPECT_EQ(LitInColumn(320), c.lit);
    }
    glLineWidth(1);
}

TEST_F(Gl11, ALineThatReachesBehindTheEyeIsCutAtTheNearPlane)
{
    glMatrixMode(GL_PROJECTION);
    glFrustum(-1, 1, -0.75, 0.75, 1, 100);
    glMatrixMode(GL_MODELVIEW);
    glLineWidth(3);
    glColor3ub(255, 255, 255);
    // From 10 ahead, to the right, back to 10 behind the eye: only the part ahead shows, on the
    // right half of the picture.
    glBegin(GL_LINES);
    glVertex3f(1, 0, -10);
    glVertex3f(1, 0, 10);
    glEnd();
    EXPECT_GT(LitInRow(240), 10);
    std::vector<uint8_t> left(320 * 480 * 4);
    webgl::ReadPixels(0, 0, 320, 480, left.data(), false);
    int lit = 0;
    for (size_t i = 0; i < left.size(); i += 4) lit += left[i] != 0;
    EXPECT_EQ(lit, 0);
    glLineWidth(1);
}

TEST_F(Gl11, AlphaTestCutsKeyedTexelsAndBlendingAdds)
{
    UploadQuarters(7, GL_NEAREST);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(GL_GREATER, 0.0f);
    glColor3ub(255, 255, 255);
    TexturedSquare();
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_ALPHA_TEST);
    EXPECT_EQ(At(500, 400), kBlack);  // the transparent quarter left nothing
    EXPECT_EQ(At(100, 400), kBlue);

    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glColor4ub(255, 0, 0, 128);
    Square(-1, -1, 0, 0);
    glDisable(GL_BLEND);
    EXPECT_TRUE(Near(At(100, 400), Rgb{128, 0, 255}));
}

TEST_F(Gl11, DepthTestAndDepthWritesAsTheGameSwitchesThem)
{
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LESS);
    glColor3ub(255, 0, 0);
    Square(-1, -1, 1, 1, 0.0f);
    glColor3ub(0, 0, 255);
    Square(-1, -1, 1, 1, 0.5f);  // farther: hidden
    EXPECT_EQ(At(320, 240), kRed);
    // Without depth writes a near square shows but leaves the depth as it was.
    glDepthMask(GL_FALSE);
    glColor3ub(0, 255, 0);
    Square(-1, -1, 0, 1, -0.5f);
    glDepthMask(GL_TRUE);
    EXPECT_EQ(At(100, 240), kGreen);
    glColor3ub(0, 0, 255);
    Square(-1, -1, 1, 1, -0.2f);  // nearer than the red: drawn everywhere
    EXPECT_EQ(At(100, 240), kBlue);
    // GL_LEQUAL lets the same depth through again, as the outlines need.
    glDepthFunc(GL_LEQUAL);
    glColor3ub(255, 255, 255);
    Square(-1, -1, 1, 1, -0.2f);
    EXPECT_EQ(At(500, 240), (Rgb{255, 255, 255}));
    glDepthFunc(GL_LESS);
    glDisable(GL_DEPTH_TEST);
}

TEST_F(Gl11, FogFadesToItsColourWithTheDistance)
{
    glMatrixMode(GL_PROJECTION);
    glFrustum(-1, 1, -0.75, 0.75, 1, 100);
    glMatrixMode(GL_MODELVIEW);
    glEnable(GL_FOG);
    glFogi(GL_FOG_MODE, GL_LINEAR);
    const float white[4] = {1, 1, 1, 1};
    glFogfv(GL_FOG_COLOR, white);
    glFogf(GL_FOG_START, 2);
    glFogf(GL_FOG_END, 10);
    glColor3ub(0, 0, 0);
    Square(-50, -50, 50, 50, -6);  // half way from start to end
    glDisable(GL_FOG);
    EXPECT_TRUE(Near(At(320, 240), Rgb{128, 128, 128}, 3)) << At(320, 240);
}

TEST_F(Gl11, ClearsStayInsideTheScissorAndDrawingInsideTheViewport)
{
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, 0, 320, 480);
    glClearColor(1, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);
    EXPECT_EQ(At(100, 240), kRed);
    EXPECT_EQ(At(500, 240), kBlack);
    glViewport(320, 0, 320, 240);
    glColor3ub(0, 255, 0);
    Square(-1, -1, 1, 1);
    EXPECT_EQ(At(500, 400), kGreen);
    EXPECT_EQ(At(500, 100), kBlack);
}

TEST_F(Gl11, CallsOutsideTheSubsetAreNamedAndChangeNothing)
{
    const int before = gl11::UnsupportedCount();
    glColor3ub(255, 255, 255);
    glBegin(GL_POINTS);
    glVertex3f(0, 0, 0);
    glEnd();
    glEnable(GL_LIGHTING);
    EXPECT_EQ(gl11::UnsupportedCount(), before + 2);
    EXPECT_EQ(LitInRow(240), 0);
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
}

}  // namespace
