// surface_d3d9_test.cpp - the Win32 gauge window, its event queue and the
// Direct3D 9 surface and compositor, on real windows under Wine (or Windows).
//
// Pixels are checked by reading back the lockable back buffer: under Wine a
// Direct3D 9 child window stays black on screen, the back buffer does not.
// Needs a display (DISPLAY under Wine).
#include "display/gauge_window.h"
#include "display/sprite_compositor.h"
#include "display/win32/d3d9_surface.h"
#include "display/win32/win32_window.h"
#include "tests/display/win32/device_proxy_d3d9.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <vector>

// Counted by allocation_count.cpp: every C++ allocation of this program.
extern std::atomic<long> allocationCount;

namespace {

// Not the program's own caption, so that a test driving the real program in
// the same Wine session never finds these windows instead.
const char* const TestTitle = "VOR Tavrin - surface test";

std::vector<uint32_t> readBack() {
    std::vector<uint32_t> pixels(GaugeClientWidth * GaugeClientHeight, 0xDEADBEEFu);
    EXPECT_TRUE(readBackBuffer(pixels.data(), GaugeClientWidth));
    return pixels;
}

uint32_t pixelAt(const std::vector<uint32_t>& pixels, int x, int y) {
    return pixels[y * GaugeClientWidth + x];
}

// A w x h image, each pixel B, G, R, A.
std::vector<uint8_t> solidImage(int w, int h, uint8_t b, uint8_t g, uint8_t r, uint8_t a) {
    std::vector<uint8_t> image(static_cast<size_t>(w) * h * 4);
    for (size_t i = 0; i < image.size(); i += 4) {
        image[i] = b;
        image[i + 1] = g;
        image[i + 2] = r;
        image[i + 3] = a;
    }
    return image;
}

// Keeps every window message flowing the way the main loop does, until the
// wanted event or a generous number of polls.
bool pollUntil(int wanted, int maxPolls = 10000) {
    for (int i = 0; i < maxPolls; ++i) {
        if (pollEvent() == wanted) {
            return true;
        }
    }
    return false;
}

void drainMessages() {
    for (int i = 0; i < 10000 && pollEvent() != WindowEventNone; ++i) {
    }
}

struct SurfaceFixture : ::testing::Test {
    GaugeWindow* window = nullptr;

