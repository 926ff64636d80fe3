// gauge_artwork.cpp - loadGaugeArtwork: the eleven built-in images as sprites.
//
// Each image is decoded from its embedded PNG bytes, handed to createSprite
// and its buffer freed at once: the sprite's texture keeps the only copy.
// A failure leaves the slot 0 and the next image is loaded all the same.
#include "gauge/gauge_artwork.h"

#include "gauge/embedded_art.h"
#include "gauge/png_decode.h"

GaugeArtwork gaugeArtwork;

SpriteHandle spriteFromPng(const uint8_t* bytes, size_t size) {
    DecodedImage image;
    if (!decodePng(bytes, size, &image)) {
        return 0;
    }
    const SpriteHandle sprite = createSprite(image.width, image.height, image.pixels);
    freeDecodedImage(&image);
    return sprite;
}

void loadArtworkImages(const EmbeddedImage* images, GaugeArtwork* artwork) {
    SpriteHandle* const slots[EmbeddedImageCount] = {
        &artwork->SpriteBezel,      &artwork->SpriteFace,     &artwork->SpriteCourseCard,
        &artwork->SpriteNeedle,     &artwork->SpriteFlagFill, &artwork->SpriteFlagCover,
        &artwork->SpriteNavOff,     &artwork->SpriteGsOff,    &artwork->SpriteLinkLamp,
        &artwork->SpritePanelLight, &artwork->SpriteLinkGlow,
    };
    for (int i = 0; i < EmbeddedImageCount; ++i) {
        *slots[i] = spriteFromPng(images[i].bytes, images[i].size);
    }
}

void loadGaugeArtwork() {
    loadArtworkImages(embeddedImages, &gaugeArtwork);
}
