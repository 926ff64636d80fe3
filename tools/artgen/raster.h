// raster.h - the generator's canvas: straight-alpha float images, coverage
// masks, seeded noise and a small sprite compositor for previews.
//
// Pixel (i, j) is centred on (i, j) and covers the square from (i - 0.5,
// j - 0.5) to (i + 0.5, j + 0.5), as on the gauge's drawing surface. Colour
// channels and alpha are floats from 0 to 255, alpha straight (not
// premultiplied); toRgba8() rounds them once, at the end.
//
// Everything here is deterministic: the noise comes from a seeded PRNG of our
// own, never from rand() or the clock, so the same build gives the same bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct Rgb {
    float r, g, b;
};

struct Image {
    int width = 0;
    int height = 0;
    std::vector<float> px; // r, g, b, a per pixel, rows top-down
};

// Coverage from 0 to 1 per pixel, same layout as an Image without channels.
struct Mask {
    int width = 0;
    int height = 0;
    std::vector<float> v;
};

Image makeImage(int width, int height, Rgb colour, float alpha);
Mask makeMask(int width, int height, float value);
inline float* pixelAt(Image& img, int x, int y) {
    return &img.px[(static_cast<size_t>(y) * img.width + x) * 4];
}
inline const float* pixelAt(const Image& img, int x, int y) {
    return &img.px[(static_cast<size_t>(y) * img.width + x) * 4];
}
inline float& maskAt(Mask& m, int x, int y) {
    return m.v[static_cast<size_t>(y) * m.width + x];
}
inline float maskAt(const Mask& m, int x, int y) {
    return m.v[static_cast<size_t>(y) * m.width + x];
}
// Coverage outside the mask is 0.
float maskSample(const Mask& m, int x, int y);

// Paints colour over the image where the mask covers it ("over", straight alpha).
void paintOver(Image& img, const Mask& m, Rgb colour, float opacity = 1.0f);
// Multiplies the image's alpha by (1 - coverage): cuts holes.
void cutHoles(Image& img, const Mask& holes);
Mask maskUnion(const Mask& a, const Mask& b);
Mask maskProduct(const Mask& a, const Mask& b);
Mask maskInvert(const Mask& m);

// Gives fully transparent pixels the colour of their nearest visible
// neighbours (up to `passes` pixels away), so that bilinear sampling of the
// straight-alpha texture does not pull dark fringes into the edges.
void bleedColour(Image& img, int passes);

// 8-bit R, G, B, A rows, rounded.
std::vector<uint8_t> toRgba8(const Image& img);

// ---- Seeded noise ---------------------------------------------------------

struct Prng {
    uint64_t state;
};
Prng makePrng(uint64_t seed);
uint64_t nextBits(Prng& p);
double nextUnit(Prng& p);                        // [0, 1)
double nextRange(Prng& p, double lo, double hi); // [lo, hi)
double nextGauss(Prng& p);                       // mean 0, deviation 1

// Smooth value noise in [-1, 1] with features about `cell` pixels wide,
// the same for the same seed.
struct ValueNoise {
    int cellsX = 0;
    int cellsY = 0;
    double cell = 1.0;
    std::vector<float> lattice;
};
ValueNoise makeValueNoise(uint64_t seed, int width, int height, double cell);
float valueNoiseAt(const ValueNoise& n, double x, double y);

// ---- Preview compositing ----------------------------------------------------
// The gauge's own blend rules, for the icon and the preview sheet: the sprite
// is sampled bilinearly at each destination pixel's centre turned back about
// the sprite's centre.
enum PreviewBlend { PreviewNormal, PreviewShadow, PreviewLight };
void compositeSprite(Image& dst, const Image& sprite, int x, int y, double degrees, float intensity,
                     PreviewBlend blend);

// Area-averaged reduction (premultiplied), for the icon.
Image downscale(const Image& src, int width, int height);
