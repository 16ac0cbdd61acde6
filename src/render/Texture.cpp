// SPDX-License-Identifier: MIT
#include "render/Texture.h"

#include <GL/gl.h>

#include <vector>

#include "shell/DynArray.h"

namespace {

DynArray<TextureRecord> gTextures;

// Largest side we accept; keeps width x height x 4 far from overflowing.
const int kMaxSide = 1 << 15;

bool SizeOk(int width, int height)
{
    return width > 0 && height > 0 && width <= kMaxSide && height <= kMaxSide;
}

// True when the buffer is there and holds at least width x height x channels bytes.
bool BufferOk(const uint8_t* data, size_t bytes, int width, int height, size_t channels)
{
    if (!data || !SizeOk(width, height)) return false;
    return bytes >= static_cast<size_t>(width) * static_cast<size_t>(height) * channels;
}

// Expands RGB to RGBA with alpha from `alphaOf`; rows stay in source order.
template <typename AlphaOf>
std::vector<uint8_t> ToRgba(const uint8_t* rgb, int width, int height, AlphaOf alphaOf)
{
    const size_t texels = static_cast<size_t>(width) * static_cast<size_t>(height);
    std::vector<uint8_t> out(texels * 4);
    for (size_t i = 0; i < texels; ++i) {
        const uint8_t r = rgb[3 * i], g = rgb[3 * i + 1], b = rgb[3 * i + 2];
        out[4 * i] = r;
        out[4 * i + 1] = g;
        out[4 * i + 2] = b;
        out[4 * i + 3] = alphaOf(r, g, b);
    }
    return out;
}

}  // namespace

void CreateRampTexture()
{
    uint8_t texels[16 * 3];
    for (int i = 0; i < 16; ++i) {
        uint8_t grey = 255;
        if (i <= 2) grey = 128;
        else if (i <= 7) grey = 192;
        else if (i <= 14) grey = 224;
        texels[3 * i] = texels[3 * i + 1] = texels[3 * i + 2] = grey;
    }
    glBindTexture(GL_TEXTURE_1D, RAMP_TEXTURE);
    glTexParameteri(GL_TEXTURE_1D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_1D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    // Clamped, not repeated: a corner lit dead-on has coordinate 1 (the shading clamps longer
    // dot products to 1 as well), and repeating would wrap it to texel 0, the darkest band.
    // Interpolation can also overshoot 1 by a hair across a face that is lit all over. With
    // nearest filtering every coordinate below 1 picks the same texel as before.
    glTexParameteri(GL_TEXTURE_1D, GL_TEXTURE_WRAP_S, GL_CLAMP);
    glTexImage1D(GL_TEXTURE_1D, 0, GL_RGB, 16, 0, GL_RGB, GL_UNSIGNED_BYTE, texels);
    TextureRecord rec;
    rec.name = RAMP_TEXTURE;
    rec.width = 16;
    rec.height = 1;
    gTextures.Append(rec);
}

bool CreateTexture(const uint8_t* rgba, size_t bytes, int width, int height, int name, bool smooth)
{
    if (!BufferOk(rgba, bytes, width, height, 4)) return false;
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(name));
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    // A state of the texture unit: it holds for every texture drawn afterwards, the ramp too.
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    const GLint filter = smooth ? GL_LINEAR : GL_NEAREST;
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    TextureRecord rec;
    rec.name = name;
    rec.width = width;
    rec.height = height;
    gTextures.Append(rec);
    return true;
}

bool CreateKeyedTexture(const uint8_t* rgb, size_t bytes, int width, int height, int name)
{
    if (!BufferOk(rgb, bytes, width, height, 3)) return false;
    std::vector<uint8_t> rgba = ToRgba(rgb, width, height, [](uint8_t r, uint8_t g, uint8_t b) {
        return static_cast<uint8_t>((r == 159 && g == 0 && b == 159) ? 0 : 255);
    });
    return CreateTexture(rgba.data(), rgba.size(), width, height, name, false);
}

bool CreateConstantAlphaTexture(const uint8_t* rgb, size_t bytes, int width, int height, int name,
                                float alpha)
{
    if (!BufferOk(rgb, bytes, width, height, 3)) return false;
    float scaled = alpha * 255.0f;
    if (!(scaled >= 0.0f))  // also catches NaN
        scaled = 0.0f;
    if (scaled > 255.0f) scaled = 255.0f;
    const uint8_t a = static_cast<uint8_t>(scaled);  // truncated: 0.5 gives 127
    std::vector<uint8_t> rgba =
        ToRgba(rgb, width, height, [a](uint8_t, uint8_t, uint8_t) { return a; });
    return CreateTexture(rgba.data(), rgba.size(), width, height, name, true);
}

bool CreateBrightnessAlphaTexture(const uint8_t* rgb, size_t bytes, int width, int height, int name)
{
    if (!BufferOk(rgb, bytes, width, height, 3)) return false;
    std::vector<uint8_t> rgba = ToRgba(rgb, width, height, [](uint8_t r, uint8_t g, uint8_t b) {
        uint8_t m = r > g ? r : g;
        return b > m ? b : m;
    });
    return CreateTexture(rgba.data(), rgba.size(), width, height, name, true);
}

int FindTexture(int name)
{
    for (int32_t i = 0; i < gTextures.Count(); ++i) {
        if (gTextures[i].name == name) return i;
    }
    return -1;
}

int TextureCount() { return gTextures.Count(); }

TextureRecord TextureAt(int index) { return gTextures[index]; }

void DeleteTexture(int name)
{
    const int index = FindTexture(name);
    if (index < 0) return;
    gTextures.RemoveAt(index);
    const GLuint glName = static_cast<GLuint>(name);
    glDeleteTextures(1, &glName);
}

void DeleteAllTextures()
{
    for (int32_t i = 0; i < gTextures.Count(); ++i) {
        const GLuint glName = static_cast<GLuint>(gTextures[i].name);
        glDeleteTextures(1, &glName);
    }
    gTextures.Clear();
}

void ClearTextureRegistry() { gTextures.Clear(); }
