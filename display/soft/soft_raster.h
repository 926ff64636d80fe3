// soft_raster.h - software reference of the Direct3D 9 sprite pipeline.
//
// Role: draws the gauge's textured quads exactly as Direct3D 9 does with the
// states the compositor sets (pre-transformed vertices, top-left fill rule,
// affine texture coordinates, point or bilinear sampling with wrap
// addressing, MODULATE with the diffuse colour, the blend factors by their
// D3DBLEND numbers, an 8-bit X8R8G8B8 target). Used by the native build's
// compositor, the tests, the snapshot tool and the cross-check against
// Direct3D 9 under Wine. No platform header, no allocation while drawing.
#pragma once

#include "display/sprite_quad.h"

#include <cstdint>

// A texture: A8R8G8B8 texels (blue in the low byte), rows top-down, pitch in
// texels.
struct SoftTexture {
    const uint32_t* texels;
    int32_t width;
    int32_t height;
    int32_t pitch;
    // Optional: every texel outside columns visibleLeft..visibleRight and
    // rows visibleTop..visibleBottom has alpha 0 (left > right: all of them).
    // Lets pairs that leave the destination alone under alpha 0 skip the
    // pixels that can only sample transparent texels; the picture is the
    // same with the defaults, which claim nothing.
    int32_t visibleLeft = 0;
    int32_t visibleTop = 0;
    int32_t visibleRight = INT32_MAX;
    int32_t visibleBottom = INT32_MAX;
};

// A render target: X8R8G8B8 pixels, pitch in pixels.
struct SoftTarget {
    uint32_t* pixels;
    int32_t width;
    int32_t height;
    int32_t pitch;
};

struct SoftDrawState {
    uint32_t sourceBlend;      // D3DBLEND number
    uint32_t destinationBlend; // D3DBLEND number
    bool linearFilter;         // bilinear (true) or point sampling
};

// Draws the strip quad[0..3] (top-left, top-right, bottom-left, bottom-right)
// as two triangles (0,1,2) and (2,1,3), as DrawPrimitiveUP with
// D3DPT_TRIANGLESTRIP would.
void softDrawQuad(const SoftTarget& target, const SoftTexture& texture, const SpriteVertex quad[4],
                  const SoftDrawState& state);
