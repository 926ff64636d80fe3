// file_writers.h - the generator's output formats, written byte for byte the
// same at every run: RGBA PNG files (fixed zlib level and filters, no time or
// text chunks) and the Windows icon (8-bit palettised BMP entries).
#pragma once

#include "tools/artgen/raster.h"

#include <cstdint>
#include <string>
#include <vector>

// 8-bit RGBA, colour type 6, not interlaced. False on any failure.
bool writePng(const std::string& path, const Image& img);

// An icon file with one 256-colour entry per image (each square, 1..255 px),
// in the order given. Pixels with alpha below 128 become transparent through
// the AND mask; the others take the nearest of 256 colours chosen for that
// entry by median cut.
bool writeIcon(const std::string& path, const std::vector<Image>& sizes);
