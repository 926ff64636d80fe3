// soft_surface.h - the memory back buffer that the software compositor draws
// into. Provided by the backend that owns the surface (display/sdl,
// display/headless): 300 x 300 pixels, X8R8G8B8 in a uint32_t each (blue in
// the low byte), rows top-down with a pitch of 300 pixels. Null while no
// surface is open.
#pragma once

#include <cstdint>

uint32_t* softSurfacePixels();
