// pause_win32.cpp - pauseMilliseconds with the 1 ms timer held for the pause.
#include "app/pause.h"

#include <windows.h>
#include <mmsystem.h>

void pauseMilliseconds(uint32_t milliseconds) {
    timeBeginPeriod(1);
    Sleep(milliseconds);
    timeEndPeriod(1);
}
