// SPDX-License-Identifier: MIT
#include "Image.h"

#include <algorithm>
#include <cmath>

namespace mediagen {

Rgb Mix(Rgb a, Rgb b, float t)
{
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Rgb Scale(Rgb a, float k) { return {a.r * k, a.g * k, a.b * k}; }

Rgb Add(Rgb a, Rgb b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }

Rgb FromBytes(int r, int g, int b)
{
    return {static_cast<float>(r) / 255.0f, static_cast<float>(g) / 255.0f,
            static_cast<float>(b) / 255.0f};
}

float Clamp01(float v) { return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v); }

float SmoothStep(float edge0, float edge1, float x)
{
    float t = Clamp01((x - edge0) / (edge1 - edge0));
    return t * t * (3.0f - 2.0f * t);
}

Image::Image(int width, int height, Rgb fill)
    : width_(width), height_(height), pixels_(static_cast<size_t>(width) * height, fill)
{
}

Rgb Image::Get(int x, int y) const
{
    x = std::clamp(x, 0, width_ - 1);
    y = std::clamp(y, 0, height_ - 1);
    return pixels_[static_cast<size_t>(y) * width_ + x];
}

void Image::Set(int x, int y, Rgb c)
{
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    pixels_[static_cast<size_t>(y) * width_ + x] = c;
}

void Image::Blend(int x, int y, Rgb c, float alpha)
{
    if (x < 0 || y < 0 || x >= width_ || y >= height_ || alpha <= 0.0f) return;
    Rgb& p = pixels_[static_cast<size_t>(y) * width_ + x];
    p = Mix(p, c, Clamp01(alpha));
}

static uint8_t ToByte(float v) { return static_cast<uint8_t>(std::lround(Clamp01(v) * 255.0f)); }

std::vector<uint8_t> Image::ToRaw() const
{
    std::vector<uint8_t> out;
    out.reserve(pixels_.size() * 3);
    for (const Rgb& p : pixels_) {
        out.push_back(ToByte(p.r));
        out.push_back(ToByte(p.g));
        out.push_back(ToByte(p.b));
    }
    return out;
}

}  // namespace mediagen
