// SPDX-License-Identifier: MIT
// Raw RGB images: headerless blocks of width x height x 3 bytes, red-green-blue per pixel,
// rows first (the first row in the data is texture row 0). The size is not stored in the data;
// the program knows it for each image, and each image's name spells it.
#pragma once

#include <cstdint>

struct RawImageInfo {
    const char* entryName;  // archive entry
    int width;
    int height;
    int textureName;  // the OpenGL texture name the game gives it
};

// The game's five images, in texture-name order (1 ground, 2 sky, 3 particle, 4 font,
// 5 start screen).
extern const RawImageInfo kGameImages[5];

// The game image registered under entryName, or none.
const RawImageInfo* FindGameImage(const char* entryName);

// Byte count of a width x height RGB image; 0 when either side is not positive or the
// count would not fit in 32 bits.
int32_t RawImageBytes(int width, int height);

// Reads the archive entry into a new buffer of exactly width x height x 3 bytes (release with
// delete[]). None when the name is not in the archive's directory or the size is unusable.
// Bytes the archive cannot supply (a smaller entry, a missing or short archive) are zero and
// *complete (when given) is false.
uint8_t* ReadRawImage(const char* entryName, int width, int height, bool* complete = nullptr);
