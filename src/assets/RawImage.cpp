// SPDX-License-Identifier: MIT
#include "assets/RawImage.h"

#include "assets/MediaArchive.h"

#include <cstring>
#include <new>

const RawImageInfo kGameImages[5] = {
    {"Media\\Terrain128.raw", 128, 128, 1},     {"Media\\Sky256128.raw", 256, 128, 2},
    {"Media\\Particle32.raw", 32, 32, 3},       {"Media\\Font16x16_256128.raw", 256, 128, 4},
    {"Media\\StartScreen256.raw", 256, 256, 5},
};

const RawImageInfo* FindGameImage(const char* entryName)
{
    if (!entryName) return nullptr;
    for (const RawImageInfo& info : kGameImages) {
        if (std::strcmp(info.entryName, entryName) == 0) return &info;
    }
    return nullptr;
}

int32_t RawImageBytes(int width, int height)
{
    if (width <= 0 || height <= 0) return 0;
    int64_t bytes = static_cast<int64_t>(width) * height * 3;
    return bytes > INT32_MAX ? 0 : static_cast<int32_t>(bytes);
}

uint8_t* ReadRawImage(const char* entryName, int width, int height, bool* complete)
{
    if (complete) *complete = false;
    int32_t bytes = RawImageBytes(width, height);
    int32_t index = MediaArchive::FindEntry(entryName);
    if (bytes == 0 || index < 0) return nullptr;

    bool entryComplete = false;
    uint8_t* entry = MediaArchive::ReadEntry(entryName, &entryComplete);
    if (!entry) return nullptr;
    int32_t entrySize = MediaArchive::EntrySize(index);
    if (entrySize == bytes) {
        if (complete) *complete = entryComplete;
        return entry;
    }

    // The entry is not the size of the image: hand out exactly the image's bytes anyway, so
    // that texture code never reads past the buffer.
    uint8_t* image = new (std::nothrow) uint8_t[static_cast<size_t>(bytes)]();
    if (image) {
        int32_t copy = entrySize < bytes ? entrySize : bytes;
        std::memcpy(image, entry, static_cast<size_t>(copy));
        if (complete) *complete = entryComplete && entrySize >= bytes;
    }
    delete[] entry;
    return image;
}
