// SPDX-License-Identifier: MIT
// The sky sphere (its recorded geometry read back through GL feedback), the state its display
// list leaves, and the ground square's texture corners on screen.
#include <cmath>
#include <cstdlib>
#include <memory>
#include <set>
#include <vector>

#include "GLFixture.h"
#include "math/View.h"
#include "render/SkyDome.h"
#include "render/Texture.h"

namespace {

const Rgb kBackground{0, 0, 0};

struct FeedbackVertex {
    float x, y, z;  // object space (identity matrices)
    float s, t;
};

// Runs draw in feedback mode with identity matrices and returns every polygon vertex.
template <typename Draw>
std::vector<FeedbackVertex> Feedback(Draw draw)
{
    std::vector<GLfloat> buffer(1 << 20);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D_COLOR_TEXTURE, buffer.data());
    glRenderMode(GL_FEEDBACK);
    draw();
    const GLint used = glRenderMode(GL_RENDER);
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();

    std::vector<FeedbackVertex> out;
    const int perVertex = 3 + 4 + 4;
    for (GLint i = 0; i < used;) {
        const GLint token = static_cast<GLint>(buffer[i++]);
        if (token != GL_POLYGON_TOKEN) {
            ADD_FAILURE() << "unexpected feedback token " << token;
            break;
        }
        const GLint n = static_cast<GLint>(buffer[i++]);
        for (GLint v = 0; v < n; ++v, i += perVertex) {
            const GLfloat* f = &buffer[i];
            // Window coordinates back to normalised device (= object) coordinates.
            out.push_back(
                {f[0] / 320.0f - 1.0f, f[1] / 240.0f - 1.0f, f[2] * 2.0f - 1.0f, f[7], f[8]});
        }
    }
    return out;
}

int gCalls = 0;
int ZeroTwiceThen42() { return ++gCalls < 3 ? 0 : 42; }

class SkyDomeTest : public GLFixture {
protected:
    void TearDown() override
    {
        sky.reset();
        GLFixture::TearDown();
    }
    std::unique_ptr<SkyDome> sky;
};

void MakeSolidTexture(int name, Rgb c)
{
    const uint8_t rgb[12] = {uint8_t(c.r), uint8_t(c.g), uint8_t(c.b), uint8_t(c.r),
                             uint8_t(c.g), uint8_t(c.b), uint8_t(c.r), uint8_t(c.g),
                             uint8_t(c.b), uint8_t(c.r), uint8_t(c.g), uint8_t(c.b)};
    ASSERT_TRUE(CreateConstantAlphaTexture(rgb, sizeof rgb, 2, 2, name, 1.0f));
}

}  // namespace

TEST(SkyListName, ZeroIsNeverAListName)
{
    gCalls = 0;
    EXPECT_EQ(PickListName(ZeroTwiceThen42), 42u);
    EXPECT_EQ(gCalls, 3);
}

