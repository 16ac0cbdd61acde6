// SPDX-License-Identifier: MIT
// Images and bitmap text in window pixels, read back from the screen. The test font paints
// every 16 x 16 cell in its own colour (column and row coded in red and green), so each pixel
// tells which glyph cell was drawn there and whether the text colour tinted it.
#include <vector>

#include "GLFixture.h"
#include "render/Overlay.h"
#include "render/Texture.h"

namespace {

const int kFont = 4;
const int kPicture = 5;
const Rgb kBackground{0, 0, 40};

Rgb CellColour(int col, int row) { return Rgb{col * 16 + 15, row * 16 + 15, 200}; }

Rgb Tinted(Rgb c, int r, int g, int b) { return Rgb{c.r * r / 255, c.g * g / 255, c.b * b / 255}; }

void MakeFont()
{
    std::vector<uint8_t> rgb(256 * 128 * 3);
    for (int y = 0; y < 128; ++y) {
        for (int x = 0; x < 256; ++x) {
            const Rgb c = CellColour(x / 16, y / 16);
            uint8_t* p = &rgb[(y * 256 + x) * 3];
            p[0] = static_cast<uint8_t>(c.r);
            p[1] = static_cast<uint8_t>(c.g);
            p[2] = static_cast<uint8_t>(c.b);
        }
    }
    ASSERT_TRUE(CreateKeyedTexture(rgb.data(), rgb.size(), 256, 128, kFont));
    SetFontTexture(kFont);
}

// A 256 x 256 picture whose texel (x, y) is (x, y, 77).
void MakePicture()
{
    std::vector<uint8_t> rgb(256 * 256 * 3);
    for (int y = 0; y < 256; ++y) {
        for (int x = 0; x < 256; ++x) {
            uint8_t* p = &rgb[(y * 256 + x) * 3];
            p[0] = static_cast<uint8_t>(x);
            p[1] = static_cast<uint8_t>(y);
            p[2] = 77;
        }
    }
    ASSERT_TRUE(CreateKeyedTexture(rgb.data(), rgb.size(), 256, 256, kPicture));
}

class OverlayTest : public GLFixture {
protected:
    void SetUp() override
    {
        GLFixture::SetUp();
        SetClearColor(kBackground.r, kBackground.g, kBackground.b);
        ClearFrame();
        MakeFont();
    }
    void TearDown() override
    {
        ClearSourceRect();
        GLFixture::TearDown();
    }
    // The glyph drawn with its top-left corner at (x, y), size pixels square, has colour c
    // throughout and nothing around it.
    void ExpectGlyph(int x, int y, int size, Rgb c)
    {
        EXPECT_EQ(Pixel(x, y), c) << "top left at " << x << "," << y;
        EXPECT_EQ(Pixel(x + size - 1, y + size - 1), c) << "bottom right of " << x << "," << y;
        EXPECT_EQ(Pixel(x - 1, y), kBackground) << "left of " << x << "," << y;
        EXPECT_EQ(Pixel(x, y - 1), kBackground) << "above " << x << "," << y;
        EXPECT_EQ(Pixel(x + size, y + size - 1), kBackground) << "right of " << x << "," << y;
        EXPECT_EQ(Pixel(x + size - 1, y + size), kBackground) << "below " << x << "," << y;
    }
};

}  // namespace

TEST_F(OverlayTest, CentredTextIsPlacedByItsWholeLength)
{
    DrawText(100, 100, "AB", 255, 255, 255, true, 1.0f);
    ExpectGlyph(82, 91, 16, CellColour(0, 0));
    ExpectGlyph(100, 91, 16, CellColour(1, 0));
}

TEST_F(OverlayTest, ScaleLineEndsAndSpaces)
{
    DrawText(10, 10, "AB", 255, 255, 255, false, 2.0f);
    ExpectGlyph(10, 10, 32, CellColour(0, 0));
    ExpectGlyph(46, 10, 32, CellColour(1, 0));

    // A line end moves one line down and back to the start; a space only advances.
    DrawText(200, 10, "A\nB C", 255, 255, 255, false, 1.0f);
    ExpectGlyph(200, 10, 16, CellColour(0, 0));
    ExpectGlyph(200, 28, 16, CellColour(1, 0));
    ExpectGlyph(236, 28, 16, CellColour(2, 0));
    EXPECT_EQ(Pixel(218, 28), kBackground);

    // Scale 1.5: glyphs of 24 pixels, 27 apart; centring counts the line end and the space.
    DrawText(400, 300, "A B", 255, 255, 255, true, 1.5f);
    ExpectGlyph(400 - 81 / 2, 300 - 27 / 2, 24, CellColour(0, 0));
    ExpectGlyph(400 - 81 / 2 + 54, 300 - 27 / 2, 24, CellColour(1, 0));
}

