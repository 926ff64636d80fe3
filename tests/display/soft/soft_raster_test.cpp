// soft_raster_test.cpp - softDrawQuad against its own small targets: the
// fill rule (each pixel once, seams included), exact unturned copies, the
// bilinear weights with wrap addressing, the blend factors and bad input.
#include "display/soft/soft_raster.h"
#include "display/sprite_quad.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

namespace {

constexpr uint32_t Sentinel = 0x00123456u;

struct Buffer {
    int32_t width, height;
    std::vector<uint32_t> pixels;
    Buffer(int32_t w, int32_t h, uint32_t fill = 0)
        : width(w), height(h), pixels(static_cast<size_t>(w) * h, fill) {}
    SoftTarget target() { return SoftTarget{pixels.data(), width, height, width}; }
    SoftTexture texture() const { return SoftTexture{pixels.data(), width, height, width}; }
    uint32_t at(int32_t x, int32_t y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// Deterministic texels with every channel varied.
Buffer patternTexture(int32_t w, int32_t h, bool opaque) {
    Buffer t(w, h);
    uint32_t seed = 12345u + static_cast<uint32_t>(w * 31 + h);
    for (uint32_t& p : t.pixels) {
        seed = seed * 1664525u + 1013904223u;
        p = seed;
        if (opaque) {
            p |= 0xFF000000u;
        }
    }
    return t;
}

SoftDrawState pair(uint32_t s, uint32_t d, bool linear = false) {
    return SoftDrawState{s, d, linear};
}

// Corners of an axis-aligned quad from (l, t) to (r, b), strip order.
void rectQuad(SpriteVertex q[4], float l, float t, float r, float b, uint8_t intensity = 255) {
    placeSpriteQuad(q, 0, 0, 1, 1, 0.0f, intensity);
    const float xs[4] = {l, r, l, r};
    const float ys[4] = {t, t, b, b};
    for (int k = 0; k < 4; ++k) {
        q[k].x = xs[k];
        q[k].y = ys[k];
    }
}

struct CopyCase {
    int32_t w, h, x, y;
    bool linear;
};

TEST(SoftRaster, UnturnedQuadCopiesTexelForTexelWithEitherFilter) {
    const CopyCase cases[] = {
        {7, 5, 3, 2, false},    {7, 5, 3, 2, true},      {38, 41, -10, -20, true},
        {23, 49, 30, 10, true}, {64, 64, 20, 20, false}, {9, 3, 0, 0, true},
    };
    for (const CopyCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.w << "x" << c.h << " at " << c.x << "," << c.y
                                        << (c.linear ? " linear" : " point"));
        const Buffer tex = patternTexture(c.w, c.h, true);
        Buffer dst(48, 40, Sentinel);
        SpriteVertex q[4];
        placeSpriteQuad(q, c.x, c.y, c.w, c.h, 0.0f, 255);
        softDrawQuad(dst.target(), tex.texture(), q, pair(2, 1, c.linear)); // ONE, ZERO
        for (int32_t j = 0; j < dst.height; ++j) {
            for (int32_t i = 0; i < dst.width; ++i) {
                const int32_t u = i - c.x, v = j - c.y;
                const bool inside = u >= 0 && u < c.w && v >= 0 && v < c.h;
                const uint32_t want = inside ? (tex.at(u, v) & 0x00FFFFFFu) : Sentinel;
                ASSERT_EQ(dst.at(i, j), want) << "pixel " << i << "," << j;
            }
        }
    }
}

// Additive drawing of a texture whose blue is 1 counts how often each pixel
// is taken. The exact pixel set of the quad is checked against pixel centres
// well inside and well outside the parallelogram.
struct TurnCase {
    int32_t w, h, x, y;
    float degrees;
};

TEST(SoftRaster, TurnedQuadCoversEachPixelOnceAlongItsSeam) {
    const TurnCase cases[] = {
        {40, 40, 10, 10, 0.0f},     {40, 40, 10, 10, 90.0f},      {40, 40, 10, 10, 45.0f},
        {40, 40, 10, 10, 180.0f},   {40, 40, 10, 10, 360.0f},     {41, 41, 9, 9, 270.0f},
        {416, 300, -208, -4, 0.1f}, {416, 300, -57, -156, 90.1f}, {416, 300, -57, -156, 113.28f},
        {38, 41, 12, 7, 30.0f},     {23, 49, 20, 5, -17.5f},      {300, 300, 0, 0, 359.0f},
        {3, 3, 20, 20, 45.0f},      {60, 2, 0, 30, 1e-3f},
    };
    for (const TurnCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.w << "x" << c.h << " at " << c.x << "," << c.y
                                        << " turned " << c.degrees);
        Buffer tex(c.w, c.h, 0xFF000001u);
        Buffer dst(300, 300, 0);
        SpriteVertex q[4];
        placeSpriteQuad(q, c.x, c.y, c.w, c.h, spriteRadians(c.degrees), 255);
        softDrawQuad(dst.target(), tex.texture(), q, pair(2, 2)); // ONE, ONE

        // Inside test against the exact corners: the parallelogram q0 q1 q3 q2.
        const double ox = q[0].x, oy = q[0].y;
        const double ax = q[1].x - ox, ay = q[1].y - oy; // along the width
        const double bx = q[2].x - ox, by = q[2].y - oy; // along the height
        const double det = ax * by - ay * bx;
        const double margin = 0.01;
        int covered = 0;
        for (int32_t j = 0; j < dst.height; ++j) {
            for (int32_t i = 0; i < dst.width; ++i) {
                const uint32_t n = dst.at(i, j);
                ASSERT_LE(n, 1u) << "pixel " << i << "," << j << " drawn twice";
                covered += static_cast<int>(n);
                const double px = i - ox, py = j - oy;
                const double a = (px * by - py * bx) / det; // 0..1 across the width
                const double b = (ax * py - ay * px) / det; // 0..1 across the height
                const double ma = margin / c.w, mb = margin / c.h;
                if (a > ma && a < 1 - ma && b > mb && b < 1 - mb) {
                    ASSERT_EQ(n, 1u) << "pixel " << i << "," << j << " left out";
                } else if (a < -ma || a > 1 + ma || b < -mb || b > 1 + mb) {
                    ASSERT_EQ(n, 0u) << "pixel " << i << "," << j << " outside drawn";
                }
            }
        }
        EXPECT_GT(covered, 0);
    }
}

TEST(SoftRaster, QuadsSharingAnEdgeTakeItsPixelsOnce) {
    // The neighbour starts where the first quad ends: the very same floats on
    // the shared edge, at any slant.
    for (float degrees : {0.0f, 7.0f, 33.3f, 45.0f, 90.1f, 123.0f, 200.0f, 301.0f}) {
        SCOPED_TRACE(degrees);
        Buffer tex(37, 29, 0xFF000001u);
        Buffer dst(200, 200, 0);
        SpriteVertex a[4], b[4];
        placeSpriteQuad(a, 60, 70, 37, 29, spriteRadians(degrees), 255);
        const float wx = a[1].x - a[0].x, wy = a[1].y - a[0].y;
        b[0] = a[1];
        b[2] = a[3];
        b[1] = a[1];
        b[3] = a[3];
        b[1].x += wx;
        b[1].y += wy;
        b[3].x += wx;
        b[3].y += wy;
        softDrawQuad(dst.target(), tex.texture(), a, pair(2, 2));
        softDrawQuad(dst.target(), tex.texture(), b, pair(2, 2));
        const double ox = a[0].x, oy = a[0].y, bx = a[2].x - ox, by = a[2].y - oy;
        const double det = 2 * wx * by - 2 * wy * bx;
        for (int32_t j = 0; j < dst.height; ++j) {
            for (int32_t i = 0; i < dst.width; ++i) {
                const uint32_t n = dst.at(i, j);
                ASSERT_LE(n, 1u) << i << "," << j;
                const double px = i - ox, py = j - oy;
                const double u = (px * by - py * bx) / det;
                const double v = (2 * wx * py - 2 * wy * px) / det;
                if (u > 0.001 && u < 0.999 && v > 0.001 && v < 0.999) {
                    ASSERT_EQ(n, 1u) << "gap at " << i << "," << j;
                }
            }
        }
    }
}

TEST(SoftRaster, VisibleWindowLeavesThePictureAsItIs) {
    // A needle-like texture, transparent but for a bar, and one whose bar
    // touches the texture's edge (where wrapping carries it across): drawn
    // with and without the window claimed, the pictures are identical.
    for (int32_t barEnd : {40, 47}) {
        Buffer tex(48, 20, 0x00FFFFFFu);
        for (int32_t x = 24; x <= barEnd; ++x) {
            for (int32_t y = 8; y <= 11; ++y) {
                tex.pixels[y * 48 + x] = 0xC0F0E0D0u + static_cast<uint32_t>(x);
            }
        }
        SoftTexture windowed = tex.texture();
        windowed.visibleLeft = 24;
        windowed.visibleRight = barEnd;
        windowed.visibleTop = 8;
        windowed.visibleBottom = 11;
        for (float degrees : {0.0f, 0.1f, 30.0f, 90.1f, 181.0f, 250.0f}) {
            for (uint32_t sf : {5u, 1u}) {
                for (bool linear : {false, true}) {
                    SCOPED_TRACE(testing::Message()
                                 << barEnd << " " << degrees << " " << sf << " " << linear);
                    Buffer plain(80, 80, 0x00808080u), clipped(80, 80, 0x00808080u);
                    SpriteVertex q[4];
                    placeSpriteQuad(q, 16, 30, 48, 20, spriteRadians(degrees), 200);
                    softDrawQuad(plain.target(), tex.texture(), q, pair(sf, 6, linear));
                    softDrawQuad(clipped.target(), windowed, q, pair(sf, 6, linear));
                    ASSERT_EQ(clipped.pixels, plain.pixels);
                    ASSERT_NE(plain.pixels, Buffer(80, 80, 0x00808080u).pixels);
                }
            }
        }
    }
}

TEST(SoftRaster, PixelCentresOnEdgesFollowTheTopLeftRule) {
    // Corners on pixel centres: the top and left edges take their pixels, the
    // right and bottom edges do not; the diagonal through (3,1), (2,2), (1,3)
    // goes to one triangle only.
    Buffer tex(1, 1, 0xFF000001u);
    Buffer dst(8, 8, 0);
    SpriteVertex q[4];
    rectQuad(q, 1.0f, 2.0f, 5.0f, 6.0f);
    softDrawQuad(dst.target(), tex.texture(), q, pair(2, 2));
    for (int32_t j = 0; j < 8; ++j) {
        for (int32_t i = 0; i < 8; ++i) {
            const bool inside = i >= 1 && i <= 4 && j >= 2 && j <= 5;
            EXPECT_EQ(dst.at(i, j), inside ? 1u : 0u) << i << "," << j;
        }
    }
    // An edge a little less than half a subpixel off a centre snaps onto it.
    Buffer dst2(8, 8, 0);
    rectQuad(q, 1.0f + 1.0f / 1024, 2.0f - 1.0f / 1024, 5.0f + 1.0f / 1024, 6.0f);
    softDrawQuad(dst2.target(), tex.texture(), q, pair(2, 2));
    EXPECT_EQ(dst2.pixels, dst.pixels);
}

TEST(SoftRaster, BilinearWeighsHalfwayTexelsEquallyAndWraps) {
    // Shifted right by half a pixel, each pixel centre falls midway between
    // two texel centres; the first one's left neighbour is the last column.
    const uint32_t row[4] = {0xFF102030u, 0xFF405060u, 0x80FFFFFFu, 0x00000000u};
    Buffer tex(4, 1);
    for (int k = 0; k < 4; ++k) {
        tex.pixels[k] = row[k];
    }
    auto lerpHalf = [](uint32_t a, uint32_t b) {
        uint32_t out = 0;
        for (int sh = 0; sh < 32; sh += 8) {
            const uint32_t c = (((a >> sh) & 255u) * 128u + ((b >> sh) & 255u) * 128u + 128u) >> 8;
            out |= c << sh;
        }
        return out;
    };
    Buffer dst(6, 1, Sentinel);
    SpriteVertex q[4];
    rectQuad(q, 0.0f, -0.5f, 4.0f, 0.5f);
    softDrawQuad(dst.target(), tex.texture(), q, pair(2, 1, true)); // ONE, ZERO
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(dst.at(i, 0), lerpHalf(row[(i + 3) % 4], row[i]) & 0x00FFFFFFu) << i;
    }
    EXPECT_EQ(dst.at(4, 0), Sentinel); // on the right edge: not taken

