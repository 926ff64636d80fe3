// soft_raster.cpp - the software reference of the Direct3D 9 sprite pipeline
// (see soft_raster.h for the model and its precision choices).
//
// Per triangle: snap the corners to the 1/256 px grid, cull it if it winds
// counter-clockwise (the device's default cull mode), set up exact integer
// edge functions and double planes for the texel coordinates, then walk the
// rows of the clipped bounding box. Each row's span comes from the edge
// functions by exact integer division, so no pixel outside the triangle is
// visited; under pairs that keep the destination where alpha is 0, the span
// is narrowed further to the texture's visible window. Along a span the
// texel coordinates step in 32.32 fixed point; unturned sprites take a copy
// path that gives the same pixels without filtering arithmetic.
//
// Limits: corners beyond +-32768 px, texel coordinates beyond +-2^20 texels,
// gradients beyond 2^28 texels a pixel, targets or textures above 32768
// pixels a side are not drawn. None of these comes near a gauge sprite.
#include "display/soft/soft_raster.h"

#include <cmath>
#include <cstdint>
#include <initializer_list>

namespace {

constexpr double SubpixelScale = 256.0; // 8 bits of subpixel precision
constexpr double GuardBand = 32768.0;   // px, each way from the origin
constexpr double TexelLimit = 1048576.0;
constexpr double GradientLimit = 268435456.0;
constexpr int32_t SizeLimit = 32768;
constexpr double FixedOne = 4294967296.0; // 32.32 fixed point
constexpr int64_t FixedHalf = int64_t{1} << 31;

// Four 16-bit lanes B, R, G, A of one A8R8G8B8 texel, so that one 64-bit
// multiply by a weight of at most 256 works on every channel at once.
constexpr uint64_t LaneMask = 0x00FF00FF00FF00FFull;
constexpr uint64_t LaneHalf = 0x0080008000800080ull;

inline uint64_t spread(uint32_t c) {
    return static_cast<uint64_t>(c & 0x00FF00FFu) | (static_cast<uint64_t>(c & 0xFF00FF00u) << 24);
}
inline uint32_t gather(uint64_t v) {
    return static_cast<uint32_t>(v & 0x00FF00FFu) | static_cast<uint32_t>((v >> 24) & 0xFF00FF00u);
}
// Exactly round(x / 255) for 0 <= x <= 65025, on every lane.
inline uint64_t laneDiv255(uint64_t x) {
    const uint64_t u = x + LaneHalf;
    return ((u + ((u >> 8) & LaneMask)) >> 8) & LaneMask;
}
inline uint32_t div255(uint32_t x) {
    const uint32_t u = x + 128u;
    return (u + (u >> 8)) >> 8;
}
// Linear interpolation of 8-bit lanes with an 8-bit fraction w (0..255),
// rounded to nearest, as the filter units of 8-bit hardware do.
inline uint64_t laneLerp(uint64_t a, uint64_t b, uint32_t w) {
    return ((a * (256u - w) + b * w + LaneHalf) >> 8) & LaneMask;
}

inline int64_t floorDiv(int64_t n, int64_t d) { // d > 0
    int64_t q = n / d;
    if ((n % d != 0) && (n < 0)) {
        --q;
    }
    return q;
}

inline int64_t wrapIndex(int64_t i, int32_t n) {
    if (static_cast<uint64_t>(i) < static_cast<uint64_t>(n)) {
        return i;
    }
    int64_t r = i % n;
    return r < 0 ? r + n : r;
}

struct Vertex {
    int64_t x, y; // 1/256 px
    double s, t;  // texels: u x width, v x height
};

// Inside when a*i + b*j + c >= bias, for the pixel centred on (i, j).
struct Edge {
    int64_t a, b, c, bias;
};

// Fill rule (top-left, as Direct3D): a pixel belongs to the triangle when
// its centre lies strictly inside, or exactly on an edge that is a top edge
// (horizontal, with the triangle below it) or a left edge (the triangle to
// its right). Two triangles sharing an edge thus never both take a pixel on
// it, and never both leave it. With y down and clockwise winding on screen,
// a top edge runs to +x with dy = 0 and a left edge runs upwards (dy < 0).
Edge makeEdge(const Vertex& p, const Vertex& q) {
    const int64_t dx = q.x - p.x;
    const int64_t dy = q.y - p.y;
    const bool topLeft = dy < 0 || (dy == 0 && dx > 0);
    // E(P) = dx (Py - py) - dy (Px - px), with P = (256 i, 256 j).
    return Edge{-dy * 256, dx * 256, dy * p.x - dx * p.y, topLeft ? 0 : 1};
}

enum FilterKind { FilterCopy, FilterPoint, FilterLinear };
enum BlendKind { BlendKindNormal, BlendKindShadow, BlendKindLight, BlendKindGeneric };

struct Shading {
    const SoftTexture* texture;
    uint32_t diffuse;   // A8R8G8B8, constant over the triangle
    bool whiteDiffuse;  // colour channels 255: MODULATE keeps the colour
    uint32_t srcFactor; // D3DBLEND numbers
    uint32_t dstFactor;
    bool skipTransparent; // source alpha 0 leaves the destination unchanged
    uint8_t alphaOf[256]; // texel alpha x diffuse alpha, rounded
};

// round(d x d / 255): what DESTCOLOR makes of a destination channel.
struct SquareTable {
    uint8_t v[256];
    constexpr SquareTable() : v() {
        for (uint32_t d = 0; d < 256; ++d) {
            v[d] = static_cast<uint8_t>((d * d + 127) / 255);
        }
    }
};
constexpr SquareTable squareOf{};

// One factor of the blend, per channel (0..255). X8R8G8B8 has no alpha:
// the destination's alpha reads as 1, as Direct3D reads it.
inline uint32_t blendFactor(uint32_t code, uint32_t sc, uint32_t sa, uint32_t dc) {
    switch (code) {
    case 1: // ZERO
        return 0;
    case 2: // ONE
        return 255;
    case 3: // SRCCOLOR
        return sc;
    case 4: // INVSRCCOLOR
        return 255 - sc;
    case 5: // SRCALPHA
        return sa;
    case 6: // INVSRCALPHA
        return 255 - sa;
    case 7: // DESTALPHA
        return 255;
    case 8: // INVDESTALPHA
        return 0;
    case 9: // DESTCOLOR
        return dc;
    case 10: // INVDESTCOLOR
        return 255 - dc;
    case 11: // SRCALPHASAT: min(As, 1 - Ad), and Ad is 1
        return 0;
    case 14: // BLENDFACTOR, at its default of white
        return 255;
    case 15: // INVBLENDFACTOR
        return 0;
    default:
        return 0;
    }
}

// Modulated source: texture x diffuse per channel, rounded to 8 bits.
inline uint32_t modulate(uint32_t texel, const Shading& sh) {
    if (sh.whiteDiffuse) {
        return (texel & 0x00FFFFFFu) | (static_cast<uint32_t>(sh.alphaOf[texel >> 24]) << 24);
    }
    const uint32_t diffuse = sh.diffuse;
    uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const uint32_t c = div255(((texel >> shift) & 0xFFu) * ((diffuse >> shift) & 0xFFu));
        out |= c << shift;
    }
    return out;
}

