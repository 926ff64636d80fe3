// png_fixtures.cpp - encodePng: fixtures written with libpng into memory.
#include "tests/gauge/artwork/png_fixtures.h"

#include <csetjmp>
#include <png.h>

namespace {

void appendBytes(png_structp png, png_bytep data, size_t count) {
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + count);
}
void flushNothing(png_structp) {}

// Packs the samples into PNG rows: big-endian 16-bit, or several samples a
// byte, leftmost in the high bits.
std::vector<std::vector<uint8_t>> packRows(const PngFixture& f) {
    const int channels = channelsOf(f.colourType);
    const size_t rowBytes = (static_cast<size_t>(f.width) * channels * f.bitDepth + 7) / 8;
    std::vector<std::vector<uint8_t>> rows(f.height, std::vector<uint8_t>(rowBytes, 0));
    for (int y = 0; y < f.height; ++y) {
        for (int i = 0; i < f.width * channels; ++i) {
            const uint16_t v = f.samples[static_cast<size_t>(y) * f.width * channels + i];
            uint8_t* row = rows[y].data();
            if (f.bitDepth == 16) {
                row[2 * i] = static_cast<uint8_t>(v >> 8);
                row[2 * i + 1] = static_cast<uint8_t>(v & 0xFF);
            } else if (f.bitDepth == 8) {
                row[i] = static_cast<uint8_t>(v);
            } else {
                const int bit = i * f.bitDepth;
                row[bit / 8] |= static_cast<uint8_t>(v << (8 - f.bitDepth - bit % 8));
            }
        }
    }
    return rows;
}

bool writeAll(png_structp png, png_infop info, const PngFixture& f, png_bytepp rows,
              png_colorp palette, png_bytep paletteAlpha, png_color_16p transparent) {
    if (setjmp(png_jmpbuf(png))) {
        return false;
    }
    png_set_IHDR(png, info, f.width, f.height, f.bitDepth, f.colourType,
                 f.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_BASE,
                 PNG_FILTER_TYPE_BASE);
    if (palette != nullptr) {
        png_set_PLTE(png, info, palette, static_cast<int>(f.palette.size() / 3));
    }
    if (paletteAlpha != nullptr) {
        png_set_tRNS(png, info, paletteAlpha, static_cast<int>(f.paletteAlpha.size()), nullptr);
    }
    if (transparent != nullptr) {
        png_set_tRNS(png, info, nullptr, 0, transparent);
    }
    png_set_rows(png, info, rows);
    png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
    return true;
}

} // namespace

int channelsOf(int colourType) {
    switch (colourType) {
    case PNG_COLOR_TYPE_GRAY:
    case PNG_COLOR_TYPE_PALETTE:
        return 1;
    case PNG_COLOR_TYPE_GRAY_ALPHA:
        return 2;
    case PNG_COLOR_TYPE_RGB:
        return 3;
    default:
        return 4;
    }
}

std::vector<uint8_t> encodePng(const PngFixture& f) {
    std::vector<std::vector<uint8_t>> packed = packRows(f);
    std::vector<png_bytep> rows;
    for (auto& r : packed) {
        rows.push_back(r.data());
    }
    std::vector<png_color> palette;
    for (size_t i = 0; i + 2 < f.palette.size(); i += 3) {
        palette.push_back(png_color{f.palette[i], f.palette[i + 1], f.palette[i + 2]});
    }
    std::vector<uint8_t> paletteAlpha = f.paletteAlpha;
    png_color_16 transparent{};
    transparent.gray = f.transparent[0];
    transparent.red = f.transparent[0];
    transparent.green = f.transparent[1];
    transparent.blue = f.transparent[2];

    std::vector<uint8_t> out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(png, &out, appendBytes, flushNothing);
    const bool ok = writeAll(png, info, f, rows.data(), palette.empty() ? nullptr : palette.data(),
                             paletteAlpha.empty() ? nullptr : paletteAlpha.data(),
                             f.transparentColour ? &transparent : nullptr);
    png_destroy_write_struct(&png, &info);
    if (!ok) {
        out.clear();
    }
    return out;
}
