// SPDX-License-Identifier: MIT
// An RGB picture in floats (0..1 per channel) that the generators paint into, and its raw form:
// width x height x 3 bytes, row 0 first, no header.
#pragma once

#include <cstdint>
#include <vector>

namespace mediagen {

struct Rgb {
    float r, g, b;
};

Rgb Mix(Rgb a, Rgb b, float t);  // a at t = 0, b at t = 1
Rgb Scale(Rgb a, float k);
Rgb Add(Rgb a, Rgb b);
Rgb FromBytes(int r, int g, int b);

float Clamp01(float v);
float SmoothStep(float edge0, float edge1, float x);

class Image {
public:
    Image(int width, int height, Rgb fill = {0.0f, 0.0f, 0.0f});

    int Width() const { return width_; }
    int Height() const { return height_; }
    Rgb Get(int x, int y) const;  // clamped to the edges
    void Set(int x, int y, Rgb c);  // ignored outside
    void Blend(int x, int y, Rgb c, float alpha);  // ignored outside

    // Bytes of the raw form; channels are rounded and clamped.
    std::vector<uint8_t> ToRaw() const;

private:
    int width_, height_;
    std::vector<Rgb> pixels_;
};

}  // namespace mediagen