TEST_F(OverlayTest, GlyphCellsFollowTheFontLayout)
{
    struct Case {
        char c;
        int u, v;
    };
    const Case cases[] = {
        {'A', 0, 0},    {'P', 240, 0},  {'Q', 0, 16},    {'Z', 144, 16},  {'0', 160, 16},
        {'5', 240, 16}, {'6', 0, 32},   {'+', 64, 32},   {'>', 224, 32},  {'|', 192, 32},
        {'a', 0, 0},    {'z', 144, 16}, {'#', 240, 112}, {'~', 240, 112}, {'\x80', 240, 112},
    };
    for (const Case& c : cases) {
        int u = -1, v = -1;
        EXPECT_FALSE(GlyphCell(c.c, u, v)) << c.c;
        EXPECT_EQ(u, c.u) << c.c;
        EXPECT_EQ(v, c.v) << c.c;
    }

    SetCustomGlyph(3, 'a');
    SetCustomGlyph(99, '#');  // clamped into slot 15
    SetCustomGlyph(-4, 'a');  // slot 0: the lowest slot holding a character wins
    int u = -1, v = -1;
    EXPECT_TRUE(GlyphCell('a', u, v));
    EXPECT_EQ(u, 0);
    EXPECT_EQ(v, 96);
    EXPECT_TRUE(GlyphCell('#', u, v));
    EXPECT_EQ(u, 240);
    EXPECT_FALSE(GlyphCell('A', u, v));
    EXPECT_EQ(u, 0);
    EXPECT_EQ(v, 0);

    SetFontTexture(kFont);  // frees every slot
    EXPECT_FALSE(GlyphCell('#', u, v));
    EXPECT_EQ(v, 112);
    EXPECT_EQ(FontCharWidth(), 18);
    EXPECT_EQ(FontLineHeight(), 18);
}

TEST_F(OverlayTest, TextColourTintsAllButCustomGlyphs)
{
    SetCustomGlyph(3, 'a');
    DrawText(10, 10, "aAb#", 255, 255, 0, false, 1.0f);
    ExpectGlyph(10, 10, 16, CellColour(3, 6));  // custom, untinted
    ExpectGlyph(28, 10, 16, Tinted(CellColour(0, 0), 255, 255, 0));  // A
    ExpectGlyph(46, 10, 16, Tinted(CellColour(1, 0), 255, 255, 0));  // b draws B
    ExpectGlyph(64, 10, 16, Tinted(CellColour(15, 7), 255, 255, 0));  // no glyph

    // Numbers go through the same path.
    DrawInt(10, 100, -12, 255, 255, 255, false, 1.0f);
    ExpectGlyph(10, 100, 16, CellColour(5, 2));  // '-'
    ExpectGlyph(28, 100, 16, CellColour(11, 1));  // '1'
    ExpectGlyph(46, 100, 16, CellColour(12, 1));  // '2'
    DrawFloat(10, 200, 1.5f, 255, 255, 255, false, 1.0f);  // "1.500000"
    ExpectGlyph(10, 200, 16, CellColour(11, 1));
    ExpectGlyph(28, 200, 16, CellColour(8, 2));  // '.'
    ExpectGlyph(136, 200, 16, CellColour(10, 1));  // the last '0'
    EXPECT_EQ(Pixel(154, 200), kBackground);
}