    // Point sampling takes floor(u x width): texel i at pixel i.
    Buffer pointDst(6, 1, Sentinel);
    softDrawQuad(pointDst.target(), tex.texture(), q, pair(2, 1, false));
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(pointDst.at(i, 0), row[i] & 0x00FFFFFFu) << i;
    }
}

// Reference blend in real numbers: factors per channel in 0..1, each product
// rounded to 8 bits, their sum clamped; destination alpha reads as 1.
double factorOf(uint32_t code, double sc, double sa, double dc) {
    switch (code) {
    case 1:
        return 0;
    case 2:
        return 1;
    case 3:
        return sc;
    case 4:
        return 1 - sc;
    case 5:
        return sa;
    case 6:
        return 1 - sa;
    case 7:
        return 1;
    case 8:
        return 0;
    case 9:
        return dc;
    case 10:
        return 1 - dc;
    default:
        return -1;
    }
}

uint32_t referenceBlend(uint32_t texel, uint8_t intensity, uint32_t dst, uint32_t sf, uint32_t df) {
    const double sa = std::round((texel >> 24) * intensity / 255.0) / 255.0;
    uint32_t out = 0;
    for (int sh = 0; sh < 24; sh += 8) {
        const double sc = ((texel >> sh) & 255u) / 255.0;
        const double dc = ((dst >> sh) & 255u) / 255.0;
        const long r = std::lround(sc * factorOf(sf, sc, sa, dc) * 255.0) +
                       std::lround(dc * factorOf(df, sc, sa, dc) * 255.0);
        out |= static_cast<uint32_t>(r > 255 ? 255 : r) << sh;
    }
    return out;
}

