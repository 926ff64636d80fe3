// gauge_window_sdl_test.cpp - the SDL gauge window on a real X display.
//
// Runs on an Xvfb of its own, without a window manager (with_own_xvfb.sh). Reads back what reached the screen with
// Xlib, and drives the window with real X requests as well as with SDL
// events pushed into the queue. Waits are for a condition, with a deadline.
#include "display/gauge_window.h"
#include "display/soft/soft_surface.h"

// GoogleTest before Xlib, whose macros (None, Bool ...) would break it.
#include <gtest/gtest.h>

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstring>
#include <dlfcn.h>
#include <link.h>
#include <vector>

namespace {

constexpr Uint32 DeadlineMs = 20000;

SDL_Window* theSdlWindow() {
    for (Uint32 id = 1; id < 64; ++id) {
        if (SDL_Window* w = SDL_GetWindowFromID(id)) {
            return w;
        }
    }
    return nullptr;
}

Window xWindowOf(SDL_Window* w) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(w, &info) || info.subsystem != SDL_SYSWM_X11) {
        return None;
    }
    return info.info.x11.window;
}

std::vector<uint32_t> screenPixels(Window w);

// SDL loads the X libraries and the GL driver at run time and unloads them
// when the video quits; what they keep would then show in the leak report
// without a name that a suppression can match. Kept loaded, it is named
// (lsan.supp).
int keepOneLoaded(dl_phdr_info* info, size_t, void*) {
    if (info->dlpi_name && info->dlpi_name[0] == '/') {
        dlopen(info->dlpi_name, RTLD_LAZY | RTLD_NOLOAD | RTLD_NODELETE);
    }
    return 0;
}
void keepLibrariesLoaded() {
    dl_iterate_phdr(keepOneLoaded, nullptr);
}

uint32_t firstPixel(Window w) {
    std::vector<uint32_t> px = screenPixels(w);
    return px.empty() ? 0xDEADu : px[0];
}

// Polls until `want` comes out; every other event is collected into seen.
bool pollUntil(int want, std::vector<int>* seen = nullptr) {
    Uint32 start = SDL_GetTicks();
    while (SDL_GetTicks() - start < DeadlineMs) {
        int e = pollEvent();
        if (e == want) {
            return true;
        }
        if (seen && e != WindowEventNone) {
            seen->push_back(e);
        }
        SDL_Delay(1);
    }
    return false;
}

// Works off everything pending: the real X events of the window's mapping
// and placement come first, so that queue tests start from an empty queue.
void drainEvents() {
    Uint32 start = SDL_GetTicks();
    int quiet = 0;
    while (quiet < 50 && SDL_GetTicks() - start < DeadlineMs) {
        quiet = pollEvent() == WindowEventNone ? quiet + 1 : 0;
        SDL_Delay(1);
    }
}

void pushWindowEvent(Uint8 which) {
    SDL_Event e;
    std::memset(&e, 0, sizeof e);
    e.type = SDL_WINDOWEVENT;
    e.window.event = which;
    e.window.windowID = SDL_GetWindowID(theSdlWindow());
    ASSERT_GE(SDL_PushEvent(&e), 0); // 0: taken into the gauge's own queue
}

std::vector<int> pollAll() {
    std::vector<int> out;
    for (int i = 0; i < 50; ++i) {
        int e = pollEvent();
        if (e != WindowEventNone && e != WindowEventOther) {
            out.push_back(e);
        }
    }
    return out;
}

// The client area's pixels as they are on the screen (read from the root
// window, so that whatever covers the gauge shows), 0x00RRGGBB.
std::vector<uint32_t> screenPixels(Window w) {
    std::vector<uint32_t> out;
    Display* d = XOpenDisplay(nullptr);
    if (!d) {
        return out;
    }
    Window root = DefaultRootWindow(d);
    int x0 = 0;
    int y0 = 0;
    Window child = 0;
    XImage* image = nullptr;
    if (XTranslateCoordinates(d, w, root, 0, 0, &x0, &y0, &child)) {
        image = XGetImage(d, root, x0, y0, GaugeClientWidth, GaugeClientHeight, AllPlanes, ZPixmap);
    }
    if (image) {
        for (int y = 0; y < GaugeClientHeight; ++y) {
            for (int x = 0; x < GaugeClientWidth; ++x) {
                out.push_back(static_cast<uint32_t>(XGetPixel(image, x, y)) & 0xFFFFFF);
            }
        }
        XDestroyImage(image);
    }
    XCloseDisplay(d);
    return out;
}

