// gauge_artwork.cpp - placeholder: no images yet, every slot stays 0.
#include "gauge/gauge_artwork.h"

GaugeArtwork gaugeArtwork;

void loadGaugeArtwork() {}
