// main_posix.cpp - entry point of the native build.
#include "app/gauge_app.h"

#include <cstdio>
#include <unistd.h>

int main() {
    runGaugeApp();
    // The link threads still run: end the process without running static
    // destructors under them. Exit code 0 on every path.
    std::fflush(nullptr);
    _exit(0);
}
