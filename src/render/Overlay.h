// SPDX-License-Identifier: MIT
// Screen-aligned drawing on top of the 3D frame, in window pixels (origin top left, y down):
// whole images or pixel rectangles of registered textures, and text in a bitmap font of
// 16 x 16-pixel glyphs.
//
// The font image is 256 x 128: 16 columns x 8 rows of 16 x 16 cells. Rows 0-2 hold
// "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789+-*/.,:;|<>" left to right, row 6 the 16 custom glyphs
// (slot s in column s), and the last cell (240, 112) stands for every character without one.
#pragma once

// Pen advance per character and per line at scale 1; glyphs are drawn 16 x 16.
enum { GLYPH_ADVANCE = 18 };

// While on, DrawImage (and the upright quads) draw only this inclusive pixel rectangle of
// their texture. Each pair is stored smaller first. A new GL context starts with it off.
void SetSourceRect(int x0, int y0, int x1, int y1);
void ClearSourceRect();
// The image rectangle of a texture record: texture coordinates and pixel size, honouring the
// source rectangle.
struct ImageRect {
    float s0 = 0.0f, t0 = 0.0f, s1 = 1.0f, t1 = 1.0f;
    int width = 0, height = 0;
};
ImageRect ImageRectOf(int textureWidth, int textureHeight);

// Draws the texture (or its source rectangle) scaled, with its top-left corner at (x, y), or
// centred on it. Mirrored swaps left and right. Nothing for an unregistered texture.
void DrawImage(int texture, int x, int y, float scale, bool centred, bool mirrored);

// Sets the font texture and frees all 16 custom glyph slots.
void SetFontTexture(int texture);
// The slot (clamped into 0..15) now stands for that character, drawn in the image's colours.
void SetCustomGlyph(int slot, char c);
// Top-left pixel of the character's cell in the font image; true for a custom glyph.
bool GlyphCell(char c, int& u, int& v);

// Draws text with the pen at (x, y); centred puts the middle of the whole string (its length
// counts line ends and spaces) at (x, y). A line end moves one line down and back to x.
// Leaves blending off and the alpha test on.
void DrawText(int x, int y, const char* text, int red, int green, int blue, bool centred,
              float scale);
void DrawInt(int x, int y, int value, int red, int green, int blue, bool centred, float scale);
void DrawFloat(int x, int y, float value, int red, int green, int blue, bool centred, float scale);

int FontCharWidth();  // 18
int FontLineHeight();  // 18
