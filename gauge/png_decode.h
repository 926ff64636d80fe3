// png_decode.h - any PNG from memory to 8-bit B, G, R, A rows, with libpng.
//
// decodePng() accepts every PNG colour type, bit depth and interlace: palette
// and grey images are expanded to RGB, a tRNS chunk becomes alpha, 16-bit
// samples are scaled to 8 bits and images without alpha get an opaque one.
// No gamma correction and no premultiplication: the bytes of an 8-bit RGBA
// image come out as they are stored, only reordered.
//
// The decoder never reads past `size` bytes. Any fault (signature, header,
// CRC, compressed data, a file cut short) fails the whole image: the result
// is false and nothing is left allocated. Library warnings are ignored and
// nothing is printed. Images over 4096 x 4096 are refused.
#pragma once

#include <cstddef>
#include <cstdint>

struct DecodedImage {
    int32_t width;
    int32_t height;
    uint8_t* pixels; // height rows of width x 4 bytes, top row first; malloc'd
};

bool decodePng(const uint8_t* bytes, size_t size, DecodedImage* image);
void freeDecodedImage(DecodedImage* image);
