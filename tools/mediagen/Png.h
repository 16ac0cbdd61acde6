// SPDX-License-Identifier: MIT
// Writes 8-bit RGB or RGBA pictures as PNG files (previews, the contact sheet, the icons).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace mediagen {

// rgb holds width x height x channels bytes (3: RGB, 4: RGBA), row 0 at the top. False (with
// a message) on failure.
bool WritePng(const std::string& path, int width, int height, const std::vector<uint8_t>& rgb,
              int channels = 3);

}  // namespace mediagen
