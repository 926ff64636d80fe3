// sprite_compositor.h - sprites drawn with position, turn, intensity and blend.
//
// The one drawing layer of the instrument: an image becomes a sprite once;
// each frame draws sprites into the surface's back buffer. Two builds of this
// interface: display/win32 (Direct3D 9) and display/soft (the software
// reference, which gives the same pixels). Main thread only.
//
// Coordinates are back-buffer pixels with pixel (i, j) centred on (i, j), as
// in Direct3D 9's pre-transformed vertices. Angles are degrees, positive
// clockwise on screen, about the image's centre. Blend factors are Direct3D 9
// D3DBLEND numbers, taken as they are.
#pragma once

#include <cstdint>

using SpriteHandle = uint32_t; // 0 = no sprite; every operation given 0 does nothing

enum : uint32_t {
    BlendFactorZero = 1,
    BlendFactorOne = 2,
    BlendFactorSrcColor = 3,
    BlendFactorInvSrcColor = 4,
    BlendFactorSrcAlpha = 5,
    BlendFactorInvSrcAlpha = 6,
    BlendFactorDestAlpha = 7,
    BlendFactorInvDestAlpha = 8,
    BlendFactorDestColor = 9,
    BlendFactorInvDestColor = 10,
};

struct BlendPair {
    uint32_t source;
    uint32_t destination;
};

constexpr BlendPair BlendNormal{BlendFactorSrcAlpha, BlendFactorInvSrcAlpha};
constexpr BlendPair BlendShadow{BlendFactorZero, BlendFactorInvSrcAlpha};
constexpr BlendPair BlendLight{BlendFactorSrcAlpha, BlendFactorDestColor};

void prepareSpriteDrawing();
// rows: height rows of width pixels, each pixel the bytes B, G, R, A.
SpriteHandle createSprite(int32_t width, int32_t height, const uint8_t* rows);
bool beginFrame();
void setBlendPair(uint32_t sourceFactor, uint32_t destinationFactor);
inline void setBlendPair(BlendPair pair) { setBlendPair(pair.source, pair.destination); }
void setSpriteAngle(SpriteHandle sprite, float degrees);
void drawSprite(SpriteHandle sprite, int32_t x, int32_t y, uint8_t intensity);
void endFrame();
void releaseAllSprites();
void setSmoothFiltering(bool on);
