// soft_raster.h - software reference of the Direct3D 9 sprite pipeline.
//
// Role: draws the gauge's textured quads exactly as Direct3D 9 does with the
// states the compositor sets (pre-transformed vertices, top-left fill rule,
// affine texture coordinates, point or bilinear sampling with wrap
// addressing, MODULATE with the diffuse colour, the blend factors by their
// D3DBLEND numbers, an 8-bit X8R8G8B8 target). Used by the native build's
// compositor, the tests, the snapshot tool and the cross-check against
// Direct3D 9 under Wine. No platform header, no allocation while drawing.
//
// The arithmetic, where Direct3D 9 leaves it to the hardware:
// - Corners snap to 1/256 pixel (8 bits of subpixel precision, round to
//   nearest even); pixel (i, j) is sampled at its centre (i, j). Coverage
//   uses exact integer edge functions on the snapped corners with the
//   top-left rule, so triangles sharing an edge take each pixel on it once.
//   Counter-clockwise triangles are culled, as by the default cull mode.
// - Texel coordinates s = u x width, t = v x height are interpolated
//   affinely from the snapped corners (rhw is 1) and stepped in 32.32 fixed
//   point along each row.
// - Point: texel (floor s, floor t), wrapped. Bilinear: s - 0.5 and t - 0.5
//   rounded to 1/256 texel; the integer parts name the upper-left texel, the
//   8-bit fractions weigh the four (all wrapped); the two rows are each
//   interpolated and then the pair, each step rounded to 8 bits. At texel
//   centres the fractions are 0: an unturned sprite is copied exactly.
// - MODULATE: texel x diffuse per channel, rounded to nearest; the diffuse
//   colour is flat per triangle (its first vertex's).
// - Blend: each of source x factor and destination x factor is rounded to
//   8 bits, the two are added and clamped at 255. The target has no alpha:
//   DESTALPHA reads as 1. The X byte is written as 0. A pair with a number
//   outside 1..15 draws nothing.
// Checked against Direct3D 9 under Wine: unturned and point-sampled draws
// agree pixel for pixel; turned bilinear draws differ by at most 2 in a
// channel on a few percent of pixels (the interpolation precision).
//
// Limits: corners beyond +-32768 px, texel coordinates beyond +-2^20
// texels, targets and textures above 32768 pixels a side are not drawn.
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
