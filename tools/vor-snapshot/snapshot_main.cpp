// vor-snapshot - renders instrument states to a PNG file with the real
// artwork and the software compositor, exactly as the native window draws.
//
//   vor-snapshot [field options] [--then [field options]]... -o FILE
//
// Each --then starts the next state of a sequence; every state is drawn over
// the previous frame, as the window does (the back buffer is never cleared),
// and the last frame is written. A field not given in a state keeps its value
// from the state before; the first state starts all zero, light setting 1.
#include "app/instrument_state.h"
#include "display/gauge_window.h"
#include "display/soft/soft_surface.h"
#include "display/sprite_compositor.h"
#include "gauge/gauge_artwork.h"
#include "gauge/gauge_renderer.h"
#include "settings/settings.h"
#include "tools/vor-snapshot/png_write.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

struct SnapshotState {
    long connected = 0;
    long toFrom = 0;
    long loc = 0;
    long obs = 0;
    long gsFlag = 0;
    long gs = 0;
    long lights = 0;
    long lightSetting = 1;
};

struct FieldOption {
    const char* name;
    long SnapshotState::*field;
    long low;
    long high;
};

const FieldOption fieldOptions[] = {
    {"--connected", &SnapshotState::connected, 0, 1},
    {"--to-from", &SnapshotState::toFrom, -128, 127},
    {"--loc", &SnapshotState::loc, -128, 127},
    {"--obs", &SnapshotState::obs, 0, 65535},
    {"--gs-flag", &SnapshotState::gsFlag, 0, 255},
    {"--gs", &SnapshotState::gs, -128, 127},
    {"--lights", &SnapshotState::lights, 0, 65535},
    {"--light-setting", &SnapshotState::lightSetting, -128, 127},
};

void printUsage(FILE* out) {
    std::fputs("usage: vor-snapshot [options] [--then [options]]... -o FILE.png\n"
               "  --connected 0|1       link up (0 shows the not-connected lamp)\n"
               "  --to-from N           TO/FROM byte: 0 none, 1 TO, 2 FROM (-128..127)\n"
               "  --loc N               course deviation, -128..127\n"
               "  --obs N               OBS course in degrees, 0..65535\n"
               "  --gs-flag N           glide-slope flag byte, 1 = usable (0..255)\n"
               "  --gs N                glide-slope deviation, -128..127\n"
               "  --lights N            light switches, 0..0xFFFF (0x20 = panel lights)\n"
               "  --light-setting N     the settings file's light value (0 = overlay off)\n"
               "  --then                draw this state, then start the next one over it\n"
               "  --scale N             enlarge the written picture N times (1..8)\n"
               "  -o FILE               the PNG file to write\n"
               "Numbers may be decimal or 0x hexadecimal.\n",
               out);
}

bool parseNumber(const char* text, long* value) {
    if (!text || !*text) {
        return false;
    }
    errno = 0;
    char* end = nullptr;
    long v = std::strtol(text, &end, 0);
    if (errno != 0 || *end != '\0') {
        return false;
    }
    *value = v;
    return true;
}

void applyState(const SnapshotState& s) {
    storeField(instrumentState.connected, static_cast<int8_t>(s.connected));
    storeField(instrumentState.toFrom, static_cast<int8_t>(s.toFrom));
    storeField(instrumentState.locNeedle, static_cast<int8_t>(s.loc));
    storeField(instrumentState.obsDegrees, static_cast<uint16_t>(s.obs));
    storeField(instrumentState.gsFlag, static_cast<uint16_t>(s.gsFlag));
    storeField(instrumentState.gsNeedle, static_cast<int8_t>(s.gs));
    storeField(instrumentState.lights, static_cast<uint16_t>(s.lights));
    settings.lightEnabled = static_cast<int8_t>(s.lightSetting);
}

} // namespace

int main(int argc, char** argv) {
    std::vector<SnapshotState> states(1);
    const char* output = nullptr;
    long scale = 1;

    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (std::strcmp(arg, "-h") == 0 || std::strcmp(arg, "--help") == 0) {
            printUsage(stdout);
            return 0;
        }
        if (std::strcmp(arg, "--then") == 0) {
            states.push_back(states.back());
            continue;
        }
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        if (std::strcmp(arg, "-o") == 0) {
            if (!value) {
                std::fprintf(stderr, "vor-snapshot: -o needs a file name\n");
                return 2;
            }
            output = value;
            ++i;
            continue;
        }
        if (std::strcmp(arg, "--scale") == 0) {
            if (!parseNumber(value, &scale) || scale < 1 || scale > 8) {
                std::fprintf(stderr, "vor-snapshot: --scale needs a number from 1 to 8\n");
                return 2;
            }
            ++i;
            continue;
        }
        const FieldOption* option = nullptr;
        for (const FieldOption& f : fieldOptions) {
            if (std::strcmp(arg, f.name) == 0) {
                option = &f;
            }
        }
        if (!option) {
            std::fprintf(stderr, "vor-snapshot: unknown argument '%s' (try --help)\n", arg);
            return 2;
        }
        long v = 0;
        if (!parseNumber(value, &v) || v < option->low || v > option->high) {
            std::fprintf(stderr, "vor-snapshot: %s needs a number from %ld to %ld, not '%s'\n",
                         option->name, option->low, option->high, value ? value : "");
            return 2;
        }
        states.back().*(option->field) = v;
        ++i;
    }
    if (!output) {
        std::fprintf(stderr, "vor-snapshot: no output file (-o FILE.png)\n");
        return 2;
    }

    // The same start-up as the gauge, on the windowless surface.
    prepareDirect3D();
    prepareSpriteDrawing();
    GaugeWindow* window = openGaugeWindow("vor-snapshot", 0, 0);
    if (!window || !openSurface(window)) {
        std::fprintf(stderr, "vor-snapshot: no drawing surface\n");
        return 1;
    }
    loadGaugeArtwork();
    setSmoothFiltering(true);
    setNeedleScales();
    for (const SnapshotState& s : states) {
        applyState(s);
        drawGauge();
    }
    const bool written = writeSurfacePng(output, softSurfacePixels(), GaugeClientWidth,
                                         GaugeClientHeight, static_cast<int>(scale));
    releaseAllSprites();
    closeSurface();
    destroyGaugeWindow(window);
    if (!written) {
        std::fprintf(stderr, "vor-snapshot: cannot write '%s'\n", output);
        return 1;
    }
    return 0;
}