TEST(SoftRaster, BlendFactorsModulateClampAndRound) {
    const uint32_t texels[] = {0x73C08040u, 0xFFFFFFFFu, 0x01FF0000u, 0xFE0A14C8u, 0x00808080u};
    const uint32_t dests[] = {0x00000000u, 0x00FFFFFFu, 0x00806040u, 0x000109F7u};
    const uint8_t intensities[] = {255, 200, 100, 80, 1, 0};
    const uint32_t pairs[][2] = {{5, 6}, {1, 6}, {5, 9},  {2, 1}, {1, 2}, {2, 2},
                                 {9, 1}, {3, 4}, {10, 5}, {7, 8}, {9, 9}, {4, 10}};
    for (const auto& p : pairs) {
        for (uint32_t texel : texels) {
            for (uint32_t d : dests) {
                for (uint8_t in : intensities) {
                    Buffer tex(1, 1, texel);
                    Buffer dst(3, 3, d);
                    SpriteVertex q[4];
                    placeSpriteQuad(q, 1, 1, 1, 1, 0.0f, in);
                    softDrawQuad(dst.target(), tex.texture(), q, pair(p[0], p[1], true));
                    ASSERT_EQ(dst.at(1, 1), referenceBlend(texel, in, d, p[0], p[1]))
                        << std::hex << "pair " << p[0] << "," << p[1] << " texel " << texel
                        << " dst " << d << std::dec << " intensity " << int(in);
                    ASSERT_EQ(dst.at(0, 0), d);
                    ASSERT_EQ(dst.at(2, 2), d);
                }
            }
        }
    }
}

