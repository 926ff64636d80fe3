// gauge_artwork.h - the eleven built-in images as sprites.
//
// loadGaugeArtwork() decodes each embedded PNG (gauge/art/) and makes its
// sprite, once, after the surface is open. A slot stays 0 when its image
// fails; the renderer then draws without it.
#pragma once

#include "display/sprite_compositor.h"

struct GaugeArtwork {
    SpriteHandle SpriteBezel;
    SpriteHandle SpriteFace;
    SpriteHandle SpriteCourseCard;
    SpriteHandle SpriteNeedle;
    SpriteHandle SpriteFlagFill;
    SpriteHandle SpriteFlagCover;
    SpriteHandle SpriteNavOff;
    SpriteHandle SpriteGsOff;
    SpriteHandle SpriteLinkLamp;
    SpriteHandle SpritePanelLight;
    SpriteHandle SpriteLinkGlow;
};

extern GaugeArtwork gaugeArtwork;

void loadGaugeArtwork();
