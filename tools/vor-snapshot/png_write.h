// png_write.h - writes an X8R8G8B8 surface to an 8-bit RGB PNG file,
// optionally enlarged by pixel replication.
#pragma once

#include <cstdint>

bool writeSurfacePng(const char* path, const uint32_t* pixels, int width, int height, int scale);