TEST(SoftRaster, BadInputDrawsNothing) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    Buffer tex(4, 4, 0xFFFFFFFFu);
    Buffer dst(8, 8, Sentinel);
    SpriteVertex q[4];

    placeSpriteQuad(q, 2, 2, 4, 4, nan, 255);
    softDrawQuad(dst.target(), tex.texture(), q, pair(2, 1));
    placeSpriteQuad(q, 2, 2, 4, 4, inf, 255);
    softDrawQuad(dst.target(), tex.texture(), q, pair(2, 1));
    placeSpriteQuad(q, 2000000000, 2, 4, 4, 0.0f, 255);
    softDrawQuad(dst.target(), tex.texture(), q, pair(2, 1));
    placeSpriteQuad(q, -2000000000, -2000000000, 4, 4, 1.0f, 255);
    softDrawQuad(dst.target(), tex.texture(), q, pair(2, 1));
    placeSpriteQuad(q, 2, 2, 4, 4, 0.0f, 255);
    q[3].u = 1e30f;
    softDrawQuad(dst.target(), tex.texture(), q, pair(2, 1));
    placeSpriteQuad(q, 2, 2, 4, 4, 0.0f, 255);
    softDrawQuad(dst.target(), tex.texture(), q, pair(0, 1));  // no such factor
    softDrawQuad(dst.target(), tex.texture(), q, pair(2, 16)); // no such factor
    SoftTexture empty{tex.pixels.data(), 0, 4, 4};
    softDrawQuad(dst.target(), empty, q, pair(2, 1));
    SoftTexture none{nullptr, 4, 4, 4};
    softDrawQuad(dst.target(), none, q, pair(2, 1));
    SoftTexture narrowPitch{tex.pixels.data(), 4, 4, 3};
    softDrawQuad(dst.target(), narrowPitch, q, pair(2, 1));
    softDrawQuad(SoftTarget{nullptr, 8, 8, 8}, tex.texture(), q, pair(2, 1));
    softDrawQuad(SoftTarget{dst.pixels.data(), 8, 8, 7}, tex.texture(), q, pair(2, 1));
    // Mirrored corners wind counter-clockwise: culled, as on the device.
    placeSpriteQuad(q, 2, 2, 4, 4, 0.0f, 255);
    std::swap(q[0], q[1]);
    std::swap(q[2], q[3]);
    softDrawQuad(dst.target(), tex.texture(), q, pair(2, 1));

    for (uint32_t p : dst.pixels) {
        ASSERT_EQ(p, Sentinel);
    }
}

} // namespace
