// png_fixtures.h - small PNG files made in memory with libpng, in every
// colour type, bit depth and interlace, for the decoder's tests.
#pragma once

#include <cstdint>
#include <vector>

struct PngFixture {
    int width = 0;
    int height = 0;
    int colourType = 0; // PNG_COLOR_TYPE_*
    int bitDepth = 8;
    bool interlaced = false;
    // Samples of each pixel in PNG channel order (grey; grey, alpha; R, G, B;
    // R, G, B, A; or the palette index), each within the bit depth.
    std::vector<uint16_t> samples;
    std::vector<uint8_t> palette;        // R, G, B per entry (palette images)
    std::vector<uint8_t> paletteAlpha;   // tRNS alpha per entry (palette images)
    bool transparentColour = false;      // tRNS for grey or RGB images:
    uint16_t transparent[3] = {0, 0, 0}; // grey in [0], or R, G, B
};

int channelsOf(int colourType);
// The complete bytes of a PNG file; empty if libpng refused the fixture.
std::vector<uint8_t> encodePng(const PngFixture& fixture);