TEST_F(SkyDomeTest, SphereHasEqualHeightBandsAndAtLeastThreeOfEach)
{
    const float R = 0.8f;
    sky = std::make_unique<SkyDome>(R, 2, 1, 2);
    EXPECT_EQ(sky->sectors, 3);
    EXPECT_EQ(sky->bands, 3);
    EXPECT_NE(sky->listName, 0u);
    EXPECT_TRUE(glIsList(sky->listName));

    const std::vector<FeedbackVertex> verts = Feedback([&] { sky->Draw(Vector3D{0, 0, 0}); });
    ASSERT_FALSE(verts.empty());
    std::set<int> levels, longitudes;
    for (const FeedbackVertex& v : verts) {
        // On the sphere, at one of the 2N + 1 equally spaced heights.
        EXPECT_NEAR(std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z), R, 1e-3);
        const float level = v.y / R * 3.0f;
        EXPECT_NEAR(level, std::round(level), 1e-3) << v.y;
        levels.insert(static_cast<int>(std::lround(level)));
        // t runs 0 at the top pole, 1 at the equator, 2 at the bottom.
        EXPECT_NEAR(v.t, 1.0f - v.y / R, 1e-3);
        // s is the longitude over 360, from 0 down to -1, in steps of a third.
        EXPECT_LE(v.s, 1e-6f);
        EXPECT_GE(v.s, -1.0f - 1e-6f);
        EXPECT_NEAR(v.s * 3.0f, std::round(v.s * 3.0f), 1e-4);
        longitudes.insert(static_cast<int>(std::lround(v.s * 3.0f)));
        const float ring = std::sqrt(v.x * v.x + v.z * v.z);
        if (ring > 1e-3f) {
            const float a = v.s * 360.0f * DEG_TO_RAD;
            EXPECT_NEAR(v.x, ring * std::cos(a), 1e-3);
            EXPECT_NEAR(v.z, ring * std::sin(a), 1e-3);
        }
    }
    EXPECT_EQ(levels, (std::set<int>{-3, -2, -1, 0, 1, 2, 3}));
    EXPECT_EQ(longitudes, (std::set<int>{-3, -2, -1, 0}));
}

TEST_F(SkyDomeTest, DrawLeavesTheMatrixAndRestoresState)
{
    sky = std::make_unique<SkyDome>(500.0f, 16, 20, 2);
    glDisable(GL_CULL_FACE);
    glDepthMask(GL_FALSE);
    glEnable(GL_TEXTURE_2D);
    const std::vector<double> before = Matrix(GL_MODELVIEW_MATRIX);
    sky->Draw(Vector3D{10, -20, 30});
    EXPECT_EQ(Matrix(GL_MODELVIEW_MATRIX), before);
    EXPECT_TRUE(IsOn(GL_CULL_FACE));
    EXPECT_FALSE(IsOn(GL_TEXTURE_2D));
    GLboolean mask = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &mask);
    EXPECT_EQ(mask, GL_TRUE);
}

TEST_F(SkyDomeTest, SkyFillsTheBackgroundAndEverythingCoversIt)
{
    MakeSolidTexture(2, Rgb{30, 60, 200});
    sky = std::make_unique<SkyDome>(900.0f, 16, 20, 2);
    CameraEye = Vector3D{100, 50, -30};
    CameraDirection = Vector3D{0.2f, 0.3f, 1};
    ApplyCamera();
    sky->Draw(CameraEye);
    for (int y : {0, 240, 479})
        for (int x : {0, 320, 639}) EXPECT_EQ(Pixel(x, y), (Rgb{30, 60, 200})) << x << "," << y;

    // A square beyond the sphere's radius is still drawn over it: the sky wrote no depth.
    Vector3D dir = CameraDirection;
    Normalize(dir);
    const Vector3D c = CameraEye + dir * 950.0f;
    glDisable(GL_CULL_FACE);
    glColor3ub(255, 0, 0);
    glBegin(GL_QUADS);
    glVertex3f(c.x - 100, c.y - 100, c.z);
    glVertex3f(c.x + 100, c.y - 100, c.z);
    glVertex3f(c.x + 100, c.y + 100, c.z);
    glVertex3f(c.x - 100, c.y + 100, c.z);
    glEnd();
    glColor3f(1, 1, 1);
    glEnable(GL_CULL_FACE);
    EXPECT_EQ(Pixel(320, 240), (Rgb{255, 0, 0}));
}

