// pause_posix.cpp - pauseMilliseconds as a plain sleep, resumed after signals.
#include "app/pause.h"

#include <cerrno>
#include <ctime>

void pauseMilliseconds(uint32_t milliseconds) {
    timespec left{static_cast<time_t>(milliseconds / 1000),
                  static_cast<long>(milliseconds % 1000) * 1000000L};
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}
