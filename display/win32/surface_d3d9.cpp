// surface_d3d9.cpp - the Direct3D 9 drawing surface: a "STATIC" child window
// over the gauge window's client area and a device presenting into it.
//
// d3d9.dll is loaded at run time, so that a machine without it gets the
// start-up message instead of a loader error. The back buffer is lockable,
// swapped by copy and cleared once: each frame is composed over the last one
// and a repaint presents it again without composing.
//
// presentFrame gives up presenting on a driver error, a device lost for 32 ms
// or more, a failed Reset or a failed Present. Having given up, it tries the
// device again at most once a second on later presents (the state test, a
// Reset, and failing that a new device on the same child window), so the
// gauge comes back after a screen lock, a display change or a remote session.
// A device brought back this way gets the last frame drawn again from the
// compositor's record of it. Main thread only.
#include "display/gauge_window.h"
#include "display/sprite_compositor.h"
#include "display/win32/d3d9_surface.h"
#include "display/win32/win32_window.h"

#include <cstring>

D3d9Surface d3d9Surface;

namespace {

const UINT Direct3DSdkVersion = 32;
const DWORD LostDeviceWaitMilliseconds = 32;
const DWORD RetryIntervalMilliseconds = 1000;

using Direct3DCreate9Function = IDirect3D9*(WINAPI*)(UINT);

template <typename T> void releaseCom(T*& object) {
    if (object) {
        object->Release();
        object = nullptr;
    }
}

LRESULT CALLBACK surfaceChildProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_ERASEBKGND:
        return 1; // the frame covers everything: erasing would only flicker
    case WM_PAINT: {
        PAINTSTRUCT paint;
        BeginPaint(window, &paint);
        EndPaint(window, &paint);
        presentFrame();
        return 0;
    }
    default:
        break;
    }
    return CallWindowProcA(d3d9Surface.childDefaultProcedure, window, message, wParam, lParam);
}

bool fetchBackBuffer() {
    D3d9Surface& s = d3d9Surface;
    releaseCom(s.backBuffer);
    return SUCCEEDED(s.device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &s.backBuffer));
}

bool clearBackBuffer() {
    return SUCCEEDED(d3d9Surface.device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0));
}

void refreshDisplayFormat() {
    D3DDISPLAYMODE mode;
    if (SUCCEEDED(d3d9Surface.direct3D->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &mode))) {
        d3d9Surface.parameters.BackBufferFormat = mode.Format;
    }
}

bool createDevice() {
    D3d9Surface& s = d3d9Surface;
    D3DPRESENT_PARAMETERS parameters = s.parameters;
    if (FAILED(s.direct3D->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, s.child, s.behaviour,
                                        &parameters, &s.device))) {
        s.device = nullptr;
        return false;
    }
    if (!fetchBackBuffer() || !clearBackBuffer()) {
        releaseCom(s.backBuffer);
        releaseCom(s.device);
        return false;
    }
    return true;
}

void endOpenScene() {
    if (d3d9Surface.sceneOpen && d3d9Surface.device) {
        d3d9Surface.device->EndScene();
    }
    d3d9Surface.sceneOpen = false;
}

void giveUpPresenting() {
    d3d9Surface.presentingGivenUp = true;
    d3d9Surface.lastRetryTick = GetTickCount();
}

// One attempt, at most once a second, to bring a given-up surface back.
bool tryDeviceAgain() {
    D3d9Surface& s = d3d9Surface;
    const DWORD now = GetTickCount();
    if (now - s.lastRetryTick < RetryIntervalMilliseconds) {
        return false;
    }
    s.lastRetryTick = now;
    bool back = false;
    HRESULT state = s.device ? s.device->TestCooperativeLevel() : D3DERR_DRIVERINTERNALERROR;
    if (state == D3D_OK) {
        back = true; // a Present failed but the device is fine
    } else if (state == D3DERR_DEVICELOST) {
        return false; // not yet: the display is still away
    } else if (state == D3DERR_DEVICENOTRESET) {
        back = resetSurfaceDevice(true);
    }
    if (!back) {
        back = recreateSurfaceDevice();
    }
    if (back) {
        s.presentingGivenUp = false;
        ++s.restoreCount;
    }
    return back;
}