TEST_F(SkyDomeTest, SkyAsLargeAsTheFarPlaneHasNoHoleStraightAhead)
{
    // The game's own setup: far plane 4000 and a sky of that radius, seen along each axis.
    MakeSolidTexture(2, Rgb{30, 60, 200});
    Frustum f = FrustumParams;
    f.far = 4000.0f;
    SetFrustum(f.left, f.right, f.bottom, f.top, f.near, f.far);
    sky = std::make_unique<SkyDome>(FrustumParams.far, 16, 20, 2);
    for (const Vector3D& dir :
         {Vector3D{1, 0, 0}, Vector3D{0, 0, -1}, Vector3D{-0.7f, 0.1f, 0.7f}}) {
        ClearFrame();
        CameraEye = Vector3D{0, 25, 0};
        CameraDirection = dir;
        CameraUp = Vector3D{0, 1, 0};
        ApplyCamera();
        sky->Draw(CameraEye);
        for (int y : {200, 240, 280})
            for (int x : {280, 320, 360})
                EXPECT_EQ(Pixel(x, y), (Rgb{30, 60, 200}))
                    << x << "," << y << " looking " << dir.x << "," << dir.y << "," << dir.z;
        EXPECT_TRUE(IsOn(GL_DEPTH_TEST));
    }
}

