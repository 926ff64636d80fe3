// gauge_window_sdl.cpp - gauge_window.h and soft_surface.h over an SDL2 window.
//
// The gauge window is a fixed-size 300 x 300 SDL window; its surface is a
// memory back buffer (X8R8G8B8) that the software compositor draws into and
// that presentFrame copies to the screen through a streaming texture of SDL's
// software renderer, into the window's own X11 framebuffer: no GL driver is
// loaded, and X11 without GL offers no retrace to wait for.
//
// Positions: the program stores the top-left corner of the window's outer
// frame (title bar and borders included). SDL reports the client area, so
// windowPosition takes off the frame's extents that the window manager
// reports; a new window asked for at the stored corner gets its frame there
// (see openGaugeWindow). Without a window manager the extents are 0 and the
// frame is the client area.
//
// Events: an SDL event filter takes the window's moves and close requests out
// of SDL's queue as they arrive and keeps them in a queue of our own, where an
// event equal to the newest one still waiting is not queued again. A poll
// returns the oldest of those, or else handles at most one SDL event and never
// waits. Main thread only; one window per run.
#include "display/gauge_window.h"
#include "display/sdl/frame_x11.h"
#include "display/sdl/text_1252.h"
#include "display/soft/soft_surface.h"

#include <SDL.h>

#include <cstdio>
#include <cstring>

struct GaugeWindow {
    SDL_Window* sdl;
    Uint32 id;
};

namespace {

// Moves and close requests waiting for pollEvent; a handful at most, since
// equal neighbours are merged and every poll takes one off.
struct EventQueue {
    int events[64];
    int head;
    int count;
};

struct SdlDisplay {
    bool videoReady;
    GaugeWindow window;
    bool windowOpen;
    SDL_Renderer* renderer;
    SDL_Texture* texture;
    bool surfaceOpen;
    bool presentingGivenUp;
    EventQueue queue;
};

SdlDisplay display;
uint32_t backBuffer[GaugeClientWidth * GaugeClientHeight];

// The X protocol carries window positions as 16-bit numbers: anything beyond
// would wrap around to some other place on the screen instead of off it (and
// SDL reads some larger values as "centred" or "anywhere").
constexpr int32_t PositionLimit = 32767;

int32_t clampPosition(int64_t v) {
    if (v > PositionLimit) {
        return PositionLimit;
    }
    if (v < -PositionLimit) {
        return -PositionLimit;
    }
    return static_cast<int32_t>(v);
}

void queueEvent(int event) {
    EventQueue& q = display.queue;
    if (q.count > 0 && q.events[(q.head + q.count - 1) % 64] == event) {
        return;
    }
    if (q.count == 64) {
        return; // cannot happen with merged neighbours and one poll per pass
    }
    q.events[(q.head + q.count) % 64] = event;
    ++q.count;
}

int takeQueuedEvent() {
    EventQueue& q = display.queue;
    if (q.count == 0) {
        return WindowEventNone;
    }
    int e = q.events[q.head];
    q.head = (q.head + 1) % 64;
    --q.count;
    return e;
}

// Runs inside SDL's pump as each event is added: returns 0 to keep an event
// out of SDL's queue.
int SDLCALL filterEvent(void*, SDL_Event* event) {
    if (!display.windowOpen) {
        return 1;
    }
    if (event->type == SDL_QUIT) {
        queueEvent(WindowEventClose);
        return 0;
    }
    if (event->type == SDL_WINDOWEVENT && event->window.windowID == display.window.id) {
        if (event->window.event == SDL_WINDOWEVENT_MOVED) {
            queueEvent(WindowEventMove);
            return 0;
        }
        if (event->window.event == SDL_WINDOWEVENT_CLOSE) {
            queueEvent(WindowEventClose);
            return 0;
        }
    }
    return 1;
}

// Without a desktop SDL falls back to drivers that show nothing (offscreen,
// dummy) or take over the whole console: the gauge would run unseen, or
// instead of the simulator's screen. No desktop is a failure to open.
bool isDesktopDriver(const char* name) {
    const char* const notDesktops[] = {"offscreen", "dummy", "KMSDRM", "evdev"};
    if (!name) {
        return false;
    }
    for (const char* n : notDesktops) {
        if (SDL_strcasecmp(name, n) == 0) {
            return false;
        }
    }
    return true;
}

bool startVideo() {
    if (display.videoReady) {
        return true;
    }
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        return false;
    }
    if (!isDesktopDriver(SDL_GetCurrentVideoDriver())) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return false;
    }
    display.videoReady = true;
    return true;
}

