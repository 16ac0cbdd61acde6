// SPDX-License-Identifier: MIT
// The texture registry and the texture makers, checked on the uploaded texels and on screen.
#include <vector>

#include "GLFixture.h"
#include "render/Texture.h"

namespace {

// The RGBA texels GL holds for a 2D texture.
std::vector<uint8_t> TexelsOf(int name, int width, int height)
{
    std::vector<uint8_t> out(static_cast<size_t>(width) * height * 4);
    glBindTexture(GL_TEXTURE_2D, name);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, out.data());
    return out;
}

std::vector<int> RegisteredNames()
{
    std::vector<int> names;
    for (int i = 0; i < TextureCount(); ++i) names.push_back(TextureAt(i).name);
    return names;
}

}  // namespace

using TextureTest = GLFixture;

TEST_F(TextureTest, RampShowsFourGreyLevels)
{
    // Draw the ramp across 160 pixels: texel i covers pixels 10i to 10i + 9.
    Begin2D();
    glEnable(GL_TEXTURE_1D);
    glBindTexture(GL_TEXTURE_1D, RAMP_TEXTURE);
    glBegin(GL_QUADS);
    glTexCoord1f(0.0f);
    glVertex2f(0, 0);
    glVertex2f(0, 10);
    glTexCoord1f(1.0f);
    glVertex2f(160, 10);
    glVertex2f(160, 0);
    // Coordinate 1 (a corner lit dead-on) is the brightest texel, not wrapped to the darkest.
    glVertex2f(160, 20);
    glVertex2f(160, 30);
    glVertex2f(170, 30);
    glVertex2f(170, 20);
    glEnd();
    glDisable(GL_TEXTURE_1D);
    End2D();
    const int expected[16] = {128, 128, 128, 192, 192, 192, 192, 192,
                              224, 224, 224, 224, 224, 224, 224, 255};
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(Pixel(10 * i + 5, 5), (Rgb{expected[i], expected[i], expected[i]}))
            << "texel " << i;
    EXPECT_EQ(Pixel(165, 25), (Rgb{255, 255, 255}));

    GLint filter = 0;
    glBindTexture(GL_TEXTURE_1D, RAMP_TEXTURE);
    glGetTexParameteriv(GL_TEXTURE_1D, GL_TEXTURE_MIN_FILTER, &filter);
    EXPECT_EQ(filter, GL_NEAREST);
    glGetTexParameteriv(GL_TEXTURE_1D, GL_TEXTURE_WRAP_S, &filter);
    EXPECT_EQ(filter, GL_CLAMP);
}

TEST_F(TextureTest, MakersDeriveAlpha)
{
    const uint8_t key[] = {159, 0, 159, 159, 0, 158};
    ASSERT_TRUE(CreateKeyedTexture(key, sizeof key, 2, 1, 1));
    std::vector<uint8_t> t = TexelsOf(1, 2, 1);
    EXPECT_EQ(t[3], 0);
    EXPECT_EQ(t[7], 255);
    EXPECT_EQ(t[4], 159);
    EXPECT_EQ(t[6], 158);

    const uint8_t grey[] = {10, 20, 30, 40, 50, 60};
    ASSERT_TRUE(CreateConstantAlphaTexture(grey, sizeof grey, 1, 2, 2, 0.5f));
    t = TexelsOf(2, 1, 2);
    EXPECT_EQ(t[3], 127);  // truncated, not rounded
    EXPECT_EQ(t[7], 127);
    EXPECT_EQ(t[4], 40);  // second row in source order
    ASSERT_TRUE(CreateConstantAlphaTexture(grey, sizeof grey, 1, 2, 6, 1.0f));
    EXPECT_EQ(TexelsOf(6, 1, 2)[3], 255);

    const uint8_t bright[] = {10, 200, 30, 0, 0, 0, 7, 3, 99};
    ASSERT_TRUE(CreateBrightnessAlphaTexture(bright, sizeof bright, 3, 1, 3));
    t = TexelsOf(3, 3, 1);
    EXPECT_EQ(t[3], 200);
    EXPECT_EQ(t[7], 0);
    EXPECT_EQ(t[11], 99);

    struct Filter {
        int name;
        GLint expected;
    };
    for (const Filter& f : {Filter{1, GL_NEAREST}, Filter{2, GL_LINEAR}, Filter{3, GL_LINEAR}}) {
        GLint mag = 0, min = 0, wrap = 0;
        glBindTexture(GL_TEXTURE_2D, f.name);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &mag);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &min);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &wrap);
        EXPECT_EQ(mag, f.expected) << "texture " << f.name;
        EXPECT_EQ(min, f.expected) << "texture " << f.name;
        EXPECT_EQ(wrap, GL_REPEAT);
    }
    GLint env = 0;
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &env);
    EXPECT_EQ(env, GL_MODULATE);

    const TextureRecord rec = TextureAt(FindTexture(3));
    EXPECT_EQ(rec.width, 3);
    EXPECT_EQ(rec.height, 1);
}

