// SPDX-License-Identifier: MIT
#include "render/Overlay.h"

#include <GL/gl.h>

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "render/RenderState.h"
#include "render/Texture.h"

namespace {

struct SourceRect {
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    bool on = false;
    uint32_t context = 0;  // the rectangle belongs to the context it was set in
};
SourceRect gSource;

// A new context starts with the source rectangle off.
bool SourceRectOn() { return gSource.on && gSource.context == GLContextSerial(); }

const char kGlyphs[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789+-*/.,:;|<>";
const unsigned char kFreeSlot = 0xFF;
int gFontTexture = 0;
unsigned char gCustom[16] = {kFreeSlot, kFreeSlot, kFreeSlot, kFreeSlot, kFreeSlot, kFreeSlot,
                             kFreeSlot, kFreeSlot, kFreeSlot, kFreeSlot, kFreeSlot, kFreeSlot,
                             kFreeSlot, kFreeSlot, kFreeSlot, kFreeSlot};

}  // namespace

void SetSourceRect(int x0, int y0, int x1, int y1)
{
    gSource.x0 = x0 < x1 ? x0 : x1;
    gSource.x1 = x0 < x1 ? x1 : x0;
    gSource.y0 = y0 < y1 ? y0 : y1;
    gSource.y1 = y0 < y1 ? y1 : y0;
    gSource.on = true;
    gSource.context = GLContextSerial();
}

void ClearSourceRect() { gSource.on = false; }

ImageRect ImageRectOf(int textureWidth, int textureHeight)
{
    ImageRect r;
    if (!SourceRectOn()) {
        r.width = textureWidth;
        r.height = textureHeight;
        return r;
    }
    const float w = static_cast<float>(textureWidth);
    const float h = static_cast<float>(textureHeight);
    r.s0 = gSource.x0 / w;
    r.t0 = gSource.y0 / h;
    r.s1 = (gSource.x1 + 1) / w;
    r.t1 = (gSource.y1 + 1) / h;
    r.width = gSource.x1 - gSource.x0 + 1;
    r.height = gSource.y1 - gSource.y0 + 1;
    return r;
}

void DrawImage(int texture, int x, int y, float scale, bool centred, bool mirrored)
{
    const int index = FindTexture(texture);
    if (index < 0) return;
    const TextureRecord rec = TextureAt(index);
    ImageRect r = ImageRectOf(rec.width, rec.height);
    const float w = scale * r.width;
    const float h = scale * r.height;
    if (centred) {
        x -= static_cast<int>(w) / 2;
        y -= static_cast<int>(h) / 2;
    }
    if (mirrored) {
        const float s = r.s0;
        r.s0 = r.s1;
        r.s1 = s;
    }
    const float fx = static_cast<float>(x);
    const float fy = static_cast<float>(y);
    Begin2D();
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(texture));
    glBegin(GL_QUADS);
    glTexCoord2f(r.s0, r.t0);
    glVertex2f(fx, fy);
    glTexCoord2f(r.s0, r.t1);
    glVertex2f(fx, fy + h);
    glTexCoord2f(r.s1, r.t1);
    glVertex2f(fx + w, fy + h);
    glTexCoord2f(r.s1, r.t0);
    glVertex2f(fx + w, fy);
    glEnd();
    glDisable(GL_TEXTURE_2D);
    End2D();
}

void SetFontTexture(int texture)
{
    gFontTexture = texture;
    std::memset(gCustom, kFreeSlot, sizeof gCustom);
}

void SetCustomGlyph(int slot, char c)
{
    if (slot < 0) slot = 0;
    if (slot > 15) slot = 15;
    gCustom[slot] = static_cast<unsigned char>(c);
}

bool GlyphCell(char c, int& u, int& v)
{
    const unsigned char uc = static_cast<unsigned char>(c);
    for (int s = 0; s < 16; ++s) {
        if (gCustom[s] != kFreeSlot && gCustom[s] == uc) {
            u = 16 * s;
            v = 96;
            return true;
        }
    }
    const char upper = static_cast<char>(std::toupper(uc));
    const char* at = upper != '\0' ? std::strchr(kGlyphs, upper) : nullptr;
    if (at) {
        const int i = static_cast<int>(at - kGlyphs);
        u = 16 * (i % 16);
        v = 16 * (i / 16);
    } else {
        u = 240;
        v = 112;
    }
    return false;
}

void DrawText(int x, int y, const char* text, int red, int green, int blue, bool centred,
              float scale)
{
    if (!text) return;
    const int n = static_cast<int>(std::strlen(text));
    if (n == 0) return;
    const int advance = static_cast<int>(18.0f * scale);
    const float size = static_cast<float>(static_cast<int>(16.0f * scale));
    if (centred) {
        x -= (advance * n) / 2;
        y -= advance / 2;
    }
    EndBlend();
    EnableAlphaTest();
    Begin2D();
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(gFontTexture));
    glBegin(GL_QUADS);
    int pen = x;
    for (int i = 0; i < n; ++i) {
        const char c = text[i];
        if (c == '\n') {
            y += advance;
            pen = x;
            continue;
        }
        if (c != ' ') {
            int u = 0, v = 0;
            if (GlyphCell(c, u, v)) glColor3ub(255, 255, 255);
            else
                glColor3ub(static_cast<GLubyte>(red), static_cast<GLubyte>(green),
                           static_cast<GLubyte>(blue));
            const float s0 = u / 256.0f, s1 = (u + 16) / 256.0f;
            const float t0 = v / 128.0f, t1 = (v + 16) / 128.0f;
            const float px = static_cast<float>(pen), py = static_cast<float>(y);
            glTexCoord2f(s0, t0);
            glVertex2f(px, py);
            glTexCoord2f(s0, t1);
            glVertex2f(px, py + size);
            glTexCoord2f(s1, t1);
            glVertex2f(px + size, py + size);
            glTexCoord2f(s1, t0);
            glVertex2f(px + size, py);
        }
        pen += advance;
    }
    glEnd();
    glColor3f(1.0f, 1.0f, 1.0f);
    glDisable(GL_TEXTURE_2D);
    End2D();
}

void DrawInt(int x, int y, int value, int red, int green, int blue, bool centred, float scale)
{
    char buffer[128];
    std::snprintf(buffer, sizeof buffer, "%d", value);
    DrawText(x, y, buffer, red, green, blue, centred, scale);
}

void DrawFloat(int x, int y, float value, int red, int green, int blue, bool centred, float scale)
{
    // "%f" of the largest float is 46 characters; 128 always holds it.
    char buffer[128];
    std::snprintf(buffer, sizeof buffer, "%f", value);
    DrawText(x, y, buffer, red, green, blue, centred, scale);
}

int FontCharWidth() { return GLYPH_ADVANCE; }

int FontLineHeight() { return GLYPH_ADVANCE; }
