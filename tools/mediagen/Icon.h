// SPDX-License-Identifier: MIT
// The game's icon: a light arrow-winged ship with a black outline climbing over a planet's rim,
// on a rounded square of deep space. Painted from shapes at any size, so every size is sharp.
#pragma once

#include <cstdint>
#include <vector>

namespace mediagen {

// size x size pixels of 4 bytes (red, green, blue, alpha), top row first.
std::vector<uint8_t> MakeIcon(int size);

}  // namespace mediagen