// The state test, the wait for a lost device, the reset, the end of the
// frame's scene and the present; any failure gives up presenting.
void presentNow() {
    D3d9Surface& s = d3d9Surface;
    if (!s.device) {
        giveUpPresenting();
        return;
    }
    HRESULT state = s.device->TestCooperativeLevel();
    if (state == D3DERR_DEVICELOST) {
        const DWORD first = GetTickCount();
        while (state == D3DERR_DEVICELOST && GetTickCount() - first < LostDeviceWaitMilliseconds) {
            Sleep(1);
            state = s.device->TestCooperativeLevel();
        }
    }
    bool go = true;
    if (state == D3DERR_DEVICENOTRESET) {
        go = resetSurfaceDevice(false);
    } else if (FAILED(state)) {
        go = false; // still lost after the wait, a driver error, or worse
    }
    if (go) {
        endOpenScene();
        const RECT source = {0, 0, GaugeClientWidth, GaugeClientHeight};
        go = SUCCEEDED(s.device->Present(&source, nullptr, nullptr, nullptr));
    }
    if (!go) {
        giveUpPresenting();
    }
}

} // namespace

void prepareDirect3D() {
    D3d9Surface& s = d3d9Surface;
    if (s.direct3D) {
        return;
    }
    if (!s.library) {
        s.library = LoadLibraryA("d3d9.dll");
    }
    if (!s.library) {
        return;
    }
    FARPROC procedure = GetProcAddress(s.library, "Direct3DCreate9");
    if (!procedure) {
        return;
    }
    // Through void (*)(), the one function type a cast may pass through cleanly.
    Direct3DCreate9Function create =
        reinterpret_cast<Direct3DCreate9Function>(reinterpret_cast<void (*)()>(procedure));
    s.direct3D = create(Direct3DSdkVersion);
    if (!s.direct3D) {
        return;
    }
    const D3DFORMAT formats[3] = {D3DFMT_X1R5G5B5, D3DFMT_R5G6B5, D3DFMT_X8R8G8B8};
    UINT modes = 0;
    for (D3DFORMAT format : formats) {
        modes += s.direct3D->GetAdapterModeCount(D3DADAPTER_DEFAULT, format);
    }
    if (modes == 0) {
        releaseCom(s.direct3D);
    }
}

bool openSurface(GaugeWindow* window) {
    D3d9Surface& s = d3d9Surface;
    if (s.open || !s.direct3D || !window || !window->handle) {
        return false;
    }
    HWND child = CreateWindowExA(0, "STATIC", nullptr, WS_CHILD | WS_VISIBLE, 0, 0,
                                 GaugeClientWidth, GaugeClientHeight, window->handle, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
    if (!child) {
        return false;
    }
    s.child = child;
    s.childDefaultProcedure = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(child, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(surfaceChildProcedure)));

    D3DDISPLAYMODE mode;
    D3DCAPS9 caps;
    bool made = SUCCEEDED(s.direct3D->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &mode)) &&
                SUCCEEDED(s.direct3D->GetDeviceCaps(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, &caps));
    if (made) {
        s.behaviour = (caps.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT)
                          ? D3DCREATE_HARDWARE_VERTEXPROCESSING | D3DCREATE_FPU_PRESERVE
                          : D3DCREATE_SOFTWARE_VERTEXPROCESSING | D3DCREATE_FPU_PRESERVE;
        D3DPRESENT_PARAMETERS& p = s.parameters;
        std::memset(&p, 0, sizeof p);
        p.BackBufferWidth = GaugeClientWidth;
        p.BackBufferHeight = GaugeClientHeight;
        p.BackBufferFormat = mode.Format;
        p.BackBufferCount = 1;
        p.MultiSampleType = D3DMULTISAMPLE_NONE;
        p.MultiSampleQuality = 0;
        p.SwapEffect = D3DSWAPEFFECT_COPY;
        p.hDeviceWindow = child;
        p.Windowed = TRUE;
        p.EnableAutoDepthStencil = FALSE;
        p.AutoDepthStencilFormat = D3DFMT_UNKNOWN;
        p.Flags = D3DPRESENTFLAG_LOCKABLE_BACKBUFFER;
        p.FullScreen_RefreshRateInHz = 0;
        p.PresentationInterval = D3DPRESENT_INTERVAL_ONE;
        made = createDevice();
    }
    if (!made) {
        DestroyWindow(child);
        s.child = nullptr;
        return false;
    }
    s.open = true;
    s.presentingGivenUp = false;
    s.sceneOpen = false;
    s.presenting = false;
    s.restoreCount = 0;
    return true;
}