// Moves a window as another client does (a window manager, xdotool).
void moveFromOutside(Window w, int x, int y) {
    Display* d = XOpenDisplay(nullptr);
    ASSERT_NE(d, nullptr);
    XMoveWindow(d, w, x, y);
    XSync(d, False);
    XCloseDisplay(d);
}

// A pattern in every pixel, so that a swapped channel, a wrong pitch or a
// flipped image shows.
uint32_t patternAt(int x, int y) {
    return static_cast<uint32_t>((x & 0xFF) << 16 | (y & 0xFF) << 8 | ((x + y) & 0xFF));
}

bool screenShowsPattern(Window w) {
    std::vector<uint32_t> px = screenPixels(w);
    if (px.size() != static_cast<size_t>(GaugeClientWidth * GaugeClientHeight)) {
        return false;
    }
    for (int y = 0; y < GaugeClientHeight; ++y) {
        for (int x = 0; x < GaugeClientWidth; ++x) {
            if (px[static_cast<size_t>(y * GaugeClientWidth + x)] != patternAt(x, y)) {
                return false;
            }
        }
    }
    return true;
}

// SDL's video, once for the whole process: SDL cannot be relied on to start
// its X11 driver again after it has quit it (the program starts it once).
struct VideoForAllTests : ::testing::Environment {
    void SetUp() override {
        prepareDirect3D();
        ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_VIDEO), 0) << SDL_GetError();
        ASSERT_STREQ(SDL_GetCurrentVideoDriver(), "x11");
    }
    void TearDown() override { SDL_QuitSubSystem(SDL_INIT_VIDEO); }
};
const auto* const videoForAllTests = ::testing::AddGlobalTestEnvironment(new VideoForAllTests);

struct GaugeWindowTest : ::testing::Test {
    GaugeWindow* window = nullptr;

    void SetUp() override {
        prepareDirect3D();
        window = openGaugeWindow("VOR Tavrin - 1.01", 120, 80);
        ASSERT_NE(window, nullptr) << SDL_GetError();
        setWindowBackground(window);
        ASSERT_TRUE(openSurface(window)) << SDL_GetError();
        keepLibrariesLoaded();
        makeTopmost(window);
        drainEvents();
    }
    void TearDown() override {
        closeSurface();
        destroyGaugeWindow(window);
    }
};

TEST_F(GaugeWindowTest, OpensAFixedClientAreaWithTheTitleWhereAsked) {
    SDL_Window* w = theSdlWindow();
    ASSERT_NE(w, nullptr);
    EXPECT_STREQ(SDL_GetWindowTitle(w), "VOR Tavrin - 1.01");
    int width = 0;
    int height = 0;
    SDL_GetWindowSize(w, &width, &height);
    EXPECT_EQ(width, 300);
    EXPECT_EQ(height, 300);
    EXPECT_EQ(SDL_GetWindowFlags(w) & SDL_WINDOW_RESIZABLE, 0u);
    // No window manager here: the frame is the client area.
    int32_t x = -1;
    int32_t y = -1;
    windowPosition(window, &x, &y);
    EXPECT_EQ(x, 120);
    EXPECT_EQ(y, 80);
}

