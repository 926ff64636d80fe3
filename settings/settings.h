// settings.h - what the gauge remembers between runs, in "Brivane.ini".
//
// One record owned by the main thread. loadSettings() fills it at start-up,
// before the window opens; the main loop updates the position after each
// window move; saveSettings() writes it back at a normal close. Neither call
// ever reports a failure: a missing or damaged file gives the defaults.
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
