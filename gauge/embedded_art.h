// embedded_art.h - the built-in PNG files and how they become sprites.
//
// embeddedImages[] holds the complete bytes of gauge/art/*.png in the order
// of GaugeArtwork's slots; the build generates its definition from the files
// (gauge/embed_art.cmake), so nothing is read from disk at run time.
//
// loadArtworkImages() is loadGaugeArtwork() over any table of images: each
// image is decoded and made a sprite on its own, and one that fails leaves
// its slot 0 without stopping the others.
#pragma once

#include "display/sprite_compositor.h"
#include "gauge/gauge_artwork.h"

#include <cstddef>
#include <cstdint>

struct EmbeddedImage {
    const char* name; // file name in gauge/art/
    const uint8_t* bytes;
    size_t size;
};

enum : int { EmbeddedImageCount = 11 };

extern const EmbeddedImage embeddedImages[EmbeddedImageCount];

// Decodes one PNG and hands its rows to createSprite; 0 if either fails.
SpriteHandle spriteFromPng(const uint8_t* bytes, size_t size);

// images: EmbeddedImageCount entries in slot order (bezel, face, course card,
// needle, flag fill, flag cover, NAV OFF, GS OFF, lamp, panel light, glow).
void loadArtworkImages(const EmbeddedImage* images, GaugeArtwork* artwork);
