// gauge_window.h - the gauge window and its drawing surface (portable side).
//
// One window and one 300 x 300 drawing surface for the whole run, main thread
// only. Implemented by display/win32 (Win32 + Direct3D 9), display/sdl (SDL2
// window + software back buffer) and display/headless (no window, for tests
// and tools). The operations keep the names of the Windows design:
// prepareDirect3D prepares whatever the platform draws with.
#pragma once

#include <cstdint>

struct GaugeWindow; // opaque; one per run

// Event codes returned by pollEvent.
enum : int {
    WindowEventNone = 0,  // nothing happened
    WindowEventMove = 1,  // the gauge window was moved
    WindowEventClose = 2, // the user asked to close the gauge window
    WindowEventOther = 3, // a message was handled that the main loop ignores
};

constexpr int32_t GaugeClientWidth = 300;
constexpr int32_t GaugeClientHeight = 300;

void prepareDirect3D();
GaugeWindow* openGaugeWindow(const char* title, int32_t x, int32_t y);
void setWindowBackground(GaugeWindow* window);
bool openSurface(GaugeWindow* window);
void makeTopmost(GaugeWindow* window);
int pollEvent();
void windowPosition(GaugeWindow* window, int32_t* x, int32_t* y);
void presentFrame();
void closeSurface();
void destroyGaugeWindow(GaugeWindow* window);

// Modal message box with one OK button; owner may be null. The texts are
// Windows-1252 bytes (the program's own strings); backends that show UTF-8
// convert them.
void showMessageBox(GaugeWindow* owner, const char* caption, const char* text);
