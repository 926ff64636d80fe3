// surface_headless.cpp - gauge_window.h with no window at all: a 300 x 300
// memory back buffer for the software compositor, an event queue fed by the
// test, and a count of presents.
#include "display/gauge_window.h"
#include "display/headless/headless_surface.h"
#include "display/soft/soft_surface.h"

#include <cstring>
#include <deque>
#include <string>

struct GaugeWindow {
    int32_t x;
    int32_t y;
};

namespace {

GaugeWindow theWindow;
bool windowOpen = false;
bool surfaceOpen = false;
uint32_t backBuffer[GaugeClientWidth * GaugeClientHeight];
std::deque<int> events;
int presents = 0;
bool failWindow = false;
bool failSurface = false;
std::string lastCaption;
std::string lastText;

} // namespace

uint32_t* softSurfacePixels() { return surfaceOpen ? backBuffer : nullptr; }

void headlessQueueEvent(int event) {
    if (events.empty() || events.back() != event) {
        events.push_back(event);
    }
}
void headlessSetWindowPosition(int32_t x, int32_t y) {
    theWindow.x = x;
    theWindow.y = y;
}
int headlessPresentCount() { return presents; }
void headlessFailNextOpen(bool window, bool surface) {
    failWindow = window;
    failSurface = surface;
}
const char* headlessLastMessageCaption() { return lastCaption.c_str(); }
const char* headlessLastMessageText() { return lastText.c_str(); }

void prepareDirect3D() {}

GaugeWindow* openGaugeWindow(const char*, int32_t x, int32_t y) {
    if (failWindow) {
        failWindow = false;
        return nullptr;
    }
    theWindow = GaugeWindow{x, y};
    windowOpen = true;
    events.clear();
    return &theWindow;
}

void setWindowBackground(GaugeWindow*) {}

bool openSurface(GaugeWindow* window) {
    if (!window || failSurface) {
        failSurface = false;
        return false;
    }
    std::memset(backBuffer, 0, sizeof backBuffer);
    surfaceOpen = true;
    presents = 0;
    return true;
}

void makeTopmost(GaugeWindow*) {}

int pollEvent() {
    if (events.empty()) {
        return WindowEventNone;
    }
    int e = events.front();
    events.pop_front();
    return e;
}

void windowPosition(GaugeWindow* window, int32_t* x, int32_t* y) {
    *x = window ? window->x : 0;
    *y = window ? window->y : 0;
}

void presentFrame() {
    if (surfaceOpen) {
        ++presents;
    }
}

void closeSurface() { surfaceOpen = false; }

void destroyGaugeWindow(GaugeWindow*) { windowOpen = false; }

void showMessageBox(GaugeWindow*, const char* caption, const char* text) {
    lastCaption = caption ? caption : "";
    lastText = text ? text : "";
}
