// frame_dump_wrap_win32.cpp - for the end-to-end tests under Wine, where the
// Direct3D 9 frames do not reach the screen: a build of the gauge whose
// frames are also written to "frame.raw" in the working directory (300 x 300
// X8R8G8B8, replaced in one step after each frame), read back from the
// lockable back buffer. Linked with -Wl,--wrap for presentFrame, so that the
// gauge's own code is unchanged; repaints inside the window module are not
// wrapped and write nothing.
#include "display/gauge_window.h"
#include "display/win32/d3d9_surface.h"

#include <windows.h>

#include <cstdio>
#include <vector>

extern "C" void __real__Z12presentFramev();

extern "C" void __wrap__Z12presentFramev() {
    __real__Z12presentFramev();
    std::vector<uint32_t> pixels(GaugeClientWidth * GaugeClientHeight);
    if (!readBackBuffer(pixels.data(), GaugeClientWidth)) {
        return;
    }
    FILE* f = std::fopen("frame.tmp", "wb");
    if (!f) {
        return;
    }
    const size_t written = std::fwrite(pixels.data(), sizeof(uint32_t), pixels.size(), f);
    std::fclose(f);
    if (written == pixels.size()) {
        MoveFileExA("frame.tmp", "frame.raw", MOVEFILE_REPLACE_EXISTING);
    }
}