// The game clears no colour under the sky: from any place in the play square and in any
// direction, the sky alone must fill the whole window.
TEST_F(SkyDomeTest, GameSkyCoversEveryPixelWhereverTheCameraLooks)
{
    MakeSolidTexture(2, Rgb{30, 60, 200});
    Frustum f = FrustumParams;
    SetFrustum(f.left, f.right, f.bottom, f.top, f.near, 4000.0f);
    sky = std::make_unique<SkyDome>(FrustumParams.far, 16, 20, 2);
    EnableAlphaTest();
    std::vector<uint8_t> rgb(kWidth * kHeight * 3);
    int views = 0;
    for (const Vector3D& eye : {Vector3D{0, 25, 0}, Vector3D{-990, 1000, 740}})
        for (int pitch = -90; pitch <= 90; pitch += 30)
            for (int yaw = 0; yaw < 360; yaw += (pitch == -90 || pitch == 90) ? 360 : 30) {
                const float p = pitch * DEG_TO_RAD, y = yaw * DEG_TO_RAD;
                CameraEye = eye;
                CameraDirection =
                    Vector3D{std::cos(p) * std::cos(y), std::sin(p), std::cos(p) * std::sin(y)};
                CameraUp = (pitch == -90 || pitch == 90) ? Vector3D{1, 0, 0} : Vector3D{0, 1, 0};
                ClearFrame();
                ApplyCamera();
                sky->Draw(CameraEye);
                glPixelStorei(GL_PACK_ALIGNMENT, 1);
                glReadPixels(0, 0, kWidth, kHeight, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
                int uncovered = 0;
                for (size_t i = 0; i < rgb.size(); i += 3)
                    uncovered += (rgb[i] != 30 || rgb[i + 1] != 60 || rgb[i + 2] != 200) ? 1 : 0;
                EXPECT_EQ(uncovered, 0) << "eye " << eye.x << "," << eye.y << "," << eye.z
                                        << " pitch " << pitch << " yaw " << yaw;
                ++views;
            }
    EXPECT_EQ(views, 2 * (5 * 12 + 2));
    // Drawn opaque, and the alpha test is back afterwards.
    EXPECT_TRUE(IsOn(GL_ALPHA_TEST));
    DrawGround(Vector3D{-10, 0, -10}, Vector3D{10, 0, 10}, 2);
    EXPECT_TRUE(IsOn(GL_ALPHA_TEST));
    DisableAlphaTest();
    sky->Draw(CameraEye);
    EXPECT_FALSE(IsOn(GL_ALPHA_TEST));
}

TEST_F(SkyDomeTest, DestroyingTwiceOverIsHarmless)
{
    sky = std::make_unique<SkyDome>(100.0f, 16, 20, 2);
    const GLuint name = sky->listName;
    sky.reset();
    EXPECT_FALSE(glIsList(name));

    // A list somebody else deleted first.
    sky = std::make_unique<SkyDome>(100.0f, 16, 20, 2);
    glDeleteLists(sky->listName, 1);
    sky.reset();
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(SkyDomeTest, GroundCornersCarryTheirTextureCorners)
{
    // Texels: (0, 0) red, (1, 0) green on the first row; (0, 1) blue, (1, 1) white below.
    const uint8_t rgb[] = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255};
    ASSERT_TRUE(CreateKeyedTexture(rgb, sizeof rgb, 2, 2, 1));
    // Looking straight down from 100 units: x to the right, -z up the screen, 4.8 pixels a unit.
    CameraEye = Vector3D{0, 100, 0};
    CameraDirection = Vector3D{0, -1, 0};
    CameraUp = Vector3D{0, 0, -1};
    ApplyCamera();
    DrawGround(Vector3D{-10, 0, -10}, Vector3D{10, 0, 10}, 1);
    EXPECT_FALSE(IsOn(GL_TEXTURE_2D));

    EXPECT_EQ(Pixel(320 - 44, 240 - 44), (Rgb{0, 255, 0}));  // a: (1, 0)
    EXPECT_EQ(Pixel(320 - 44, 240 + 44), (Rgb{255, 0, 0}));  // (a.x, b.y, b.z): (0, 0)
    EXPECT_EQ(Pixel(320 + 44, 240 + 44), (Rgb{0, 0, 255}));  // b: (0, 1)
    EXPECT_EQ(Pixel(320 + 44, 240 - 44), (Rgb{255, 255, 255}));  // (b.x, a.y, a.z): (1, 1)
    EXPECT_EQ(Pixel(320 - 50, 240), kBackground);
    EXPECT_EQ(Pixel(320, 240 + 50), kBackground);
}

// When the ground may go first: all of the square well inside the far plane (4000 here), the
// margin counted in steps of the depth buffer.
TEST(GroundFirst, OnlyWhereNoGroundDepthCanReachTheFarPlane)
{
    const Frustum saved = FrustumParams;
    FrustumParams.near = 1.5f;
    FrustumParams.far = 4000.0f;
    const Vector3D a{-1000, 0, -1000}, b{1000, 0, 1000};
    const float nan = std::nanf("");
    struct Case {
        Vector3D eye;
        int bits;
        bool first;
        const char* what;
    };
    const Case cases[] = {
        {{0, 25, 0}, 16, true, "over the middle"},
        {{-1000, 1000, -1000}, 16, true, "high over a corner: the far corner 3000 away"},
        {{-3500, 25, 0}, 24, false, "far outside: a corner beyond the far plane"},
        // Along -x: the far corners (1000, 0, +-1000) 3990 and 3600 units away.
        {{-2862.7f, 0, 0}, 24, true, "3990 from the far corners, 24 bits"},
        {{-2862.7f, 0, 0}, 16, false, "the same with 16 bits: too near"},
        {{-2458.3f, 0, 0}, 16, true, "3600 away, 16 bits"},
        {{nan, 25, 0}, 24, false, "no place"},
        {{0, 25, 0}, 0, false, "no depth buffer"},
    };
    for (const Case& c : cases) EXPECT_EQ(GroundBeforeSky(c.eye, a, b, c.bits), c.first) << c.what;
    FrustumParams = saved;
}

// The ground first and the sky behind it give the very picture, and the very depth, of the sky
// first and the ground over it: from the middle of the square and above a corner, low and high,
// from below the ground, and from far outside where the sky must still go first.
TEST_F(SkyDomeTest, GroundFirstLooksTheSameFromEveryView)
{
    // Pictures with detail everywhere, filtered as the game's are.
    std::vector<uint8_t> skyRgb(256 * 128 * 3), groundRgb(128 * 128 * 3);
    for (size_t i = 0; i < skyRgb.size(); ++i) skyRgb[i] = uint8_t((i * 37) ^ (i / 767));
    for (size_t i = 0; i < groundRgb.size(); ++i) groundRgb[i] = uint8_t((i * 91) ^ (i / 383));
    ASSERT_TRUE(CreateConstantAlphaTexture(skyRgb.data(), skyRgb.size(), 256, 128, 2, 1.0f));
    ASSERT_TRUE(CreateConstantAlphaTexture(groundRgb.data(), groundRgb.size(), 128, 128, 1, 1.0f));
    Frustum f = FrustumParams;
    SetFrustum(f.left, f.right, f.bottom, f.top, 1.5f, 4000.0f);
    sky = std::make_unique<SkyDome>(FrustumParams.far, 16, 20, 2);
    SetClearColor(255, 0, 255);
    EnableAlphaTest();
    const Vector3D a{-1000, 0, -1000}, b{1000, 0, 1000};
    GLint bits = 0;
    glGetIntegerv(GL_DEPTH_BITS, &bits);

    std::vector<uint8_t> rgb[2];
    std::vector<float> depth[2];
    int views = 0, groundFirst = 0;
    for (const Vector3D& eye :
         {Vector3D{0, 25, 0}, Vector3D{300, 400, -200}, Vector3D{-990, 1000, 990},
          Vector3D{500, -30, 100}, Vector3D{-2700, 60, -2700}, Vector3D{4200, 300, 0}})
        for (int pitch : {-90, -35, -8, 0, 20})
            for (int yaw = 0; yaw < 360; yaw += pitch == -90 ? 360 : 45) {
                const float p = pitch * DEG_TO_RAD, y = yaw * DEG_TO_RAD;
                CameraEye = eye;
                CameraDirection =
                    Vector3D{std::cos(p) * std::cos(y), std::sin(p), std::cos(p) * std::sin(y)};
                CameraUp = pitch == -90 ? Vector3D{1, 0, 0} : Vector3D{0, 1, 0};
                for (int way = 0; way < 2; ++way) {
                    ClearFrame();
                    ApplyCamera();
                    if (way == 0) {
                        sky->Draw(CameraEye);
                        DrawGround(a, b, 1);
                    } else {
                        DrawSkyAndGround(sky.get(), CameraEye, a, b, 1);
                    }
                    rgb[way].resize(kWidth * kHeight * 3);
                    depth[way].resize(kWidth * kHeight);
                    glPixelStorei(GL_PACK_ALIGNMENT, 1);
                    glReadPixels(0, 0, kWidth, kHeight, GL_RGB, GL_UNSIGNED_BYTE, rgb[way].data());
                    glReadPixels(0, 0, kWidth, kHeight, GL_DEPTH_COMPONENT, GL_FLOAT,
                                 depth[way].data());
                }
                int differ = 0;
                for (size_t i = 0; i < rgb[0].size(); ++i) differ += rgb[0][i] != rgb[1][i];
                EXPECT_EQ(differ, 0) << "eye " << eye.x << "," << eye.y << "," << eye.z << " pitch "
                                     << pitch << " yaw " << yaw;
                EXPECT_TRUE(depth[0] == depth[1]) << "eye " << eye.x << "," << eye.y << "," << eye.z
                                                  << " pitch " << pitch << " yaw " << yaw;
                groundFirst += GroundBeforeSky(eye, a, b, bits) ? 1 : 0;
                ++views;
            }
    EXPECT_EQ(views, 6 * (4 * 8 + 1));
    // Both ways were taken: the far eyes keep the sky first.
    EXPECT_EQ(groundFirst, 4 * (4 * 8 + 1));
    // The state is as the game keeps it.
    EXPECT_EQ(GetInt(GL_DEPTH_FUNC), GL_LESS);
    std::vector<double> range(2);
    glGetDoublev(GL_DEPTH_RANGE, range.data());
    EXPECT_EQ(range, (std::vector<double>{0.0, 1.0}));
    EXPECT_TRUE(IsOn(GL_DEPTH_TEST));
    EXPECT_TRUE(IsOn(GL_ALPHA_TEST));
    EXPECT_EQ(GetInt(GL_DEPTH_WRITEMASK), GL_TRUE);
}