TEST_F(GaugeWindowTest, SurfaceStartsBlackAndPresentsTheBackBufferExactly) {
    uint32_t* pixels = softSurfacePixels();
    ASSERT_NE(pixels, nullptr);
    for (int i = 0; i < GaugeClientWidth * GaugeClientHeight; ++i) {
        ASSERT_EQ(pixels[i], 0u) << i;
    }
    Window xw = xWindowOf(theSdlWindow());
    ASSERT_NE(xw, static_cast<Window>(None)) << SDL_GetError();
    std::vector<uint32_t> black = screenPixels(xw);
    ASSERT_EQ(black.size(), static_cast<size_t>(GaugeClientWidth * GaugeClientHeight));
    for (uint32_t p : black) {
        ASSERT_EQ(p, 0u);
    }
    for (int y = 0; y < GaugeClientHeight; ++y) {
        for (int x = 0; x < GaugeClientWidth; ++x) {
            pixels[y * GaugeClientWidth + x] = patternAt(x, y);
        }
    }
    presentFrame();
    EXPECT_TRUE(screenShowsPattern(xw));
}

TEST_F(GaugeWindowTest, UncoveredWindowShowsTheLastFrameAgainFromThePoll) {
    uint32_t* pixels = softSurfacePixels();
    for (int y = 0; y < GaugeClientHeight; ++y) {
        for (int x = 0; x < GaugeClientWidth; ++x) {
            pixels[y * GaugeClientWidth + x] = patternAt(x, y);
        }
    }
    presentFrame();
    Window xw = xWindowOf(theSdlWindow());
    ASSERT_TRUE(screenShowsPattern(xw));

    // Cover the gauge with a white window, then take it away: only the
    // expose handled by the poll can bring the frame back.
    Display* d = XOpenDisplay(nullptr);
    ASSERT_NE(d, nullptr);
    int screen = DefaultScreen(d);
    XSetWindowAttributes a;
    a.override_redirect = True;
    a.background_pixel = WhitePixel(d, screen);
    Window cover = XCreateWindow(d, RootWindow(d, screen), 100, 60, 400, 400, 0, CopyFromParent,
                                 InputOutput, CopyFromParent, CWOverrideRedirect | CWBackPixel, &a);
    XMapRaised(d, cover);
    XSync(d, False);
    Uint32 start = SDL_GetTicks();
    while (firstPixel(xw) != 0xFFFFFF && SDL_GetTicks() - start < DeadlineMs) {
        SDL_Delay(5);
    }
    ASSERT_EQ(firstPixel(xw), 0xFFFFFFu);
    XDestroyWindow(d, cover);
    XSync(d, False);
    XCloseDisplay(d);

    start = SDL_GetTicks();
    bool shown = false;
    while (!shown && SDL_GetTicks() - start < DeadlineMs) {
        pollEvent();
        shown = screenShowsPattern(xw);
    }
    EXPECT_TRUE(shown);
    // Nothing was composed meanwhile: the back buffer is as it was.
    EXPECT_EQ(pixels[GaugeClientWidth * 7 + 5], patternAt(5, 7));
}

TEST_F(GaugeWindowTest, RealMoveGivesAMoveEventAndTheNewPosition) {
    // A move the program makes itself is no event: this one comes from outside.
    moveFromOutside(xWindowOf(theSdlWindow()), 345, 210);
    ASSERT_TRUE(pollUntil(WindowEventMove));
    int32_t x = 0;
    int32_t y = 0;
    windowPosition(window, &x, &y);
    EXPECT_EQ(x, 345);
    EXPECT_EQ(y, 210);
}

TEST_F(GaugeWindowTest, CloseRequestFromTheServerIsTheCloseEventAndKeepsTheWindow) {
    Window xw = xWindowOf(theSdlWindow());
    Display* d = XOpenDisplay(nullptr);
    ASSERT_NE(d, nullptr);
    XEvent e;
    std::memset(&e, 0, sizeof e);
    e.xclient.type = ClientMessage;
    e.xclient.window = xw;
    e.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
    e.xclient.format = 32;
    e.xclient.data.l[0] = static_cast<long>(XInternAtom(d, "WM_DELETE_WINDOW", False));
    e.xclient.data.l[1] = CurrentTime;
    XSendEvent(d, xw, False, NoEventMask, &e);
    XSync(d, False);
    XCloseDisplay(d);

    std::vector<int> before;
    ASSERT_TRUE(pollUntil(WindowEventClose, &before));
    // One request, one close event (SDL adds a quit for the last window).
    for (int i = 0; i < 20; ++i) {
        EXPECT_NE(pollEvent(), WindowEventClose);
    }
    EXPECT_TRUE(SDL_GetWindowFlags(theSdlWindow()) & SDL_WINDOW_SHOWN);
}