void frameExtents(SDL_Window* w, int* left, int* top) {
    int t = 0;
    int l = 0;
    int b = 0;
    int r = 0;
    if (SDL_GetWindowBordersSize(w, &t, &l, &b, &r) != 0) {
        t = 0;
        l = 0;
    }
    *left = l;
    *top = t;
}

void outerPosition(SDL_Window* w, int32_t* x, int32_t* y) {
    int cx = 0;
    int cy = 0;
    int left = 0;
    int top = 0;
    SDL_GetWindowPosition(w, &cx, &cy);
    frameExtents(w, &left, &top);
    *x = cx - left;
    *y = cy - top;
}

bool makeTexture() {
    display.texture =
        SDL_CreateTexture(display.renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING,
                          GaugeClientWidth, GaugeClientHeight);
    return display.texture != nullptr;
}

} // namespace

uint32_t* softSurfacePixels() {
    return display.surfaceOpen ? backBuffer : nullptr;
}

void prepareDirect3D() {
    // A gauge beside the simulator must not keep the screen saver away, ask
    // compositors to stop compositing the desktop, or turn Ctrl+C and SIGTERM
    // into a normal close (a forced end stores nothing).
    SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
    SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    // The window's framebuffer as X11 itself offers it (MIT-SHM), not through
    // a GL renderer behind the scenes: a GL driver costs tens of megabytes of
    // resident pages for what is a 300 x 300 copy.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
}

GaugeWindow* openGaugeWindow(const char* title, int32_t x, int32_t y) {
    if (display.windowOpen || !startVideo()) {
        return nullptr;
    }
    int32_t wantX = clampPosition(x);
    int32_t wantY = clampPosition(y);
    // Asked for at the frame's corner: SDL gives the X window that position
    // as a user-specified one, and a window manager then puts the frame's
    // top-left corner there (the default north-west gravity); without one
    // the window itself goes there. Correcting by the frame extents here
    // would move it a second time by the same amount.
    //
    // A plain window, not an OpenGL one: the surface is presented by SDL's
    // software renderer through the window's own framebuffer, so neither a
    // GL driver (tens of megabytes of resident pages for a 300 x 300 copy)
    // is loaded nor the X window remade when the surface opens. Shown only
    // once the window manager knows what frame to give it.
    const char* caption = title ? title : "";
    SDL_Window* w = SDL_CreateWindow(caption, wantX, wantY, GaugeClientWidth, GaugeClientHeight,
                                     SDL_WINDOW_HIDDEN);
    if (!w) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        display.videoReady = false;
        return nullptr;
    }
    limitFrameToMoveAndClose(w);
    SDL_ShowWindow(w);
    display.window = GaugeWindow{w, SDL_GetWindowID(w)};
    display.queue = EventQueue{};
    display.windowOpen = true;
    SDL_SetEventFilter(filterEvent, nullptr);
    SDL_RaiseWindow(w);
    return &display.window;
}

// The window shows the back buffer, cleared to black by openSurface and
// presented from then on; an SDL window has no erase colour of its own.
void setWindowBackground(GaugeWindow*) {}