TEST_F(OverlayTest, TextStateAfterDrawing)
{
    // An empty text changes nothing.
    DisableAlphaTest();
    BeginBlend(0);
    DrawText(10, 10, "", 255, 255, 255, false, 1.0f);
    DrawText(10, 10, nullptr, 255, 255, 255, false, 1.0f);
    EXPECT_TRUE(IsOn(GL_BLEND));
    EXPECT_FALSE(IsOn(GL_ALPHA_TEST));

    const std::vector<double> modelView = Matrix(GL_MODELVIEW_MATRIX);
    DrawText(10, 10, "A", 10, 20, 30, false, 1.0f);
    EXPECT_FALSE(IsOn(GL_BLEND));
    EXPECT_TRUE(IsOn(GL_ALPHA_TEST));
    EXPECT_FALSE(IsOn(GL_TEXTURE_2D));
    EXPECT_TRUE(IsOn(GL_CULL_FACE));
    EXPECT_EQ(GetInt(GL_DEPTH_FUNC), GL_LESS);
    EXPECT_EQ(GetInt(GL_MATRIX_MODE), GL_MODELVIEW);
    EXPECT_EQ(Matrix(GL_MODELVIEW_MATRIX), modelView);
    GLfloat colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_EQ(colour[0], 1.0f);
    EXPECT_EQ(colour[1], 1.0f);
    EXPECT_EQ(colour[2], 1.0f);
}

// The start screen: the upper 256 x 192 of a 256 x 256 picture fills 640 x 480 at scale 2.5.
// The source rectangle belongs to the context it was set in: a new one starts without it.
TEST_F(OverlayTest, NewContextStartsWithoutSourceRectangle)
{
    SetSourceRect(10, 20, 13, 21);
    EXPECT_EQ(ImageRectOf(64, 32).width, 4);
    ASSERT_TRUE(CreateGLContext(window, kWidth, kHeight));
    const ImageRect r = ImageRectOf(64, 32);
    EXPECT_EQ(r.width, 64);
    EXPECT_EQ(r.height, 32);
    EXPECT_EQ(r.s1, 1.0f);
    EXPECT_EQ(r.t1, 1.0f);
}

TEST_F(OverlayTest, SourceRectangleFillsTheWindow)
{
    MakePicture();
    SetSourceRect(255, 191, 0, 0);  // the same as (0, 0, 255, 191)
    DrawImage(kPicture, 0, 0, 2.5f, false, false);
    ClearSourceRect();
    // Nearest texel of a pixel centre: floor((p + 0.5) / 2.5).
    const int pixels[][2] = {{0, 0}, {1, 1}, {3, 4}, {320, 240}, {639, 0}, {0, 479}, {639, 479}};
    for (const auto& p : pixels) {
        const int tx = static_cast<int>((p[0] + 0.5) / 2.5);
        const int ty = static_cast<int>((p[1] + 0.5) / 2.5);
        EXPECT_EQ(Pixel(p[0], p[1]), (Rgb{tx, ty, 77})) << p[0] << "," << p[1];
    }
    EXPECT_EQ(Pixel(639, 479), (Rgb{255, 191, 77}));
}

TEST_F(OverlayTest, CentredMirroredAndMissingImages)
{
    MakePicture();
    DrawImage(kPicture, 320, 240, 1.0f, true, true);
    // 256 x 256 centred on (320, 240): top left (192, 112); mirrored left to right.
    EXPECT_EQ(Pixel(192, 112), (Rgb{255, 0, 77}));
    EXPECT_EQ(Pixel(447, 367), (Rgb{0, 255, 77}));
    EXPECT_EQ(Pixel(191, 112), kBackground);
    EXPECT_EQ(Pixel(448, 112), kBackground);
    EXPECT_EQ(Pixel(192, 111), kBackground);
    EXPECT_EQ(Pixel(192, 368), kBackground);

    ClearFrame();
    SetSourceRect(10, 20, 13, 21);  // 4 x 2 texels at scale 3: 12 x 6 pixels
    DrawImage(kPicture, 100, 100, 3.0f, true, false);
    ClearSourceRect();
    EXPECT_EQ(Pixel(94, 97), (Rgb{10, 20, 77}));
    EXPECT_EQ(Pixel(105, 102), (Rgb{13, 21, 77}));
    EXPECT_EQ(Pixel(93, 97), kBackground);
    EXPECT_EQ(Pixel(106, 102), kBackground);
    EXPECT_EQ(Pixel(94, 103), kBackground);

    ClearFrame();
    DrawImage(77, 0, 0, 1.0f, false, false);  // not registered
    EXPECT_EQ(Pixel(0, 0), kBackground);
    EXPECT_EQ(Pixel(100, 100), kBackground);
    EXPECT_EQ(GetInt(GL_MATRIX_MODE), GL_MODELVIEW);
    EXPECT_FALSE(IsOn(GL_TEXTURE_2D));
}
