// settings.h - what the gauge remembers between runs, in "Brivane.ini".
//
// One record owned by the main thread. loadSettings() fills it at start-up,
// before the window opens; the main loop updates the position after each
// window move; saveSettings() writes it back at a normal close. Neither call
// ever reports a failure: a missing or damaged file gives the defaults.
//
// The file is "Brivane.ini" by relative name, so it lives in the current
// working directory. A save replaces it in one step (a temporary file beside
// it, flushed, then renamed over it): a crash or a full disk during the save
// leaves the previous file whole. A read-only file is read but never
// replaced. Values beyond the 32-bit range saturate; lightEnabled keeps the
// low 8 bits of the value read, as a signed byte (256 reads as 0, 255 as -1).
#pragma once

#include <cstdint>

struct Settings {
    int8_t lightEnabled = 1; // not 0: the panel-light overlay may be drawn
    int32_t windowX = 0;     // outer frame's top-left corner, screen pixels
    int32_t windowY = 0;
};

extern Settings settings;

void loadSettings();
void saveSettings();
