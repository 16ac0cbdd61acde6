// SPDX-License-Identifier: MIT
// The Windows icon file (.ico): several square pictures of one icon in one file, from which
// Explorer, the task bar and the window frame each pick the size they need.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace mediagen {

struct IconPicture {
    int size = 0;  // 1 .. 256 pixels square
    std::vector<uint8_t> rgba;  // size x size pixels of red, green, blue, alpha, top row first
    std::vector<uint8_t> png;  // when not empty, stored instead: a PNG file of the picture
};

// The bytes of an .ico holding the pictures in the order given: each a 32-bit bitmap with
// alpha and a transparency mask (the form every Windows reads), or its PNG as it is (the
// compact form for 256 x 256). Empty when a picture has no valid size or too few pixels.
std::vector<uint8_t> MakeIconFile(const std::vector<IconPicture>& pictures);

}  // namespace mediagen
