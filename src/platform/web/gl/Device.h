// SPDX-License-Identifier: MIT
// The WebGL side of the browser backend's OpenGL 1.1 subset (not part of the contract). The
// GL 1.1 front (Gl11.cpp) keeps every piece of state itself and hands this layer one resolved
// pipeline per draw; this layer owns the WebGL 1 context, the shader programs, the buffers and
// textures, and applies only what changed since the previous draw. Plain types only: the
// front includes the desktop GL header, this side WebGL's, and the two do not mix.
//
// The picture is drawn into an offscreen target (colour texture, 16-bit depth, like the
// desktop's pixel format) and copied to the canvas at Present: the game clears and draws the
// background of the next frame right after presenting, and a canvas shows whatever its drawing
// buffer holds when the browser's frame task ends.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace webgl {

// One vertex as drawn: position (w 1, or clip space for expanded lines), texture coordinate
// (s, t, r; q is 1) and colour (0-255).
struct Vertex {
    float x = 0, y = 0, z = 0, w = 1;
    float s = 0, t = 0, r = 0;
    uint8_t rgba[4] = {255, 255, 255, 255};
};

enum class Primitive { Triangles, Lines };

// How a texture is sampled: none, a 2D image, a 1D image (an N x 1 texture), or a 1D image
// whose coordinate is clamped at each vertex before it is interpolated (the shading ramp).
enum class TextureMode { None = 0, Image2D = 1, Image1D = 2, Ramp1D = 3 };

// Everything one draw needs, resolved by the front. Matrices are column-major; a key that is
// the same as the previous draw's means the same matrix (0: always upload).
struct Pipeline {
    const float* mvp = nullptr;
    uint32_t mvpKey = 0;
    const float* texMatrix = nullptr;
    uint32_t texKey = 0;
    TextureMode textureMode = TextureMode::None;
    uint32_t texture = 0;  // a texture of NewTexture
    bool alphaTest = false;
    uint32_t alphaFunc = 0x0207;  // GL_ALWAYS
    float alphaRef = 0;
    bool fog = false;
    uint32_t fogMode = 0x2601;  // GL_LINEAR
    float fogColor[4] = {0, 0, 0, 0};
    float fogStart = 0, fogEnd = 1, fogDensity = 1;
    bool blend = false;
    uint32_t blendSrc = 1, blendDst = 0;  // GL_ONE, GL_ZERO
    bool depthTest = false;
    uint32_t depthFunc = 0x0201;  // GL_LESS
    float depthNear = 0, depthFar = 1;  // glDepthRange
    bool depthMask = true;
    bool cull = false;
    uint32_t cullFace = 0x0405;  // GL_BACK
    bool scissor = false;
    int scissorBox[4] = {0, 0, 0, 0};
    int viewport[4] = {0, 0, 0, 0};
    // Vertices without colour or texture coordinate of their own take these.
    bool constantColor = false;
    float color[4] = {1, 1, 1, 1};
    bool constantTexCoord = false;
    float texCoord[3] = {0, 0, 0};
};

// A WebGL 1 context on the canvas (CSS selector), made current. False with *why.
bool Create(const char* canvas, std::string* why);
void Destroy();
bool Exists();

// The drawing surface: the canvas's drawing buffer and the offscreen target, in pixels.
void SetSurfaceSize(int width, int height);
void SurfaceSize(int* width, int* height);
// Shows the offscreen picture on the canvas.
void Present();

void Clear(bool colour, bool depth, const float clearColour[4], bool scissor,
           const int scissorBox[4], bool depthMask);
// Streams the vertices and draws them (triangles in threes, lines in twos).
void Draw(const Pipeline& p, Primitive primitive, const Vertex* vertices, size_t count);

// Vertices kept on the GPU (display lists).
uint32_t NewBuffer(const Vertex* vertices, size_t count);
void DeleteBuffer(uint32_t buffer);
void DrawBuffer(const Pipeline& p, Primitive primitive, uint32_t buffer, size_t first,
                size_t count);

uint32_t NewTexture();
void DeleteTexture(uint32_t texture);
// format: GL_RGB, GL_RGBA, GL_LUMINANCE, GL_LUMINANCE_ALPHA or GL_ALPHA; 8 bits per channel;
// rows aligned to `alignment` bytes. pixels may be null (contents undefined).
void TexImage(uint32_t texture, int width, int height, uint32_t format, const void* pixels,
              int alignment);
// GL enums, GL_CLAMP already turned into GL_CLAMP_TO_EDGE.
void TexParameters(uint32_t texture, uint32_t minFilter, uint32_t magFilter, uint32_t wrapS,
                   uint32_t wrapT);

// Reads a rectangle of the last presented picture (presented) or of the picture being drawn,
// rows from the bottom as GL counts, 4 bytes a pixel. For tests.
bool ReadPixels(int x, int y, int width, int height, uint8_t* rgba, bool presented);

// WebGL calls made so far (a rough measure of the work handed to the browser).
uint64_t CallCount();

}  // namespace webgl
