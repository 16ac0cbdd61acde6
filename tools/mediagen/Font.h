// SPDX-License-Identifier: MIT
// The bitmap font image: 16 x 8 cells of 16 x 16 pixels on the key colour 159,0,159.
// Rows 0-2 hold the 47 text characters, row 6 sixteen coloured icons, and the last cell the
// box drawn for characters the font does not have.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace mediagen {

// The characters of rows 0-2, in cell order.
extern const char kFontCharacters[];

// 256 x 128 RGB bytes.
std::vector<uint8_t> MakeFontImage();

// The 7 x 7 design of a text character ('#' set, '.' clear), row by row; empty when the font
// has no such character. Also used for the large title lettering.
std::vector<std::string> GlyphRows(char c);

}  // namespace mediagen