// Blends the modulated source into *pixel: each of the two products is
// rounded to 8 bits, then they are added and clamped, as 8-bit blend units
// do. The X byte is written as 0.
template <BlendKind Blend>
inline void blendPixel(uint32_t* pixel, uint32_t src, const Shading& sh) {
    const uint32_t sa = src >> 24;
    if (Blend == BlendKindNormal) {
        if (sa == 0) {
            return;
        }
        if (sa == 255) {
            *pixel = src & 0x00FFFFFFu;
            return;
        }
        // Neither term can carry: round(s a) + round(d (1 - a)) <= 255.
        const uint64_t sum =
            laneDiv255(spread(src) * sa) + laneDiv255(spread(*pixel) * (255u - sa));
        *pixel = gather(sum) & 0x00FFFFFFu;
    } else if (Blend == BlendKindShadow) {
        if (sa == 0) {
            return;
        }
        *pixel = gather(laneDiv255(spread(*pixel) * (255u - sa))) & 0x00FFFFFFu;
    } else if (Blend == BlendKindLight) {
        // src x As + dst x dst, clamped: squares the destination also where
        // the source is transparent.
        const uint32_t dst = *pixel;
        const uint32_t d0 = dst & 0xFFu, d1 = (dst >> 8) & 0xFFu, d2 = (dst >> 16) & 0xFFu;
        if (sa == 0) {
            *pixel = static_cast<uint32_t>(squareOf.v[d0]) |
                     (static_cast<uint32_t>(squareOf.v[d1]) << 8) |
                     (static_cast<uint32_t>(squareOf.v[d2]) << 16);
            return;
        }
        // Both terms are at most 255, so a lane's sum fits 9 bits; a lane
        // whose bit 8 is set clamps to 255.
        const uint64_t squares = static_cast<uint64_t>(squareOf.v[d0]) |
                                 (static_cast<uint64_t>(squareOf.v[d2]) << 16) |
                                 (static_cast<uint64_t>(squareOf.v[d1]) << 32);
        const uint64_t sum = laneDiv255(spread(src) * sa) + squares;
        const uint64_t over = ((sum >> 8) & 0x0001000100010001ull) * 0xFFu;
        *pixel = gather((sum | over) & LaneMask) & 0x00FFFFFFu;
    } else {
        if (sa == 0 && sh.skipTransparent) {
            return;
        }
        uint32_t sf = sh.srcFactor;
        uint32_t df = sh.dstFactor;
        if (sf == 12) { // BOTHSRCALPHA: As and 1 - As, whatever the other says
            sf = 5;
            df = 6;
        } else if (sf == 13) { // BOTHINVSRCALPHA: 1 - As and As
            sf = 6;
            df = 5;
        }
        const uint32_t dst = *pixel;
        uint32_t out = 0;
        for (int shift = 0; shift < 24; shift += 8) {
            const uint32_t sc = (src >> shift) & 0xFFu;
            const uint32_t dc = (dst >> shift) & 0xFFu;
            const uint32_t c =
                div255(sc * blendFactor(sf, sc, sa, dc)) + div255(dc * blendFactor(df, sc, sa, dc));
            out |= (c > 255u ? 255u : c) << shift;
        }
        *pixel = out;
    }
}

