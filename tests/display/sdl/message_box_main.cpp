// message_box_main.cpp - shows the start-up failure message box with no
// owner, as the program does when its window could not be made, and exits 0
// once it has been dismissed. For message_box_x11_test.sh.
#include "display/gauge_window.h"

int main() {
    // The program's strings, in its own code page.
    showMessageBox(nullptr, "Erreur",
                   "Impossible d'ouvrir un \xE9"
                   "cran dans la fen\xEAtre!");
    return 0;
}