bool openSurface(GaugeWindow* window) {
    if (!window || !display.windowOpen || display.surfaceOpen) {
        return false;
    }
    // The software renderer copies into the window's framebuffer (MIT-SHM on
    // X11); it waits for no retrace, which X11 without GL does not offer.
    display.renderer =
        SDL_CreateRenderer(window->sdl, -1, SDL_RENDERER_SOFTWARE | SDL_RENDERER_PRESENTVSYNC);
    if (!display.renderer) {
        display.renderer = SDL_CreateRenderer(window->sdl, -1, SDL_RENDERER_SOFTWARE);
    }
    if (!display.renderer) {
        return false;
    }
    if (!makeTexture()) {
        SDL_DestroyRenderer(display.renderer);
        display.renderer = nullptr;
        return false;
    }
    std::memset(backBuffer, 0, sizeof backBuffer);
    display.surfaceOpen = true;
    display.presentingGivenUp = false;
    presentFrame();
    return true;
}

void makeTopmost(GaugeWindow* window) {
    if (window) {
        SDL_SetWindowAlwaysOnTop(window->sdl, SDL_TRUE);
    }
}

int pollEvent() {
    if (!display.windowOpen) {
        return WindowEventNone;
    }
    int queued = takeQueuedEvent();
    if (queued != WindowEventNone) {
        return queued;
    }
    SDL_Event event;
    if (!SDL_PollEvent(&event)) {
        // The pump may just have brought a move or a close.
        return takeQueuedEvent();
    }
    if (event.type == SDL_WINDOWEVENT && event.window.windowID == display.window.id &&
        (event.window.event == SDL_WINDOWEVENT_EXPOSED ||
         event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED)) {
        presentFrame(); // the last frame again, nothing composed
    } else if (event.type == SDL_RENDER_DEVICE_RESET && display.surfaceOpen) {
        // The texture went with the device; the back buffer is ours and whole.
        SDL_DestroyTexture(display.texture);
        display.presentingGivenUp = !makeTexture();
        presentFrame();
    }
    return WindowEventOther;
}

void windowPosition(GaugeWindow* window, int32_t* x, int32_t* y) {
    *x = 0;
    *y = 0;
    if (window && display.windowOpen) {
        outerPosition(window->sdl, x, y);
    }
}

void presentFrame() {
    if (!display.surfaceOpen || display.presentingGivenUp) {
        return;
    }
    if (SDL_UpdateTexture(display.texture, nullptr, backBuffer,
                          GaugeClientWidth * static_cast<int>(sizeof backBuffer[0])) != 0 ||
        SDL_RenderCopy(display.renderer, display.texture, nullptr, nullptr) != 0) {
        display.presentingGivenUp = true;
        return;
    }
    SDL_RenderPresent(display.renderer);
}

void closeSurface() {
    if (display.texture) {
        SDL_DestroyTexture(display.texture);
        display.texture = nullptr;
    }
    if (display.renderer) {
        SDL_DestroyRenderer(display.renderer);
        display.renderer = nullptr;
    }
    display.surfaceOpen = false;
}

void destroyGaugeWindow(GaugeWindow* window) {
    if (!window || !display.windowOpen) {
        return;
    }
    closeSurface();
    SDL_SetEventFilter(nullptr, nullptr);
    SDL_DestroyWindow(window->sdl);
    display.windowOpen = false;
    display.window = GaugeWindow{};
    display.queue = EventQueue{};
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    display.videoReady = false;
}

void showMessageBox(GaugeWindow* owner, const char* caption, const char* text) {
    char caption8[256];
    char text8[1024];
    windows1252ToUtf8(caption, caption8, sizeof caption8);
    windows1252ToUtf8(text, text8, sizeof text8);
    // With no display there is nowhere to show a box, and SDL's X11 box would
    // fork this (threaded) process to try: say it on the terminal instead.
    if (!startVideo()) {
        std::fprintf(stderr, "%s: %s\n", caption8, text8);
        return;
    }
    // Owned by the gauge window only while it is the one the user works in.
    SDL_Window* parent = nullptr;
    if (owner && display.windowOpen && SDL_GetKeyboardFocus() == owner->sdl) {
        parent = owner->sdl;
    }
    SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, caption8, text8, parent);
}