struct Span {
    uint32_t* row;  // target row
    int32_t i0, i1; // first and last pixel, inclusive
    int64_t s, t;   // 32.32 texel coordinates at pixel i0
    int64_t dsdx, dtdx;
};

inline uint32_t texelAt(const SoftTexture& tx, int64_t u, int64_t v) {
    return tx.texels[v * tx.pitch + u];
}

template <FilterKind Filter, BlendKind Blend> void drawSpan(const Span& sp, const Shading& sh) {
    const SoftTexture& tx = *sh.texture;
    const int32_t w = tx.width;
    const int32_t h = tx.height;
    uint32_t* pixel = sp.row + sp.i0;
    uint32_t* const end = sp.row + sp.i1 + 1;
    if (Filter == FilterCopy) {
        // Unit steps with texel centres on pixel centres: both filters give
        // the texel itself.
        int64_t u = wrapIndex(sp.s >> 32, w);
        const uint32_t* texRow = tx.texels + wrapIndex(sp.t >> 32, h) * tx.pitch;
        for (; pixel != end; ++pixel) {
            blendPixel<Blend>(pixel, modulate(texRow[u], sh), sh);
            if (++u == w) {
                u = 0;
            }
        }
        return;
    }
    int64_t s = sp.s;
    int64_t t = sp.t;
    if (Filter == FilterPoint) {
        for (; pixel != end; ++pixel, s += sp.dsdx, t += sp.dtdx) {
            const uint32_t c = texelAt(tx, wrapIndex(s >> 32, w), wrapIndex(t >> 32, h));
            blendPixel<Blend>(pixel, modulate(c, sh), sh);
        }
        return;
    }
    // Bilinear: the sample point less half a texel, rounded to 1/256 texel;
    // its integer part names the upper-left of the four texels, its fraction
    // weighs them.
    const int64_t bias = -FixedHalf + (int64_t{1} << 23);
    s += bias;
    t += bias;
    for (; pixel != end; ++pixel, s += sp.dsdx, t += sp.dtdx) {
        const int64_t su = s >> 24;
        const int64_t tv = t >> 24;
        const int64_t u0 = su >> 8;
        const int64_t v0 = tv >> 8;
        int64_t x0, x1, y0, y1;
        if (static_cast<uint64_t>(u0) < static_cast<uint64_t>(w - 1)) {
            x0 = u0;
            x1 = u0 + 1;
        } else {
            x0 = wrapIndex(u0, w);
            x1 = wrapIndex(u0 + 1, w);
        }
        if (static_cast<uint64_t>(v0) < static_cast<uint64_t>(h - 1)) {
            y0 = v0;
            y1 = v0 + 1;
        } else {
            y0 = wrapIndex(v0, h);
            y1 = wrapIndex(v0 + 1, h);
        }
        const uint32_t* r0 = tx.texels + y0 * tx.pitch;
        const uint32_t* r1 = tx.texels + y1 * tx.pitch;
        const uint32_t c00 = r0[x0], c10 = r0[x1], c01 = r1[x0], c11 = r1[x1];
        if (sh.skipTransparent && ((c00 | c10 | c01 | c11) >> 24) == 0) {
            continue; // all four transparent: the sample's alpha is 0
        }
        const uint32_t fu = static_cast<uint32_t>(su & 255);
        const uint32_t fv = static_cast<uint32_t>(tv & 255);
        const uint64_t top = laneLerp(spread(c00), spread(c10), fu);
        const uint64_t bottom = laneLerp(spread(c01), spread(c11), fu);
        const uint32_t c = gather(laneLerp(top, bottom, fv));
        blendPixel<Blend>(pixel, modulate(c, sh), sh);
    }
}

