// frame_readback_d3d9.cpp - the Direct3D 9 surface's lockable back buffer.
#include "display/gauge_window.h"
#include "display/win32/d3d9_surface.h"
#include "tests/gauge/renderer/frame_readback.h"

bool readFrame(uint32_t* pixels) {
    return readBackBuffer(pixels, GaugeClientWidth);
}