TEST_F(GaugeWindowTest, QueueMergesOnlyAnEventEqualToTheNewestWaiting) {
    struct Case {
        const char* name;
        std::vector<Uint8> pushed; // SDL window events, 0 = SDL_QUIT
        std::vector<int> polled;
    };
    const std::vector<Case> cases = {
        {"two moves", {SDL_WINDOWEVENT_MOVED, SDL_WINDOWEVENT_MOVED}, {WindowEventMove}},
        {"move then close",
         {SDL_WINDOWEVENT_MOVED, SDL_WINDOWEVENT_CLOSE},
         {WindowEventMove, WindowEventClose}},
        {"move, close, move",
         {SDL_WINDOWEVENT_MOVED, SDL_WINDOWEVENT_CLOSE, SDL_WINDOWEVENT_MOVED},
         {WindowEventMove, WindowEventClose, WindowEventMove}},
        {"close and quit", {SDL_WINDOWEVENT_CLOSE, 0}, {WindowEventClose}},
        {"exposed is not queued", {SDL_WINDOWEVENT_EXPOSED}, {}},
    };
    for (const Case& c : cases) {
        for (Uint8 which : c.pushed) {
            if (which == 0) {
                SDL_Event quit;
                std::memset(&quit, 0, sizeof quit);
                quit.type = SDL_QUIT;
                ASSERT_GE(SDL_PushEvent(&quit), 0);
            } else {
                pushWindowEvent(which);
            }
        }
        EXPECT_EQ(pollAll(), c.polled) << c.name;
    }
}

TEST_F(GaugeWindowTest, OnePollHandlesOneEvent) {
    pushWindowEvent(SDL_WINDOWEVENT_EXPOSED);
    SDL_Event user;
    std::memset(&user, 0, sizeof user);
    user.type = SDL_USEREVENT;
    ASSERT_EQ(SDL_PushEvent(&user), 1);
    ASSERT_EQ(SDL_PushEvent(&user), 1);
    EXPECT_EQ(pollEvent(), WindowEventOther);
    EXPECT_EQ(pollEvent(), WindowEventOther);
    EXPECT_EQ(pollEvent(), WindowEventOther);
    EXPECT_EQ(pollEvent(), WindowEventNone);
}

TEST(GaugeWindowLifecycle, SurfacePixelsOnlyWhileTheSurfaceIsOpen) {
    prepareDirect3D();
    EXPECT_EQ(softSurfacePixels(), nullptr);
    GaugeWindow* w = openGaugeWindow("VOR Tavrin - 1.01", 0, 0);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(softSurfacePixels(), nullptr);
    EXPECT_EQ(openGaugeWindow("second", 0, 0), nullptr); // one window per run
    ASSERT_TRUE(openSurface(w));
    EXPECT_NE(softSurfacePixels(), nullptr);
    closeSurface();
    EXPECT_EQ(softSurfacePixels(), nullptr);
    presentFrame(); // no surface: nothing to show, nothing to break
    destroyGaugeWindow(w);
    EXPECT_EQ(pollEvent(), WindowEventNone);
    // A new run of the same process opens afresh.
    w = openGaugeWindow("VOR Tavrin - 1.01", 10, 20);
    ASSERT_NE(w, nullptr);
    destroyGaugeWindow(w);
}

TEST(GaugeWindowLifecycle, PositionsBeyondWhatXCarriesStayOffScreen) {
    prepareDirect3D();
    GaugeWindow* w = openGaugeWindow("VOR Tavrin - 1.01", 70000, -70000);
    ASSERT_NE(w, nullptr);
    int32_t x = 0;
    int32_t y = 0;
    windowPosition(w, &x, &y);
    // Not wrapped round onto the screen.
    EXPECT_GT(x, 30000);
    EXPECT_LT(y, -30000);
    destroyGaugeWindow(w);
}

} // namespace
