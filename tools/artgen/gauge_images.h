// gauge_images.h - the eleven images of the instrument, drawn from scratch.
//
// drawGaugeImage(i) paints image i in straight-alpha floats; the geometry the
// renderer relies on (sizes, windows, pivots, radii, colours, alpha laws) is
// fixed here, the wear and grain come from seeded noise. The order is the
// order of GaugeArtwork's slots.
#pragma once

#include "tools/artgen/raster.h"

enum GaugeImageId {
    ImageBezel,
    ImageFace,
    ImageCourseCard,
    ImageNeedle,
    ImageFlagFill,
    ImageFlagCover,
    ImageNavOff,
    ImageGsOff,
    ImageLinkLamp,
    ImagePanelLight,
    ImageLinkGlow,
    GaugeImageCount
};

// File names in gauge/art/, in the same order.
extern const char* const GaugeImageFiles[GaugeImageCount];

Image drawGaugeImage(int id);
