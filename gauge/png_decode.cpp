// png_decode.cpp - decodePng: libpng reading from a memory block.
//
// libpng reports errors by longjmp to the setjmp in decodeRows, so that
// function keeps no C++ object with a destructor alive and holds its buffer
// in a volatile plain pointer, freed on both paths.
#include "gauge/png_decode.h"

#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <png.h>

namespace {

constexpr png_uint_32 MaxDimension = 4096;

struct MemorySource {
    const uint8_t* bytes;
    size_t size;
    size_t offset;
};

void readFromMemory(png_structp png, png_bytep out, size_t count) {
    MemorySource* src = static_cast<MemorySource*>(png_get_io_ptr(png));
    if (count > src->size - src->offset) {
        png_error(png, "read past the end of the image");
    }
    std::memcpy(out, src->bytes + src->offset, count);
    src->offset += count;
}

void ignoreWarning(png_structp, png_const_charp) {}

// Silent, unlike libpng's default handler; png_longjmp does not return.
void failOnError(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}

// The transformations that bring any PNG to 8-bit B, G, R, A.
void requestBgra(png_structp png, png_infop info) {
    const int colourType = png_get_color_type(png, info);
    const int bitDepth = png_get_bit_depth(png, info);
    if (colourType == PNG_COLOR_TYPE_PALETTE) {
        png_set_palette_to_rgb(png);
    }
    if (colourType == PNG_COLOR_TYPE_GRAY && bitDepth < 8) {
        png_set_expand_gray_1_2_4_to_8(png);
    }
    const bool tRns = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    if (tRns) {
        png_set_tRNS_to_alpha(png);
    }
    if (bitDepth == 16) {
        png_set_scale_16(png);
    }
    if (colourType == PNG_COLOR_TYPE_GRAY || colourType == PNG_COLOR_TYPE_GRAY_ALPHA) {
        png_set_gray_to_rgb(png);
    }
    png_set_bgr(png);
    if ((colourType & PNG_COLOR_MASK_ALPHA) == 0 && !tRns) {
        // Three bytes a pixel otherwise: rows of width x 4 need an alpha.
        png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    }
}

bool decodeRows(png_structp png, png_infop info, DecodedImage* image) {
    uint8_t* volatile pixels = nullptr;
    if (setjmp(png_jmpbuf(png))) {
        std::free(pixels);
        return false;
    }
    png_read_info(png, info);
    const png_uint_32 width = png_get_image_width(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    requestBgra(png, info);
    const int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    const size_t stride = static_cast<size_t>(width) * 4;
    if (png_get_rowbytes(png, info) != stride) {
        return false; // a format the transformations did not cover
    }
    pixels = static_cast<uint8_t*>(std::calloc(height, stride));
    if (pixels == nullptr) {
        return false;
    }
    // Interlaced images: each pass fills in more pixels of the same rows.
    for (int pass = 0; pass < passes; ++pass) {
        for (png_uint_32 y = 0; y < height; ++y) {
            png_read_row(png, pixels + y * stride, nullptr);
        }
    }
    // Reads up to IEND, checking the end of the data and every CRC.
    png_read_end(png, nullptr);
    image->width = static_cast<int32_t>(width);
    image->height = static_cast<int32_t>(height);
    image->pixels = pixels;
    return true;
}

} // namespace

bool decodePng(const uint8_t* bytes, size_t size, DecodedImage* image) {
    image->width = 0;
    image->height = 0;
    image->pixels = nullptr;
    if (bytes == nullptr || size < 8 || png_sig_cmp(bytes, 0, 8) != 0) {
        return false;
    }
    png_structp png =
        png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, failOnError, ignoreWarning);
    if (png == nullptr) {
        return false;
    }
    png_infop info = png_create_info_struct(png);
    if (info == nullptr) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return false;
    }
    png_set_user_limits(png, MaxDimension, MaxDimension);
    MemorySource source{bytes, size, 0};
    png_set_read_fn(png, &source, readFromMemory);
    const bool ok = decodeRows(png, info, image);
    png_destroy_read_struct(&png, &info, nullptr);
    return ok;
}

void freeDecodedImage(DecodedImage* image) {
    std::free(image->pixels);
    image->pixels = nullptr;
    image->width = 0;
    image->height = 0;
}