using SpanFn = void (*)(const Span&, const Shading&);

template <FilterKind Filter> SpanFn pickBlend(BlendKind blend) {
    switch (blend) {
    case BlendKindNormal:
        return drawSpan<Filter, BlendKindNormal>;
    case BlendKindShadow:
        return drawSpan<Filter, BlendKindShadow>;
    case BlendKindLight:
        return drawSpan<Filter, BlendKindLight>;
    default:
        return drawSpan<Filter, BlendKindGeneric>;
    }
}

bool validFactor(uint32_t f) {
    return f >= 1 && f <= 15;
}

bool snapVertex(const SpriteVertex& in, const SoftTexture& tx, Vertex* out) {
    const double x = in.x;
    const double y = in.y;
    if (!(std::fabs(x) <= GuardBand) || !(std::fabs(y) <= GuardBand)) {
        return false;
    }
    const double s = static_cast<double>(in.u) * tx.width;
    const double t = static_cast<double>(in.v) * tx.height;
    if (!(std::fabs(s) <= TexelLimit) || !(std::fabs(t) <= TexelLimit)) {
        return false;
    }
    *out = Vertex{std::llrint(x * SubpixelScale), std::llrint(y * SubpixelScale), s, t};
    return true;
}

void setDiffuse(Shading* sh, uint32_t diffuse) {
    sh->diffuse = diffuse;
    sh->whiteDiffuse = (diffuse & 0x00FFFFFFu) == 0x00FFFFFFu;
    const uint32_t da = diffuse >> 24;
    for (uint32_t a = 0; a < 256; ++a) {
        sh->alphaOf[a] = static_cast<uint8_t>(div255(a * da));
    }
}

inline int64_t ceilPixel(int64_t sub) {
    return -floorDiv(-sub, 256);
}

// Texel-space window outside which every sample is transparent: the texels
// that a bilinear sample at s touches are floor(s - 0.5) and the next one.
struct VisibleWindow {
    bool clipS, clipT;
    double sLo, sHi, tLo, tHi;
};

// Narrows lo..hi to the pixels i where base + slope x i lies within
// [low, high], keeping a pixel more on each side than the arithmetic needs.
inline void clipToWindow(double base, double slope, double low, double high, int64_t* lo,
                         int64_t* hi) {
    if (slope == 0.0) {
        if (base < low || base > high) {
            *hi = *lo - 1;
        }
        return;
    }
    double a = (low - base) / slope;
    double b = (high - base) / slope;
    if (slope < 0.0) {
        const double swap = a;
        a = b;
        b = swap;
    }
    const double first = std::floor(a) - 1.0;
    const double last = std::ceil(b) + 1.0;
    if (first > static_cast<double>(*lo)) {
        *lo = first > static_cast<double>(*hi) ? *hi + 1 : static_cast<int64_t>(first);
    }
    if (last < static_cast<double>(*hi)) {
        *hi = last < static_cast<double>(*lo) ? *lo - 1 : static_cast<int64_t>(last);
    }
}

