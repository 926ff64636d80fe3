// sprite_quad.h - the four vertices of one sprite draw, shared by both
// compositors so that Direct3D 9 and the software reference rasterise the
// very same floats.
//
// A w x h image with its top-left pixel at (x, y) covers (x - 0.5, y - 0.5) to
// (x + w - 0.5, y + h - 0.5): pixel centres lie on integers, as for Direct3D
// 9's pre-transformed vertices, so an unturned sprite is copied texel for
// texel. A turn other than exactly 0 rotates each corner about the image's
// centre (x + (w - 1)/2, y + (h - 1)/2), clockwise on screen for a positive
// angle. Texture coordinates are (0,0), (1,0), (0,1), (1,1): the whole texture
// and nothing else.
#pragma once

#include <cstdint>

// One vertex as Direct3D 9 takes it with D3DFVF_XYZRHW | D3DFVF_DIFFUSE |
// D3DFVF_TEX1: 28 bytes, no padding.
struct SpriteVertex {
    float x, y, z, rhw;
    uint32_t diffuse; // A8R8G8B8
    float u, v;
};
static_assert(sizeof(SpriteVertex) == 28, "vertex layout must match the FVF");

// degrees x 2 pi / 360, in 32-bit floats.
float spriteRadians(float degrees);

// Fills quad[0..3] in strip order: top-left, top-right, bottom-left,
// bottom-right. z = 0, rhw = 1, diffuse white with the intensity as alpha.
void placeSpriteQuad(SpriteVertex quad[4], int32_t x, int32_t y, int32_t width, int32_t height,
                     float radians, uint8_t intensity);