TEST_F(TextureTest, KeyedTexelsVanishUnderTheAlphaTest)
{
    const uint8_t key[] = {159, 0, 159, 159, 0, 158};
    ASSERT_TRUE(CreateKeyedTexture(key, sizeof key, 2, 1, 4));
    SetClearColor(0, 80, 0);
    ClearFrame();
    EnableAlphaTest();
    Begin2D();
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, 4);
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0);
    glVertex2f(0, 0);
    glTexCoord2f(0, 1);
    glVertex2f(0, 20);
    glTexCoord2f(1, 1);
    glVertex2f(40, 20);
    glTexCoord2f(1, 0);
    glVertex2f(40, 0);
    glEnd();
    glDisable(GL_TEXTURE_2D);
    End2D();
    EXPECT_EQ(Pixel(10, 10), (Rgb{0, 80, 0}));
    EXPECT_EQ(Pixel(30, 10), (Rgb{159, 0, 158}));
}

// An image entry that could not be read, or one too short, makes no texture at all.
TEST_F(TextureTest, MissingOrShortBuffersCreateNothing)
{
    const uint8_t rgb[12] = {};
    struct Case {
        const char* what;
        const uint8_t* data;
        size_t bytes;
        int width, height;
    };
    const Case cases[] = {
        {"missing buffer", nullptr, 12, 2, 2},
        {"one byte short", rgb, 11, 2, 2},
        {"zero width", rgb, 12, 0, 2},
        {"negative height", rgb, 12, 2, -2},
        {"huge size", rgb, 12, 1 << 20, 1 << 20},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_FALSE(CreateKeyedTexture(c.data, c.bytes, c.width, c.height, 9));
        EXPECT_FALSE(CreateConstantAlphaTexture(c.data, c.bytes, c.width, c.height, 9, 1.0f));
        EXPECT_FALSE(CreateBrightnessAlphaTexture(c.data, c.bytes, c.width, c.height, 9));
        EXPECT_FALSE(CreateTexture(c.data, c.bytes, c.width, c.height, 9, true));
    }
    // RGBA needs four bytes per texel: twelve bytes are not enough for 2 x 2.
    EXPECT_FALSE(CreateTexture(rgb, sizeof rgb, 2, 2, 9, true));
    EXPECT_EQ(FindTexture(9), -1);
    EXPECT_FALSE(glIsTexture(9));
    EXPECT_EQ(TextureCount(), 1);
    // A longer buffer is fine: only width x height x 3 bytes are read.
    EXPECT_TRUE(CreateKeyedTexture(rgb, sizeof rgb, 2, 1, 9));
}

TEST_F(TextureTest, RegistryKeepsOrderThroughDeletes)
{
    const uint8_t rgb[3] = {1, 2, 3};
    for (int name : {1, 2, 3, 4, 5})
        ASSERT_TRUE(CreateConstantAlphaTexture(rgb, sizeof rgb, 1, 1, name, 1.0f));
    EXPECT_EQ(RegisteredNames(), (std::vector<int>{RAMP_TEXTURE, 1, 2, 3, 4, 5}));
    EXPECT_EQ(FindTexture(4), 4);

    DeleteTexture(5);
    DeleteTexture(2);
    DeleteTexture(77);  // not registered: nothing happens
    EXPECT_EQ(RegisteredNames(), (std::vector<int>{RAMP_TEXTURE, 1, 3, 4}));
    EXPECT_EQ(FindTexture(5), -1);
    EXPECT_FALSE(glIsTexture(5));
    EXPECT_TRUE(glIsTexture(4));

    // Made again under a used name: a second record (callers delete first).
    ASSERT_TRUE(CreateConstantAlphaTexture(rgb, sizeof rgb, 1, 1, 3, 1.0f));
    EXPECT_EQ(RegisteredNames(), (std::vector<int>{RAMP_TEXTURE, 1, 3, 4, 3}));
    EXPECT_EQ(FindTexture(3), 2);

    DeleteAllTextures();
    EXPECT_EQ(TextureCount(), 0);
    EXPECT_EQ(FindTexture(RAMP_TEXTURE), -1);
    EXPECT_EQ(FindTexture(0), -1);
    EXPECT_FALSE(glIsTexture(RAMP_TEXTURE));
    EXPECT_FALSE(glIsTexture(1));
    // Clamped access on an empty registry gives a zero record.
    EXPECT_EQ(TextureAt(3).name, 0);
}