void drawTriangle(const SoftTarget& target, const Vertex& v0, const Vertex& v1, const Vertex& v2,
                  const SoftDrawState& state, const Shading& shading, const VisibleWindow& window,
                  BlendKind blend) {
    const int64_t area = (v1.x - v0.x) * (v2.y - v0.y) - (v2.x - v0.x) * (v1.y - v0.y);
    if (area <= 0) {
        return; // degenerate, or counter-clockwise: culled
    }
    const Edge edges[3] = {makeEdge(v0, v1), makeEdge(v1, v2), makeEdge(v2, v0)};

    // Pixel centres inside the bounding box, clipped to the target.
    int64_t minX = v0.x, maxX = v0.x, minY = v0.y, maxY = v0.y;
    for (const Vertex* v : {&v1, &v2}) {
        minX = v->x < minX ? v->x : minX;
        maxX = v->x > maxX ? v->x : maxX;
        minY = v->y < minY ? v->y : minY;
        maxY = v->y > maxY ? v->y : maxY;
    }
    int64_t i0 = ceilPixel(minX), i1 = floorDiv(maxX, 256);
    int64_t j0 = ceilPixel(minY), j1 = floorDiv(maxY, 256);
    i0 = i0 < 0 ? 0 : i0;
    j0 = j0 < 0 ? 0 : j0;
    i1 = i1 > target.width - 1 ? target.width - 1 : i1;
    j1 = j1 > target.height - 1 ? target.height - 1 : j1;
    if (i0 > i1 || j0 > j1) {
        return;
    }

    // Texel-coordinate planes over the snapped corners (affine: rhw is 1).
    const double x0 = static_cast<double>(v0.x) / SubpixelScale;
    const double y0 = static_cast<double>(v0.y) / SubpixelScale;
    const double ex1 = static_cast<double>(v1.x - v0.x) / SubpixelScale;
    const double ey1 = static_cast<double>(v1.y - v0.y) / SubpixelScale;
    const double ex2 = static_cast<double>(v2.x - v0.x) / SubpixelScale;
    const double ey2 = static_cast<double>(v2.y - v0.y) / SubpixelScale;
    const double areaPx = ex1 * ey2 - ex2 * ey1;
    const double ds1 = v1.s - v0.s, ds2 = v2.s - v0.s;
    const double dt1 = v1.t - v0.t, dt2 = v2.t - v0.t;
    const double dsdx = (ds1 * ey2 - ds2 * ey1) / areaPx;
    const double dsdy = (ds2 * ex1 - ds1 * ex2) / areaPx;
    const double dtdx = (dt1 * ey2 - dt2 * ey1) / areaPx;
    const double dtdy = (dt2 * ex1 - dt1 * ex2) / areaPx;
    if (!(std::fabs(dsdx) <= GradientLimit) || !(std::fabs(dsdy) <= GradientLimit) ||
        !(std::fabs(dtdx) <= GradientLimit) || !(std::fabs(dtdy) <= GradientLimit)) {
        return;
    }
    const int64_t dsdxFx = std::llrint(dsdx * FixedOne);
    const int64_t dtdxFx = std::llrint(dtdx * FixedOne);

    // Unit steps with texel centres on pixel centres (every unturned sprite)
    // sample the texel itself with either filter.
    const bool unit = dsdx == 1.0 && dsdy == 0.0 && dtdx == 0.0 && dtdy == 1.0;
    bool centred = false;
    if (unit) {
        const int64_t s00 = std::llrint((v0.s - x0) * FixedOne);
        const int64_t t00 = std::llrint((v0.t - y0) * FixedOne);
        centred =
            ((s00 - FixedHalf) & 0xFFFFFFFFll) == 0 && ((t00 - FixedHalf) & 0xFFFFFFFFll) == 0;
    }
    SpanFn fn;
    if (unit && centred) {
        fn = pickBlend<FilterCopy>(blend);
    } else if (state.linearFilter) {
        fn = pickBlend<FilterLinear>(blend);
    } else {
        fn = pickBlend<FilterPoint>(blend);
    }

    for (int64_t j = j0; j <= j1; ++j) {
        int64_t lo = i0, hi = i1;
        for (const Edge& e : edges) {
            const int64_t r = e.b * j + e.c - e.bias; // inside: a i + r >= 0
            if (e.a > 0) {
                const int64_t m = -floorDiv(r, e.a); // ceil(-r / a)
                lo = m > lo ? m : lo;
            } else if (e.a < 0) {
                const int64_t m = floorDiv(r, -e.a);
                hi = m < hi ? m : hi;
            } else if (r < 0) {
                hi = lo - 1;
            }
        }
        if (lo > hi) {
            continue;
        }
        if (window.clipS) {
            const double base = v0.s - dsdx * x0 + dsdy * (static_cast<double>(j) - y0);
            clipToWindow(base, dsdx, window.sLo, window.sHi, &lo, &hi);
        }
        if (window.clipT) {
            const double base = v0.t - dtdx * x0 + dtdy * (static_cast<double>(j) - y0);
            clipToWindow(base, dtdx, window.tLo, window.tHi, &lo, &hi);
        }
        if (lo > hi) {
            continue;
        }
        const double sj =
            v0.s + dsdx * (static_cast<double>(lo) - x0) + dsdy * (static_cast<double>(j) - y0);
        const double tj =
            v0.t + dtdx * (static_cast<double>(lo) - x0) + dtdy * (static_cast<double>(j) - y0);
        Span span{target.pixels + j * target.pitch,
                  static_cast<int32_t>(lo),
                  static_cast<int32_t>(hi),
                  std::llrint(sj * FixedOne),
                  std::llrint(tj * FixedOne),
                  dsdxFx,
                  dtdxFx};
        fn(span, shading);
    }
}

} // namespace

