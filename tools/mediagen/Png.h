// Writes 8-bit RGB pictures as PNG files (for previews and the contact sheet).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace mediagen {

// rgb holds width x height x 3 bytes, row 0 at the top. False (with a message) on failure.
bool WritePng(const std::string& path, int width, int height, const std::vector<uint8_t>& rgb);

}  // namespace mediagen
