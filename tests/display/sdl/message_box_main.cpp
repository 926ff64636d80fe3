// message_box_main.cpp - shows the start-up failure message box with no
// owner, as the program does when its window could not be made, and exits 0
// once it has been dismissed. For message_box_x11_test.sh.
#include "display/gauge_window.h"

#include <SDL.h>

#include <cstdio>

int main() {
    // The program's strings, in its own code page.
    showMessageBox(nullptr, "Erreur",
                   "Impossible d'ouvrir un \xE9"
                   "cran dans la fen\xEAtre!");
    // A box that could not be shown leaves SDL's reason, for the test's log.
    std::fprintf(stderr, "message box returned; SDL says: '%s'\n", SDL_GetError());
    return 0;
}
