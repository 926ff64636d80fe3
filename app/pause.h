// pause.h - the pause used by every loop of the program.
//
// On Windows: timeBeginPeriod(1), Sleep(ms), timeEndPeriod(1), so that the
// system timer runs at 1 ms for the length of the pause only. On POSIX a plain
// nanosleep, whose resolution is already fine.
#pragma once

#include <cstdint>

void pauseMilliseconds(uint32_t milliseconds);
