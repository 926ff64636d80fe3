// win32_window.h - the gauge window record, shared by the files of the Win32
// backend (not a portable header).
//
// One gauge window per run. The surface (surface_d3d9.cpp) puts its child
// window inside it; the window procedure (gauge_window_win32.cpp) asks the
// surface to present again on WM_SIZE.
#pragma once

#include <windows.h>

struct GaugeWindow {
    HWND handle;
    HBRUSH background; // 0 until setWindowBackground; then erases in black
};