void softDrawQuad(const SoftTarget& target, const SoftTexture& texture, const SpriteVertex quad[4],
                  const SoftDrawState& state) {
    if (!target.pixels || target.width <= 0 || target.height <= 0 || target.width > SizeLimit ||
        target.height > SizeLimit || target.pitch < target.width || !texture.texels ||
        texture.width <= 0 || texture.height <= 0 || texture.width > SizeLimit ||
        texture.height > SizeLimit || texture.pitch < texture.width || !quad) {
        return;
    }
    // A factor the device does not know makes the draw fail: nothing changes.
    if (!validFactor(state.sourceBlend) || !validFactor(state.destinationBlend)) {
        return;
    }
    Vertex v[4];
    for (int k = 0; k < 4; ++k) {
        if (!snapVertex(quad[k], texture, &v[k])) {
            return;
        }
    }

    const uint32_t sf = state.sourceBlend;
    const uint32_t df = state.destinationBlend;
    BlendKind blend = BlendKindGeneric;
    if (sf == 5 && df == 6) {
        blend = BlendKindNormal;
    } else if (sf == 1 && df == 6) {
        blend = BlendKindShadow;
    } else if (sf == 5 && df == 9) {
        blend = BlendKindLight;
    }
    // Where the source alpha is 0, SRCALPHA and ZERO bring nothing and ONE and
    // INVSRCALPHA keep the destination exactly.
    const bool skip = (sf == 1 || sf == 5) && (df == 2 || df == 6);

    // Flat colour per triangle: its first vertex's, as the four corners of a
    // sprite all carry the same.
    const uint32_t d0 = quad[0].diffuse;
    const uint32_t d2 = quad[2].diffuse;
    if (skip && (d0 >> 24) == 0 && (d2 >> 24) == 0) {
        return; // intensity 0 under such a pair changes nothing
    }

    // Under such a pair, pixels that can only sample transparent texels are
    // left out. A window touching an edge of the texture is not used, since
    // wrapping brings that edge's texels to the other side.
    VisibleWindow window{false, false, 0, 0, 0, 0};
    if (skip) {
        const SoftTexture& t = texture;
        const bool noneVisible = t.visibleLeft > t.visibleRight || t.visibleTop > t.visibleBottom;
        if (noneVisible) {
            return;
        }
        const double margin = 1.0 / 64;
        if (t.visibleLeft >= 1 && t.visibleRight <= t.width - 2) {
            window.clipS = true;
            window.sLo = t.visibleLeft - 0.5 - margin;
            window.sHi = t.visibleRight + 1.5 + margin;
        }
        if (t.visibleTop >= 1 && t.visibleBottom <= t.height - 2) {
            window.clipT = true;
            window.tLo = t.visibleTop - 0.5 - margin;
            window.tHi = t.visibleBottom + 1.5 + margin;
        }
    }

    Shading shading;
    shading.texture = &texture;
    shading.srcFactor = sf;
    shading.dstFactor = df;
    shading.skipTransparent = skip;
    setDiffuse(&shading, d0);
    drawTriangle(target, v[0], v[1], v[2], state, shading, window, blend);
    if (d2 != d0) {
        setDiffuse(&shading, d2);
    }
    drawTriangle(target, v[2], v[1], v[3], state, shading, window, blend);
}
