// SPDX-License-Identifier: MIT
// The texture registry: every texture is an OpenGL name the program picks itself, recorded
// with its pixel size in one global list. Textures are made from raw RGB images (alpha derived
// here) or built in memory (the shading ramp). All calls need the GL context to be current.
#pragma once

#include <cstddef>
#include <cstdint>

// The 1D shading ramp used by the model renderer: 16 grey texels, name 1000.
enum { RAMP_TEXTURE = 1000 };

struct TextureRecord {
    int32_t name = 0;
    int32_t width = 0;
    int32_t height = 0;  // 1 for the 1D ramp
};

// Builds the ramp (128 for texels 0-2, 192 for 3-7, 224 for 8-14, 255 for 15), uploads it as
// GL_TEXTURE_1D name 1000 (nearest, clamped: coordinate 1 is texel 15) and registers
// {1000, 16, 1}.
void CreateRampTexture();

// Uploads width x height RGBA texels (rows in source order) as 2D texture `name`, linear
// filtering when smooth, else nearest, and registers it. `bytes` is the length of the buffer:
// a missing buffer, a bad size or a buffer shorter than width x height x 4 creates nothing and
// gives false.
bool CreateTexture(const uint8_t* rgba, size_t bytes, int width, int height, int name, bool smooth);

// The RGB makers read exactly width x height x 3 bytes of `rgb` (and give false, creating
// nothing, when the buffer is missing or shorter). The caller keeps its buffer.
// Colour key: texels of exactly (159, 0, 159) get alpha 0, all others 255; nearest filtering.
bool CreateKeyedTexture(const uint8_t* rgb, size_t bytes, int width, int height, int name);
// Every texel gets alpha = truncate(alpha x 255); linear filtering.
bool CreateConstantAlphaTexture(const uint8_t* rgb, size_t bytes, int width, int height, int name,
                                float alpha);
// Every texel gets alpha = its brightest channel; linear filtering.
bool CreateBrightnessAlphaTexture(const uint8_t* rgb, size_t bytes, int width, int height,
                                  int name);

// Index of the first record with that name, or -1.
int FindTexture(int name);
// Number of records and the record at an index (clamped into range; a zero record when empty).
int TextureCount();
TextureRecord TextureAt(int index);
// Removes the record (others keep their order) and deletes the GL texture; unknown: nothing.
void DeleteTexture(int name);
// Deletes every registered GL texture in registry order and empties the registry.
void DeleteAllTextures();
// Forgets every record without touching GL (a new context starts from an empty registry).
void ClearTextureRegistry();
