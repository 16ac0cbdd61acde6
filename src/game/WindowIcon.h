// SPDX-License-Identifier: MIT
// The pixels of the game window's icon, painted by tools/mediagen (quenbrill-icons) at build
// time: kWindowIconSize x kWindowIconSize pixels of red, green, blue, alpha, top row first.
#pragma once

#include <cstdint>

constexpr int kWindowIconSize = 64;

const uint8_t* WindowIconPixels();
