// d3d9_surface.h - the Direct3D 9 surface as the compositor and the tests of
// the Win32 backend see it (not a portable header).
//
// surface_d3d9.cpp owns the record; sprite_compositor_d3d9.cpp draws on its
// device and keeps what a new device needs (pixel copies of the sprites and
// the draws of the last frame), so that the surface can come back after the
// device was lost for good. Main thread only.
#pragma once

#include <windows.h>

#include <d3d9.h>

#include "display/sprite_compositor.h"

#include <cstdint>

struct D3d9Surface {
    HMODULE library;          // d3d9.dll, loaded at run time
    IDirect3D9* direct3D;     // 0 when Direct3D 9 is missing or offers no usable mode
    IDirect3DDevice9* device; // 0 while no device exists (also between a loss and a new one)
    IDirect3DSurface9* backBuffer;
    HWND child; // the "STATIC" child window the device presents into
    WNDPROC childDefaultProcedure;
    D3DPRESENT_PARAMETERS parameters; // as first created; Reset gets a copy
    DWORD behaviour;                  // CreateDevice behaviour flags
    bool open;                        // openSurface succeeded and closeSurface not yet called
    bool presentingGivenUp;
    bool sceneOpen;  // a BeginScene awaits its EndScene (at the next present)
    bool presenting; // guards against a present re-entered from a window message
    DWORD lastRetryTick;
    uint32_t restoreCount; // devices brought back after presenting was given up
};

extern D3d9Surface d3d9Surface;

// Presenting-side recovery, also called by the tests.
// Reset with the kept parameters (the display format refreshed when asked),
// fetch the back buffer, clear it and draw the last frame again.
bool resetSurfaceDevice(bool refreshFormat);
// A new device on the same child window: the sprites' textures are made
// again from their kept pixels and the last frame is drawn again.
bool recreateSurfaceDevice();
// Copies the back buffer (300 x 300, X8R8G8B8 with the top byte cleared)
// into pixels; false when it cannot be locked.
bool readBackBuffer(uint32_t* pixels, int32_t pitchInPixels);

// Compositor side, called by the surface around device changes.
void releaseSpriteTextures();
bool restoreSpriteTextures();
void drawLastFrameAgain();
// The sprite's texture (0 for an unknown handle or while the device is away),
// for the tests' look at its size, format, pool and texels.
IDirect3DTexture9* spriteTexture(SpriteHandle sprite);
