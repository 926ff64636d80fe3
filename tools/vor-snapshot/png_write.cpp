// png_write.cpp - PNG output of a surface through libpng.
#include "tools/vor-snapshot/png_write.h"

#include <png.h>

#include <cstdio>
#include <cstdlib>

bool writeSurfacePng(const char* path, const uint32_t* pixels, int width, int height, int scale) {
    if (!pixels || width <= 0 || height <= 0 || scale < 1) {
        return false;
    }
    FILE* file = std::fopen(path, "wb");
    if (!file) {
        return false;
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    const int outWidth = width * scale;
    png_bytep row = static_cast<png_bytep>(std::malloc(static_cast<size_t>(outWidth) * 3));
    bool ok = png && info && row;
    if (ok && setjmp(png_jmpbuf(png))) {
        ok = false;
    } else if (ok) {
        png_init_io(png, file);
        png_set_IHDR(png, info, static_cast<png_uint_32>(outWidth),
                     static_cast<png_uint_32>(height * scale), 8, PNG_COLOR_TYPE_RGB,
                     PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < outWidth; ++x) {
                const uint32_t p = pixels[y * width + x / scale];
                row[x * 3 + 0] = static_cast<png_byte>(p >> 16);
                row[x * 3 + 1] = static_cast<png_byte>(p >> 8);
                row[x * 3 + 2] = static_cast<png_byte>(p);
            }
            for (int k = 0; k < scale; ++k) {
                png_write_row(png, row);
            }
        }
        png_write_end(png, nullptr);
    }
    png_destroy_write_struct(png ? &png : nullptr, info ? &info : nullptr);
    std::free(row);
    return std::fclose(file) == 0 && ok;
}
