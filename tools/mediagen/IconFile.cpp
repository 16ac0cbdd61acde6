// SPDX-License-Identifier: MIT
#include "IconFile.h"

namespace mediagen {
namespace {

void Put16(std::vector<uint8_t>& out, uint32_t v)
{
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

void Put32(std::vector<uint8_t>& out, uint32_t v)
{
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

// The bitmap form: a header, the pixels as blue, green, red, alpha from the bottom row up,
// then the mask (one bit per pixel, set where the picture is fully transparent, rows padded
// to four bytes), also from the bottom up.
std::vector<uint8_t> Bitmap(const IconPicture& p)
{
    const uint32_t n = static_cast<uint32_t>(p.size);
    const uint32_t maskRow = (n + 31) / 32 * 4;
    std::vector<uint8_t> out;
    Put32(out, 40);  // header size
    Put32(out, n);  // width
    Put32(out, 2 * n);  // height: the colours and the mask, one above the other
    Put16(out, 1);  // planes
    Put16(out, 32);  // bits per pixel
    Put32(out, 0);  // no compression
    Put32(out, n * n * 4 + maskRow * n);
    for (int i = 0; i < 4; ++i) Put32(out, 0);  // resolution, palette: none
    for (uint32_t row = n; row-- > 0;) {
        for (uint32_t x = 0; x < n; ++x) {
            const uint8_t* px = &p.rgba[(row * n + x) * 4];
            out.insert(out.end(), {px[2], px[1], px[0], px[3]});
        }
    }
    for (uint32_t row = n; row-- > 0;) {
        std::vector<uint8_t> bits(maskRow, 0);
        for (uint32_t x = 0; x < n; ++x)
            if (p.rgba[(row * n + x) * 4 + 3] == 0)
                bits[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
        out.insert(out.end(), bits.begin(), bits.end());
    }
    return out;
}

}  // namespace

std::vector<uint8_t> MakeIconFile(const std::vector<IconPicture>& pictures)
{
    std::vector<std::vector<uint8_t>> images;
    for (const IconPicture& p : pictures) {
        if (p.size < 1 || p.size > 256) return {};
        if (!p.png.empty()) {
            images.push_back(p.png);
            continue;
        }
        if (p.rgba.size() < static_cast<size_t>(p.size) * p.size * 4) return {};
        images.push_back(Bitmap(p));
    }
    std::vector<uint8_t> out;
    Put16(out, 0);  // reserved
    Put16(out, 1);  // an icon (2 would be a cursor)
    Put16(out, static_cast<uint32_t>(images.size()));
    uint32_t offset = 6 + 16 * static_cast<uint32_t>(images.size());
    for (size_t i = 0; i < images.size(); ++i) {
        const int size = pictures[i].size;
        out.push_back(static_cast<uint8_t>(size == 256 ? 0 : size));  // 0 stands for 256
        out.push_back(static_cast<uint8_t>(size == 256 ? 0 : size));
        out.push_back(0);  // no palette
        out.push_back(0);
        Put16(out, 1);  // planes
        Put16(out, 32);  // bits per pixel
        Put32(out, static_cast<uint32_t>(images[i].size()));
        Put32(out, offset);
        offset += static_cast<uint32_t>(images[i].size());
    }
    for (const auto& image : images) out.insert(out.end(), image.begin(), image.end());
    return out;
}

}  // namespace mediagen