    void SetUp() override {
        prepareDirect3D();
        prepareSpriteDrawing();
        window = openGaugeWindow(TestTitle, 60, 40);
        ASSERT_NE(window, nullptr);
        setWindowBackground(window);
        ASSERT_TRUE(openSurface(window));
        makeTopmost(window);
        drainMessages();
    }
    void TearDown() override {
        releaseAllSprites();
        closeSurface();
        destroyGaugeWindow(window);
    }
    // One frame as the renderer makes it: begin, draws, end, present.
    template <typename Draws> void frame(Draws draws) {
        beginFrame();
        draws();
        endFrame();
        presentFrame();
    }
};

TEST(GaugeWindowWin32, CaptionSizeStylePositionAndClass) {
    const int32_t positions[][2] = {{0, 0}, {123, 77}, {-4000, 9000}};
    for (const auto& at : positions) {
        GaugeWindow* window = openGaugeWindow(TestTitle, at[0], at[1]);
        ASSERT_NE(window, nullptr);
        HWND h = window->handle;
        char title[64] = {};
        GetWindowTextA(h, title, sizeof title);
        EXPECT_STREQ(title, TestTitle);
        RECT client;
        GetClientRect(h, &client);
        EXPECT_EQ(client.right - client.left, 300);
        EXPECT_EQ(client.bottom - client.top, 300);
        RECT outer;
        GetWindowRect(h, &outer);
        EXPECT_EQ(outer.left, at[0]) << "no correction against the screens";
        EXPECT_EQ(outer.top, at[1]);
        int32_t x = 1;
        int32_t y = 1;
        windowPosition(window, &x, &y);
        EXPECT_EQ(x, at[0]);
        EXPECT_EQ(y, at[1]);
        const LONG_PTR style = GetWindowLongPtrA(h, GWL_STYLE);
        EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU), WS_CAPTION | WS_SYSMENU);
        EXPECT_EQ(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0);
        EXPECT_EQ(GetWindowLongPtrA(h, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
        EXPECT_EQ(GetClassLongPtrA(h, GCL_STYLE), CS_DBLCLKS);
        EXPECT_EQ(reinterpret_cast<HCURSOR>(GetClassLongPtrA(h, GCLP_HCURSOR)),
                  LoadCursorA(nullptr, IDC_ARROW));
        EXPECT_EQ(reinterpret_cast<HICON>(GetClassLongPtrA(h, GCLP_HICON)),
                  LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(1)));
        EXPECT_NE(GetClassLongPtrA(h, GCLP_HICON), 0);
        EXPECT_TRUE(IsWindowVisible(h));
        makeTopmost(window);
        EXPECT_NE(GetWindowLongPtrA(h, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
        destroyGaugeWindow(window);
        EXPECT_FALSE(IsWindow(h));
    }
}

TEST(GaugeWindowWin32, MovesAndClosesBecomeQueuedEventsInOrder) {
    GaugeWindow* window = openGaugeWindow(TestTitle, 10, 10);
    ASSERT_NE(window, nullptr);
    drainMessages();
    HWND h = window->handle;

    // Several moves between two polls: one move event.
    SetWindowPos(h, nullptr, 20, 30, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    SetWindowPos(h, nullptr, 25, 35, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_EQ(pollEvent(), WindowEventMove);
    int32_t x = 0;
    int32_t y = 0;
    windowPosition(window, &x, &y);
    EXPECT_EQ(x, 25);
    EXPECT_EQ(y, 35);
    drainMessages();

    // A move and then a close before the poll: move first, close next.
    SetWindowPos(h, nullptr, 40, 50, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageA(h, WM_CLOSE, 0, 0);
    EXPECT_EQ(pollEvent(), WindowEventMove);
    EXPECT_EQ(pollEvent(), WindowEventClose);
    EXPECT_TRUE(IsWindow(h)) << "the close request does not destroy the window";

    // A posted close comes through the message queue: dispatched by one poll,
    // handed out by a later one, never lost.
    drainMessages();
    PostMessageA(h, WM_CLOSE, 0, 0);
    EXPECT_TRUE(pollUntil(WindowEventClose, 100));
    EXPECT_TRUE(IsWindow(h));

    // close, move, close: alternating events are all kept.
    SendMessageA(h, WM_CLOSE, 0, 0);
    SendMessageA(h, WM_MOVE, 0, 0);
    SendMessageA(h, WM_CLOSE, 0, 0);
    SendMessageA(h, WM_CLOSE, 0, 0);
    EXPECT_EQ(pollEvent(), WindowEventClose);
    EXPECT_EQ(pollEvent(), WindowEventMove);
    EXPECT_EQ(pollEvent(), WindowEventClose);
    EXPECT_NE(pollEvent(), WindowEventClose);

    // A flood that overfills the queue still lets the close through.
    for (int i = 0; i < 200; ++i) {
        SendMessageA(h, (i % 2) ? WM_CLOSE : WM_MOVE, 0, 0);
    }
    SendMessageA(h, WM_CLOSE, 0, 0);
    int closes = 0;
    int last = WindowEventNone;
    for (int i = 0; i < 300; ++i) {
        const int e = pollEvent();
        if (e == WindowEventMove || e == WindowEventClose) {
            last = e;
            closes += e == WindowEventClose;
        }
    }
    EXPECT_GT(closes, 0);
    EXPECT_EQ(last, WindowEventClose);

    destroyGaugeWindow(window);
    EXPECT_EQ(pollEvent() == WindowEventMove || pollEvent() == WindowEventClose, false);
}

TEST_F(SurfaceFixture, OpensWithThePresentationParametersAndABlackBackBuffer) {
    const D3DPRESENT_PARAMETERS& p = d3d9Surface.parameters;
    EXPECT_EQ(p.BackBufferWidth, 300u);
    EXPECT_EQ(p.BackBufferHeight, 300u);
    EXPECT_EQ(p.BackBufferCount, 1u);
    EXPECT_EQ(p.MultiSampleType, D3DMULTISAMPLE_NONE);
    EXPECT_EQ(p.SwapEffect, D3DSWAPEFFECT_COPY);
    EXPECT_EQ(p.hDeviceWindow, d3d9Surface.child);
    EXPECT_TRUE(p.Windowed);
    EXPECT_FALSE(p.EnableAutoDepthStencil);
    EXPECT_EQ(p.Flags, static_cast<DWORD>(D3DPRESENTFLAG_LOCKABLE_BACKBUFFER));
    EXPECT_EQ(p.FullScreen_RefreshRateInHz, 0u);
    EXPECT_EQ(p.PresentationInterval, static_cast<UINT>(D3DPRESENT_INTERVAL_ONE));
    D3DDISPLAYMODE mode;
    ASSERT_TRUE(SUCCEEDED(d3d9Surface.direct3D->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &mode)));
    EXPECT_EQ(p.BackBufferFormat, mode.Format);

    char className[32] = {};
    GetClassNameA(d3d9Surface.child, className, sizeof className);
    EXPECT_STREQ(className, "Static");
    EXPECT_EQ(GetParent(d3d9Surface.child), window->handle);
    RECT child;
    GetWindowRect(d3d9Surface.child, &child);
    POINT origin = {0, 0};
    ClientToScreen(window->handle, &origin);
    EXPECT_EQ(child.left, origin.x);
    EXPECT_EQ(child.top, origin.y);
    EXPECT_EQ(child.right - child.left, 300);
    EXPECT_EQ(child.bottom - child.top, 300);

    std::vector<uint32_t> pixels = readBack();
    for (uint32_t p0 : pixels) {
        ASSERT_EQ(p0, 0u);
    }
    presentFrame();
    pixels = readBack();
    for (uint32_t p0 : pixels) {
        ASSERT_EQ(p0, 0u);
    }
    EXPECT_FALSE(d3d9Surface.presentingGivenUp);
}

TEST_F(SurfaceFixture, TexturesHaveTheImageSizeFormatPoolAndUnchangedTexels) {
    const int sizes[][2] = {{416, 300}, {38, 41}, {23, 49}, {1, 1}};
    for (const auto& size : sizes) {
        std::vector<uint8_t> image = solidImage(size[0], size[1], 10, 20, 30, 115);
        image[4] = 200; // a second pixel of its own, to see the rows land in place
        image.back() = 7;
        SpriteHandle sprite = createSprite(size[0], size[1], image.data());
        ASSERT_NE(sprite, 0u);
        IDirect3DTexture9* texture = spriteTexture(sprite);
        ASSERT_NE(texture, nullptr);
        EXPECT_EQ(texture->GetLevelCount(), 1u);
        D3DSURFACE_DESC d;
        ASSERT_TRUE(SUCCEEDED(texture->GetLevelDesc(0, &d)));
        EXPECT_EQ(d.Width, static_cast<UINT>(size[0]));
        EXPECT_EQ(d.Height, static_cast<UINT>(size[1]));
        EXPECT_EQ(d.Format, D3DFMT_A8R8G8B8);
        EXPECT_EQ(d.Pool, D3DPOOL_MANAGED);
        D3DLOCKED_RECT locked;
        ASSERT_TRUE(SUCCEEDED(texture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY)));
        bool same = true;
        for (int y = 0; y < size[1]; ++y) {
            same = same && std::memcmp(static_cast<uint8_t*>(locked.pBits) + y * locked.Pitch,
                                       image.data() + y * size[0] * 4, size[0] * 4) == 0;
        }
        texture->UnlockRect(0);
        EXPECT_TRUE(same) << size[0] << " x " << size[1]
                          << ": alpha 115 kept, colour not premultiplied";
    }
    EXPECT_EQ(createSprite(0, 5, solidImage(1, 5, 0, 0, 0, 0).data()), 0u);
    EXPECT_EQ(createSprite(5, -1, solidImage(5, 1, 0, 0, 0, 0).data()), 0u);
    EXPECT_EQ(createSprite(5, 5, nullptr), 0u);
}

TEST_F(SurfaceFixture, DrawsBlendPairsAndIntensityOnTheBackBuffer) {
    // Over black, BlendNormal at 255: colour x alpha.
    std::vector<uint8_t> image = solidImage(4, 3, 200, 100, 50, 128);
    SpriteHandle sprite = createSprite(4, 3, image.data());
    ASSERT_NE(sprite, 0u);
    frame([&] {
        setBlendPair(BlendNormal);
        drawSprite(sprite, 10, 20, 255);
    });
    std::vector<uint32_t> pixels = readBack();
    const uint32_t normal = pixelAt(pixels, 10, 20);
    EXPECT_NEAR(static_cast<int>(normal & 0xFF), 200 * 128 / 255, 1);
    EXPECT_NEAR(static_cast<int>((normal >> 8) & 0xFF), 100 * 128 / 255, 1);
    EXPECT_NEAR(static_cast<int>((normal >> 16) & 0xFF), 50 * 128 / 255, 1);
    for (int y = 20; y < 23; ++y) {
        for (int x = 10; x < 14; ++x) {
            EXPECT_EQ(pixelAt(pixels, x, y), normal) << x << "," << y;
        }
    }
    EXPECT_EQ(pixelAt(pixels, 9, 20), 0u);
    EXPECT_EQ(pixelAt(pixels, 14, 20), 0u);
    EXPECT_EQ(pixelAt(pixels, 10, 19), 0u);
    EXPECT_EQ(pixelAt(pixels, 10, 23), 0u);

    // Intensity 0 under Normal and Shadow changes nothing; handle 0 and an
    // unknown handle draw nothing.
    frame([&] {
        setBlendPair(BlendNormal);
        drawSprite(sprite, 10, 20, 0);
        setBlendPair(BlendShadow);
        drawSprite(sprite, 10, 20, 0);
        drawSprite(0, 10, 20, 255);
        drawSprite(sprite + 100, 10, 20, 255);
        setSpriteAngle(0, 45.0f);
    });
    EXPECT_EQ(readBack(), pixels);

    // The pair chosen last in one frame holds in the next: Shadow darkens.
    frame([&] { drawSprite(sprite, 10, 20, 255); });
    std::vector<uint32_t> shadowed = readBack();
    const uint32_t dark = pixelAt(shadowed, 11, 21);
    EXPECT_NEAR(static_cast<int>(dark & 0xFF), (200 * 128 / 255) * 127 / 255, 1);

    // BlendLight at intensity 0 still squares the destination over the quad.
    std::vector<uint8_t> grey = solidImage(8, 8, 128, 128, 128, 255);
    SpriteHandle fill = createSprite(8, 8, grey.data());
    ASSERT_NE(fill, 0u);
    frame([&] {
        setBlendPair(BlendNormal);
        drawSprite(fill, 100, 100, 255);
        setBlendPair(BlendLight);
        drawSprite(sprite, 101, 101, 0);
    });
    pixels = readBack();
    EXPECT_EQ(pixelAt(pixels, 100, 100) & 0xFF, 128u);
    EXPECT_NEAR(static_cast<int>(pixelAt(pixels, 102, 102) & 0xFF), 128 * 128 / 255, 1);
    EXPECT_EQ(pixelAt(pixels, 105, 102) & 0xFF, 128u) << "outside the quad: untouched";
}

TEST_F(SurfaceFixture, AngleIsAbsoluteAndFullTurnMatchesNoTurn) {
    std::vector<uint8_t> bar = solidImage(21, 5, 255, 255, 255, 255);
    SpriteHandle sprite = createSprite(21, 5, bar.data());
    ASSERT_NE(sprite, 0u);
    setSmoothFiltering(false);
    setSpriteAngle(sprite, 90.0f);
    setSpriteAngle(sprite, 90.0f);
    frame([&] { drawSprite(sprite, 100, 100, 255); });
    std::vector<uint32_t> pixels = readBack();
    // Turned by 90 (not 180): the bar stands upright about its centre (110, 102).
    EXPECT_NE(pixelAt(pixels, 110, 93), 0u);
    EXPECT_NE(pixelAt(pixels, 110, 111), 0u);
    EXPECT_EQ(pixelAt(pixels, 101, 102), 0u);

    // 360 degrees is a real turn, whose picture equals no turn here.
    d3d9Surface.device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
    setSpriteAngle(sprite, 360.0f);
    frame([&] { drawSprite(sprite, 100, 100, 255); });
    std::vector<uint32_t> full = readBack();
    d3d9Surface.device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
    setSpriteAngle(sprite, 0.0f);
    frame([&] { drawSprite(sprite, 100, 100, 255); });
    EXPECT_EQ(readBack(), full);
}

TEST_F(SurfaceFixture, BackBufferKeepsTheFrameAcrossPresentsAndRepaints) {
    std::vector<uint8_t> image = solidImage(30, 30, 0, 200, 0, 255);
    SpriteHandle sprite = createSprite(30, 30, image.data());
    frame([&] { drawSprite(sprite, 5, 5, 255); });
    const std::vector<uint32_t> drawn = readBack();
    EXPECT_EQ(pixelAt(drawn, 5, 5), 0x0000C800u);
    // A repaint of the child and a resize notice present again, composing nothing.
    InvalidateRect(d3d9Surface.child, nullptr, TRUE);
    UpdateWindow(d3d9Surface.child);
    SendMessageA(window->handle, WM_SIZE, SIZE_RESTORED, MAKELPARAM(300, 300));
    presentFrame();
    drainMessages();
    EXPECT_EQ(readBack(), drawn);
    EXPECT_FALSE(d3d9Surface.presentingGivenUp);
}

TEST_F(SurfaceFixture, DeviceComesBackWithItsTexturesAndTheLastFrame) {
    std::vector<uint8_t> image = solidImage(16, 16, 40, 80, 160, 200);
    SpriteHandle sprite = createSprite(16, 16, image.data());
    ASSERT_NE(sprite, 0u);
    setSmoothFiltering(true);
    setSpriteAngle(sprite, 23.1f);
    frame([&] {
        setBlendPair(BlendNormal);
        drawSprite(sprite, 50, 60, 255);
        setBlendPair(BlendLight);
        drawSprite(sprite, 58, 60, 120);
    });
    const std::vector<uint32_t> drawn = readBack();

    ASSERT_TRUE(resetSurfaceDevice(true));
    EXPECT_EQ(readBack(), drawn) << "a reset draws the last frame again";

    ASSERT_TRUE(recreateSurfaceDevice());
    EXPECT_NE(spriteTexture(sprite), nullptr);
    EXPECT_EQ(readBack(), drawn) << "a new device gets textures and frame again";

    // Given up: no attempt within the second, one attempt after it.
    d3d9Surface.presentingGivenUp = true;
    d3d9Surface.lastRetryTick = GetTickCount();
    const uint32_t before = d3d9Surface.restoreCount;
    presentFrame();
    EXPECT_TRUE(d3d9Surface.presentingGivenUp);
    d3d9Surface.lastRetryTick = GetTickCount() - 1500;
    presentFrame();
    EXPECT_FALSE(d3d9Surface.presentingGivenUp);
    EXPECT_EQ(d3d9Surface.restoreCount, before + 1);

    // Drawing goes on as before on the device brought back: the same two
    // draws, moved by whole pixels, give the same pixels.
    frame([&] {
        setBlendPair(BlendNormal);
        drawSprite(sprite, 150, 160, 255);
        setBlendPair(BlendLight);
        drawSprite(sprite, 158, 160, 120);
    });
    const std::vector<uint32_t> later = readBack();
    for (int y = 50; y < 90; ++y) {
        for (int x = 40; x < 85; ++x) {
            ASSERT_EQ(pixelAt(later, x + 100, y + 100), pixelAt(drawn, x, y)) << x << "," << y;
        }
    }
}

TEST_F(SurfaceFixture, FramesAllocateNothing) {
    std::vector<uint8_t> image = solidImage(40, 12, 90, 90, 90, 200);
    const long atStart = allocationCount.load();
    SpriteHandle sprite = createSprite(40, 12, image.data());
    ASSERT_NE(sprite, 0u);
    const long before = allocationCount.load();
    ASSERT_GT(before, atStart) << "the count sees the sprite's own allocations";
    for (int f = 0; f < 50; ++f) {
        frame([&] {
            setSmoothFiltering(f % 2 == 0);
            setBlendPair(BlendShadow);
            setSpriteAngle(sprite, static_cast<float>(f) + 0.1f);
            drawSprite(sprite, 100, 100, 100);
            setBlendPair(BlendNormal);
            drawSprite(sprite, 98, 98, 255);
            setBlendPair(BlendLight);
            drawSprite(sprite, 0, 0, 40);
        });
    }
    EXPECT_EQ(allocationCount.load(), before);
}

// The device between the surface and the real one, with scripted answers.
struct LostDeviceFixture : SurfaceFixture {
    DeviceProxy proxy;
    SpriteHandle sprite = 0;
    std::vector<uint32_t> drawn;

    void SetUp() override {
        SurfaceFixture::SetUp();
        if (HasFatalFailure()) {
            return;
        }
        std::vector<uint8_t> image = solidImage(20, 20, 10, 200, 60, 220);
        sprite = createSprite(20, 20, image.data());
        ASSERT_NE(sprite, 0u);
        frame([&] { drawSprite(sprite, 30, 40, 255); });
        drawn = readBack();
        proxy.real = d3d9Surface.device;
        d3d9Surface.device = &proxy;
    }
    void TearDown() override {
        if (d3d9Surface.device == &proxy) {
            d3d9Surface.device = proxy.real;
        }
        SurfaceFixture::TearDown();
    }
    // A frame as the renderer draws it, the scene left open for the present.
    void drawFrame() {
        beginFrame();
        drawSprite(sprite, 30, 40, 255);
        endFrame();
    }
};

TEST_F(LostDeviceFixture, RepaintsAndResizesPresentTheKeptFrame) {
    // Uncovered: the child repaints by presenting once, composing nothing.
    InvalidateRect(d3d9Surface.child, nullptr, TRUE);
    UpdateWindow(d3d9Surface.child);
    EXPECT_EQ(proxy.presentCalls, 1);
    SendMessageA(window->handle, WM_SIZE, SIZE_RESTORED, MAKELPARAM(300, 300));
    EXPECT_EQ(proxy.presentCalls, 2);
    // The whole window repainted, child included.
    RedrawWindow(window->handle, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    EXPECT_EQ(proxy.presentCalls, 3);
    EXPECT_EQ(readBack(), drawn);
}

TEST_F(LostDeviceFixture, ShortLossIsWaitedOutAndPresented) {
    proxy.queueCooperative(D3DERR_DEVICELOST, 2);
    proxy.queueCooperative(D3D_OK);
    drawFrame();
    const DWORD start = GetTickCount();
    presentFrame();
    const DWORD took = GetTickCount() - start;
    // Two 1 ms pauses; only a machine too busy to run them within 32 ms
    // makes the loss count as a long one, and then giving up is right.
    if (took < 32) {
        EXPECT_EQ(proxy.cooperativeCalls, 3);
        EXPECT_EQ(proxy.presentCalls, 1);
        EXPECT_FALSE(d3d9Surface.presentingGivenUp);
        EXPECT_FALSE(d3d9Surface.sceneOpen) << "the frame's scene ends before the present";
    } else {
        EXPECT_TRUE(d3d9Surface.presentingGivenUp) << took << " ms";
        EXPECT_EQ(proxy.presentCalls, 0);
    }
}

TEST_F(LostDeviceFixture, GivesUpOnLongLossDriverErrorFailedResetOrPresent) {
    struct Case {
        const char* what;
        HRESULT first;
        HRESULT then; // held after the first answer
        HRESULT reset;
        HRESULT present;
        bool waits; // the 32 ms wait for a lost device
    };
    const Case cases[] = {
        {"lost for good", D3DERR_DEVICELOST, D3DERR_DEVICELOST, D3D_OK, D3D_OK, true},
        {"driver error", D3DERR_DRIVERINTERNALERROR, D3DERR_DRIVERINTERNALERROR, D3D_OK, D3D_OK,
         false},
        {"driver error while lost", D3DERR_DEVICELOST, D3DERR_DRIVERINTERNALERROR, D3D_OK, D3D_OK,
         false},
        {"reset fails", D3DERR_DEVICENOTRESET, D3DERR_DEVICENOTRESET, D3DERR_INVALIDCALL, D3D_OK,
         false},
        {"present fails", D3D_OK, D3D_OK, D3D_OK, D3DERR_DEVICELOST, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        d3d9Surface.presentingGivenUp = false;
        proxy.clearAnswers();
        proxy.queueCooperative(c.first);
        proxy.queueCooperative(c.then);
        proxy.holdLast = true;
        proxy.resetAnswer = c.reset;
        proxy.presentAnswer = c.present;
        drawFrame();
        const DWORD start = GetTickCount();
        presentFrame();
        const DWORD took = GetTickCount() - start;
        EXPECT_TRUE(d3d9Surface.presentingGivenUp);
        if (c.waits) {
            EXPECT_GE(took, 31u) << "waits out 32 ms of loss first";
            EXPECT_GT(proxy.cooperativeCalls, 2);
        }
        EXPECT_EQ(proxy.presentCalls, c.present == D3D_OK ? 0 : 1);

        // Given up: frames are still composed, nothing is presented, and no
        // second attempt is made within the second.
        const int presents = proxy.presentCalls;
        const int asks = proxy.cooperativeCalls;
        drawFrame();
        presentFrame();
        EXPECT_EQ(proxy.presentCalls, presents);
        EXPECT_EQ(proxy.cooperativeCalls, asks);
    }
}

TEST_F(LostDeviceFixture, ResetDrawsTheLastFrameAgainBeforePresenting) {
    proxy.queueCooperative(D3DERR_DEVICENOTRESET);
    proxy.queueCooperative(D3D_OK);
    // Something else in the back buffer, as a reset leaves it undefined.
    d3d9Surface.device->Clear(0, nullptr, D3DCLEAR_TARGET, 0x00FF00FF, 1.0f, 0);
    presentFrame();
    EXPECT_EQ(proxy.resetCalls, 1);
    EXPECT_EQ(proxy.presentCalls, 1);
    EXPECT_FALSE(d3d9Surface.presentingGivenUp);
    EXPECT_EQ(readBack(), drawn);
}

TEST_F(LostDeviceFixture, GivenUpSurfaceComesBackOnceTheDisplayDoes) {
    proxy.queueCooperative(D3DERR_DEVICELOST);
    proxy.holdLast = true;
    drawFrame();
    presentFrame();
    ASSERT_TRUE(d3d9Surface.presentingGivenUp);

    // A second later the display is still away: one question, no present.
    d3d9Surface.lastRetryTick = GetTickCount() - 1100;
    int asks = proxy.cooperativeCalls;
    presentFrame();
    EXPECT_EQ(proxy.cooperativeCalls, asks + 1);
    EXPECT_EQ(proxy.presentCalls, 0);
    EXPECT_TRUE(d3d9Surface.presentingGivenUp);

    // Back, but needing a reset: reset, frame drawn again, presented.
    proxy.clearAnswers();
    proxy.queueCooperative(D3DERR_DEVICENOTRESET);
    d3d9Surface.lastRetryTick = GetTickCount() - 1100;
    presentFrame();
    EXPECT_EQ(proxy.resetCalls, 1);
    EXPECT_EQ(proxy.presentCalls, 1);
    EXPECT_FALSE(d3d9Surface.presentingGivenUp);
    EXPECT_EQ(d3d9Surface.restoreCount, 1u);
    EXPECT_EQ(readBack(), drawn);
}

TEST_F(LostDeviceFixture, DeviceThatCannotBeResetIsReplacedByANewOne) {
    proxy.queueCooperative(D3DERR_DRIVERINTERNALERROR);
    proxy.holdLast = true;
    drawFrame();
    presentFrame();
    ASSERT_TRUE(d3d9Surface.presentingGivenUp);

    d3d9Surface.lastRetryTick = GetTickCount() - 1100;
    presentFrame();
    EXPECT_FALSE(d3d9Surface.presentingGivenUp);
    EXPECT_NE(d3d9Surface.device, &proxy) << "a new device on the same child window";
    EXPECT_NE(spriteTexture(sprite), nullptr);
    EXPECT_EQ(readBack(), drawn) << "textures made again and the last frame drawn again";
    // And draws on the new device as on the first one.
    d3d9Surface.device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
    frame([&] { drawSprite(sprite, 30, 40, 255); });
    EXPECT_EQ(readBack(), drawn);
}

TEST(SurfaceD3d9, FailsCleanlyWithoutAWindowOrTwice) {
    prepareDirect3D();
    EXPECT_FALSE(openSurface(nullptr));
    GaugeWindow* window = openGaugeWindow(TestTitle, 0, 0);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(openSurface(window));
    EXPECT_FALSE(openSurface(window)) << "one surface per run";
    closeSurface();
    EXPECT_FALSE(openSurface(window)) << "the Direct3D 9 object went with the surface";
    presentFrame(); // nothing open: nothing happens
    destroyGaugeWindow(window);
}

} // namespace
