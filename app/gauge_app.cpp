// gauge_app.cpp - start-up, the main loop and the shutdown, in their fixed
// order. The loop never waits for the link: it only reads instrumentState.
#include "app/gauge_app.h"

#include "app/instrument_state.h"
#include "app/pause.h"
#include "display/gauge_window.h"
#include "display/sprite_compositor.h"
#include "gauge/gauge_artwork.h"
#include "gauge/gauge_renderer.h"
#include "settings/settings.h"
#include "simlink/link_threads.h"

const char* const VersionText = "1.01";
const char* const WindowTitle = "VOR Tavrin - 1.01";
const char* const FailureCaption = "Erreur";
const char* const FailureText = "Impossible d'ouvrir un \xE9" "cran dans la fen\xEAtre!";

namespace {

GaugeWindow* gaugeWindow = nullptr;

void failStartup() {
    showMessageBox(gaugeWindow, FailureCaption, FailureText);
    releaseAllSprites();
    closeSurface();
    if (gaugeWindow) {
        destroyGaugeWindow(gaugeWindow);
        gaugeWindow = nullptr;
    }
}

bool startGauge() {
    resetInstrumentState();
    startLinkThreads();
    prepareDirect3D();
    prepareSpriteDrawing();
    loadSettings();
    gaugeWindow = openGaugeWindow(WindowTitle, settings.windowX, settings.windowY);
    // Without a window there is nothing to draw on: same message, same end.
    if (!gaugeWindow) {
        failStartup();
        return false;
    }
    setWindowBackground(gaugeWindow);
    if (!openSurface(gaugeWindow)) {
        failStartup();
        return false;
    }
    makeTopmost(gaugeWindow);
    loadGaugeArtwork();
    setSmoothFiltering(true);
    setNeedleScales();
    drawGauge(); // lastDrawn stays as it is
    return true;
}

void shutDownGauge() {
    saveSettings();
    releaseAllSprites();
    closeSurface();
    destroyGaugeWindow(gaugeWindow);
    gaugeWindow = nullptr;
    // The link threads are neither stopped nor joined: the process end ends them.
}

} // namespace

bool runMainLoopPass() {
    supervisePoller();
    int event = pollEvent();
    if (event == WindowEventMove) {
        int32_t x = 0;
        int32_t y = 0;
        windowPosition(gaugeWindow, &x, &y);
        settings.windowX = x;
        settings.windowY = y;
    }
    if (copyIfChanged()) {
        drawGauge();
    }
    pauseMilliseconds(PassPauseMilliseconds);
    return event == WindowEventClose;
}

bool runGaugeApp() {
    if (!startGauge()) {
        return false;
    }
    while (!runMainLoopPass()) {
    }
    shutDownGauge();
    return true;
}
