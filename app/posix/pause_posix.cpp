// pause_posix.cpp - pauseMilliseconds as a plain sleep, resumed after signals.
//
// As the Windows pause raises the timer resolution for its own length only,
// this one narrows the thread's timer slack (Linux: 50 us by default) to
// 20 us for the length of the sleep, so that the link's 1 ms pause lasts
// about 1 ms. A narrower slack buys little more rate for dearer wake-ups.
#include "app/pause.h"

#include <cerrno>
#include <ctime>

#if defined(__linux__)
#include <sys/prctl.h>
#endif

void pauseMilliseconds(uint32_t milliseconds) {
#if defined(__linux__)
    const int slack = prctl(PR_GET_TIMERSLACK, 0, 0, 0, 0);
    prctl(PR_SET_TIMERSLACK, 20000UL, 0, 0, 0);
#endif
    timespec left{static_cast<time_t>(milliseconds / 1000),
                  static_cast<long>(milliseconds % 1000) * 1000000L};
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
#if defined(__linux__)
    if (slack > 0) {
        prctl(PR_SET_TIMERSLACK, static_cast<unsigned long>(slack), 0, 0, 0);
    }
#endif
}