void presentFrame() {
    D3d9Surface& s = d3d9Surface;
    if (!s.open || s.presenting) {
        return;
    }
    // Nothing below may start a second present from a window message that a
    // device call happens to dispatch.
    s.presenting = true;
    if (!s.presentingGivenUp || tryDeviceAgain()) {
        presentNow();
    }
    s.presenting = false;
}

bool resetSurfaceDevice(bool refreshFormat) {
    D3d9Surface& s = d3d9Surface;
    if (!s.device) {
        return false;
    }
    // Reset needs every default-pool reference gone and no scene open.
    endOpenScene();
    releaseCom(s.backBuffer);
    if (refreshFormat) {
        refreshDisplayFormat();
    }
    D3DPRESENT_PARAMETERS parameters = s.parameters;
    if (FAILED(s.device->Reset(&parameters)) || !fetchBackBuffer() || !clearBackBuffer()) {
        return false;
    }
    // The reset lost the back buffer's picture; the compositor knows the
    // last frame and draws it again, so a repaint does not show black.
    drawLastFrameAgain();
    return true;
}

bool recreateSurfaceDevice() {
    D3d9Surface& s = d3d9Surface;
    if (!s.open || !s.direct3D || !s.child) {
        return false;
    }
    endOpenScene();
    releaseSpriteTextures();
    releaseCom(s.backBuffer);
    releaseCom(s.device);
    refreshDisplayFormat();
    if (!createDevice()) {
        return false;
    }
    // A sprite whose texture cannot be made again is left out of the picture,
    // as an image that fails to load is at start-up.
    restoreSpriteTextures();
    drawLastFrameAgain();
    return true;
}

bool readBackBuffer(uint32_t* pixels, int32_t pitchInPixels) {
    D3d9Surface& s = d3d9Surface;
    if (!s.backBuffer || !pixels) {
        return false;
    }
    D3DSURFACE_DESC description;
    if (FAILED(s.backBuffer->GetDesc(&description)) ||
        (description.Format != D3DFMT_X8R8G8B8 && description.Format != D3DFMT_A8R8G8B8)) {
        return false;
    }
    D3DLOCKED_RECT locked;
    if (FAILED(s.backBuffer->LockRect(&locked, nullptr, D3DLOCK_READONLY))) {
        return false;
    }
    const uint8_t* source = static_cast<const uint8_t*>(locked.pBits);
    for (int32_t y = 0; y < GaugeClientHeight; ++y) {
        const uint32_t* row = reinterpret_cast<const uint32_t*>(source + y * locked.Pitch);
        for (int32_t x = 0; x < GaugeClientWidth; ++x) {
            pixels[y * pitchInPixels + x] = row[x] & 0x00FFFFFFu;
        }
    }
    s.backBuffer->UnlockRect();
    return true;
}

void closeSurface() {
    D3d9Surface& s = d3d9Surface;
    // Whatever lives on the device goes before it.
    releaseAllSprites();
    endOpenScene();
    releaseCom(s.backBuffer);
    releaseCom(s.device);
    releaseCom(s.direct3D);
    if (s.child) {
        DestroyWindow(s.child);
        s.child = nullptr;
    }
    s.open = false;
    s.presentingGivenUp = false;
}
