// SPDX-License-Identifier: MIT
#include "Png.h"

#include <png.h>

#include <cstdio>

namespace mediagen {

bool WritePng(const std::string& path, int width, int height, const std::vector<uint8_t>& rgb,
              int channels)
{
    if (width <= 0 || height <= 0 || (channels != 3 && channels != 4) ||
        rgb.size() != static_cast<size_t>(width) * height * channels) {
        std::fprintf(stderr, "png: %s: picture data does not match %d x %d\n", path.c_str(), width,
                     height);
        return false;
    }
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        std::fprintf(stderr, "png: cannot create %s\n", path.c_str());
        return false;
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info) {
        png_destroy_write_struct(&png, &info);
        std::fclose(f);
        std::fprintf(stderr, "png: out of memory writing %s\n", path.c_str());
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(f);
        std::remove(path.c_str());
        std::fprintf(stderr, "png: cannot write %s\n", path.c_str());
        return false;
    }
    png_init_io(png, f);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 channels == 4 ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, 9);
    png_write_info(png, info);
    for (int y = 0; y < height; ++y)
        png_write_row(
            png, const_cast<png_bytep>(rgb.data() + static_cast<size_t>(y) * width * channels));
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    if (std::fclose(f) != 0) {
        std::remove(path.c_str());
        std::fprintf(stderr, "png: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

}  // namespace mediagen
