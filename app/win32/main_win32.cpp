// main_win32.cpp - entry point of the Windows build. The command line is not read.
#include "app/gauge_app.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    runGaugeApp();
    ExitProcess(0);
}
