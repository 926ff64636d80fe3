// frame_readback.h - the composed back buffer as 300 x 300 X8R8G8B8 pixels,
// from whichever display backend the frame dump is linked with.
#pragma once

#include <cstdint>

bool readFrame(uint32_t* pixels);
