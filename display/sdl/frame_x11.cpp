// frame_x11.cpp - Motif window manager hints for the gauge window (see
// frame_x11.h).
#include "display/sdl/frame_x11.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace {

// The layout the Motif window manager defined and the others adopted.
struct MotifWmHints {
    unsigned long flags;
    unsigned long functions;
    unsigned long decorations;
    long inputMode;
    unsigned long status;
};

constexpr unsigned long HintsFunctions = 1;
constexpr unsigned long HintsDecorations = 2;
constexpr unsigned long FunctionMove = 4;
constexpr unsigned long FunctionClose = 32;
constexpr unsigned long DecorationBorder = 2;
constexpr unsigned long DecorationTitle = 8;
constexpr unsigned long DecorationMenu = 16;

} // namespace

void limitFrameToMoveAndClose(SDL_Window* window) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!window || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) {
        return;
    }
    Display* display = info.info.x11.display;
    Window xwindow = info.info.x11.window;
    Atom hintsAtom = XInternAtom(display, "_MOTIF_WM_HINTS", False);
    if (hintsAtom == None) {
        return;
    }
    MotifWmHints hints{HintsFunctions | HintsDecorations, FunctionMove | FunctionClose,
                       DecorationBorder | DecorationTitle | DecorationMenu, 0, 0};
    // Format 32 properties are passed as longs, whatever their size.
    XChangeProperty(display, xwindow, hintsAtom, hintsAtom, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(&hints), 5);
    XFlush(display);
}
