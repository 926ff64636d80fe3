// frame_readback_soft.cpp - the software compositor's back buffer.
#include "display/gauge_window.h"
#include "display/soft/soft_surface.h"
#include "tests/gauge/renderer/frame_readback.h"

#include <cstring>

bool readFrame(uint32_t* pixels) {
    const uint32_t* p = softSurfacePixels();
    if (!p) {
        return false;
    }
    std::memcpy(pixels, p, sizeof(uint32_t) * GaugeClientWidth * GaugeClientHeight);
    return true;
}
