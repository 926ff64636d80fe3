// Draws a sequence of instrument states with the real start-up path of the
// linked display backend and writes each composed back buffer to a raw file
// (300 x 300 little-endian X8R8G8B8), for comparing Direct3D 9 with the
// software reference under Wine.
//
//   gauge_frame_<backend> OUT_PREFIX STATE...
//   STATE = connected,toFrom,loc,obs,gsFlag,gs,lights,lightSetting
// Writes OUT_PREFIX<n>.raw for the n-th state (from 0).
#include "app/instrument_state.h"
#include "display/gauge_window.h"
#include "display/sprite_compositor.h"
#include "gauge/gauge_artwork.h"
#include "gauge/gauge_renderer.h"
#include "settings/settings.h"
#include "tests/gauge/renderer/frame_readback.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s OUT_PREFIX STATE...\n", argv[0]);
        return 2;
    }
    prepareDirect3D();
    prepareSpriteDrawing();
    GaugeWindow* window = openGaugeWindow("gauge frame dump", 0, 0);
    if (!window || !openSurface(window)) {
        std::fprintf(stderr, "no drawing surface\n");
        return 1;
    }
    makeTopmost(window);
    loadGaugeArtwork();
    setSmoothFiltering(true);
    setNeedleScales();
    std::vector<uint32_t> pixels(GaugeClientWidth * GaugeClientHeight);
    for (int i = 2; i < argc; ++i) {
        long v[8] = {0, 0, 0, 0, 0, 0, 0, 1};
        if (std::sscanf(argv[i], "%ld,%ld,%ld,%ld,%ld,%ld,%ld,%ld", &v[0], &v[1], &v[2], &v[3],
                        &v[4], &v[5], &v[6], &v[7]) != 8) {
            std::fprintf(stderr, "bad state '%s'\n", argv[i]);
            return 2;
        }
        storeField(instrumentState.connected, static_cast<int8_t>(v[0]));
        storeField(instrumentState.toFrom, static_cast<int8_t>(v[1]));
        storeField(instrumentState.locNeedle, static_cast<int8_t>(v[2]));
        storeField(instrumentState.obsDegrees, static_cast<uint16_t>(v[3]));
        storeField(instrumentState.gsFlag, static_cast<uint16_t>(v[4]));
        storeField(instrumentState.gsNeedle, static_cast<int8_t>(v[5]));
        storeField(instrumentState.lights, static_cast<uint16_t>(v[6]));
        settings.lightEnabled = static_cast<int8_t>(v[7]);
        drawGauge();
        if (!readFrame(pixels.data())) {
            std::fprintf(stderr, "cannot read the back buffer\n");
            return 1;
        }
        const std::string path = std::string(argv[1]) + std::to_string(i - 2) + ".raw";
        FILE* f = std::fopen(path.c_str(), "wb");
        if (!f) {
            return 1;
        }
        for (uint32_t p : pixels) {
            const unsigned char b[4] = {static_cast<unsigned char>(p),
                                        static_cast<unsigned char>(p >> 8),
                                        static_cast<unsigned char>(p >> 16), 0};
            std::fwrite(b, 1, 4, f);
        }
        std::fclose(f);
    }
    releaseAllSprites();
    closeSurface();
    destroyGaugeWindow(window);
    return 0;
}
