// SPDX-License-Identifier: MIT
// The four painted pictures of the game, as raw RGB bytes (row 0 first).
#pragma once

#include <cstdint>
#include <vector>

namespace mediagen {

std::vector<uint8_t> MakeStartScreen();  // 256 x 256; the upper 256 x 192 are shown
std::vector<uint8_t> MakeTerrain();  // 128 x 128 ground, stretched over the play square
std::vector<uint8_t> MakeSky();  // 256 x 128, row 0 zenith, row 127 horizon, wraps in x
std::vector<uint8_t> MakeParticle();  // 32 x 32 soft white glow on black

}  // namespace mediagen
