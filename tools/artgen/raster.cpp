// raster.cpp - canvas, masks, noise and preview compositing of the generator.
#include "tools/artgen/raster.h"

#include <algorithm>
#include <cmath>

Image makeImage(int width, int height, Rgb colour, float alpha) {
    Image img;
    img.width = width;
    img.height = height;
    img.px.resize(static_cast<size_t>(width) * height * 4);
    for (size_t i = 0; i < img.px.size(); i += 4) {
        img.px[i] = colour.r;
        img.px[i + 1] = colour.g;
        img.px[i + 2] = colour.b;
        img.px[i + 3] = alpha;
    }
    return img;
}

Mask makeMask(int width, int height, float value) {
    Mask m;
    m.width = width;
    m.height = height;
    m.v.assign(static_cast<size_t>(width) * height, value);
    return m;
}

float maskSample(const Mask& m, int x, int y) {
    if (x < 0 || y < 0 || x >= m.width || y >= m.height) {
        return 0.0f;
    }
    return maskAt(m, x, y);
}

void paintOver(Image& img, const Mask& m, Rgb colour, float opacity) {
    for (int y = 0; y < img.height; ++y) {
        for (int x = 0; x < img.width; ++x) {
            const float c = maskAt(m, x, y) * opacity;
            if (c <= 0.0f) {
                continue;
            }
            float* p = pixelAt(img, x, y);
            const float a0 = p[3] / 255.0f;
            const float a = c + a0 * (1.0f - c);
            if (a <= 0.0f) {
                continue;
            }
            p[0] = (colour.r * c + p[0] * a0 * (1.0f - c)) / a;
            p[1] = (colour.g * c + p[1] * a0 * (1.0f - c)) / a;
            p[2] = (colour.b * c + p[2] * a0 * (1.0f - c)) / a;
            p[3] = a * 255.0f;
        }
    }
}

void cutHoles(Image& img, const Mask& holes) {
    for (int y = 0; y < img.height; ++y) {
        for (int x = 0; x < img.width; ++x) {
            pixelAt(img, x, y)[3] *= 1.0f - maskAt(holes, x, y);
        }
    }
}

Mask maskUnion(const Mask& a, const Mask& b) {
    Mask m = a;
    for (size_t i = 0; i < m.v.size(); ++i) {
        m.v[i] = 1.0f - (1.0f - a.v[i]) * (1.0f - b.v[i]);
    }
    return m;
}

Mask maskProduct(const Mask& a, const Mask& b) {
    Mask m = a;
    for (size_t i = 0; i < m.v.size(); ++i) {
        m.v[i] = a.v[i] * b.v[i];
    }
    return m;
}

Mask maskInvert(const Mask& a) {
    Mask m = a;
    for (float& v : m.v) {
        v = 1.0f - v;
    }
    return m;
}

void bleedColour(Image& img, int passes) {
    // known: the pixel has a colour worth spreading (visible, or filled by
    // an earlier pass). Each pass fills the unknown pixels that touch known
    // ones with their alpha-weighted mean.
    std::vector<float> weight(static_cast<size_t>(img.width) * img.height);
    for (int y = 0; y < img.height; ++y) {
        for (int x = 0; x < img.width; ++x) {
            weight[static_cast<size_t>(y) * img.width + x] =
                pixelAt(img, x, y)[3] > 0.5f ? pixelAt(img, x, y)[3] : 0.0f;
        }
    }
    for (int pass = 0; pass < passes; ++pass) {
        std::vector<float> next = weight;
        Image out = img;
        for (int y = 0; y < img.height; ++y) {
            for (int x = 0; x < img.width; ++x) {
                if (weight[static_cast<size_t>(y) * img.width + x] > 0.0f) {
                    continue;
                }
                float sum[3] = {0, 0, 0};
                float total = 0.0f;
                for (int dy = -1; dy <= 1; ++dy) {
                    for (int dx = -1; dx <= 1; ++dx) {
                        const int nx = x + dx;
                        const int ny = y + dy;
                        if (nx < 0 || ny < 0 || nx >= img.width || ny >= img.height) {
                            continue;
                        }
                        const float w = weight[static_cast<size_t>(ny) * img.width + nx];
                        if (w <= 0.0f) {
                            continue;
                        }
                        const float* q = pixelAt(img, nx, ny);
                        sum[0] += q[0] * w;
                        sum[1] += q[1] * w;
                        sum[2] += q[2] * w;
                        total += w;
                    }
                }
                if (total > 0.0f) {
                    float* p = pixelAt(out, x, y);
                    p[0] = sum[0] / total;
                    p[1] = sum[1] / total;
                    p[2] = sum[2] / total;
                    // Spread colour loses confidence with each pass.
                    next[static_cast<size_t>(y) * img.width + x] = total / 9.0f * 0.5f + 1e-3f;
                }
            }
        }
        img = out;
        weight = next;
    }
    // What no pass reached is far from anything visible: plain black.
    for (int y = 0; y < img.height; ++y) {
        for (int x = 0; x < img.width; ++x) {
            if (weight[static_cast<size_t>(y) * img.width + x] <= 0.0f) {
                float* p = pixelAt(img, x, y);
                p[0] = p[1] = p[2] = 0.0f;
            }
        }
    }
}

std::vector<uint8_t> toRgba8(const Image& img) {
    std::vector<uint8_t> out(img.px.size());
    for (size_t i = 0; i < img.px.size(); ++i) {
        out[i] = static_cast<uint8_t>(std::clamp(std::lround(img.px[i]), 0L, 255L));
    }
    return out;
}

// ---- Seeded noise ---------------------------------------------------------

Prng makePrng(uint64_t seed) {
    return Prng{seed * 0x9E3779B97F4A7C15ull + 0x632BE59BD9B4E019ull};
}

uint64_t nextBits(Prng& p) {
    // splitmix64: tiny, fast and the same everywhere.
    uint64_t z = (p.state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

double nextUnit(Prng& p) {
    return static_cast<double>(nextBits(p) >> 11) * 0x1.0p-53;
}

double nextRange(Prng& p, double lo, double hi) {
    return lo + (hi - lo) * nextUnit(p);
}

double nextGauss(Prng& p) {
    // Sum of four uniforms: close enough to normal for paint grain, and
    // free of the libm calls whose last bits could differ between builds.
    double s = 0.0;
    for (int i = 0; i < 4; ++i) {
        s += nextUnit(p);
    }
    return (s - 2.0) * 1.7320508075688772;
}

ValueNoise makeValueNoise(uint64_t seed, int width, int height, double cell) {
    ValueNoise n;
    n.cell = cell;
    n.cellsX = static_cast<int>(width / cell) + 3;
    n.cellsY = static_cast<int>(height / cell) + 3;
    Prng p = makePrng(seed);
    n.lattice.resize(static_cast<size_t>(n.cellsX) * n.cellsY);
    for (float& v : n.lattice) {
        v = static_cast<float>(nextRange(p, -1.0, 1.0));
    }
    return n;
}

float valueNoiseAt(const ValueNoise& n, double x, double y) {
    const double fx = std::max(0.0, x / n.cell);
    const double fy = std::max(0.0, y / n.cell);
    const int ix = std::min(static_cast<int>(fx), n.cellsX - 2);
    const int iy = std::min(static_cast<int>(fy), n.cellsY - 2);
    double tx = fx - ix;
    double ty = fy - iy;
    tx = tx * tx * (3.0 - 2.0 * tx);
    ty = ty * ty * (3.0 - 2.0 * ty);
    auto at = [&](int cx, int cy) { return n.lattice[static_cast<size_t>(cy) * n.cellsX + cx]; };
    const double top = at(ix, iy) * (1.0 - tx) + at(ix + 1, iy) * tx;
    const double bottom = at(ix, iy + 1) * (1.0 - tx) + at(ix + 1, iy + 1) * tx;
    return static_cast<float>(top * (1.0 - ty) + bottom * ty);
}

// ---- Preview compositing ----------------------------------------------------

namespace {

void sampleBilinear(const Image& s, double u, double v, float out[4]) {
    const int x0 = static_cast<int>(std::floor(u));
    const int y0 = static_cast<int>(std::floor(v));
    const float tx = static_cast<float>(u - x0);
    const float ty = static_cast<float>(v - y0);
    for (int c = 0; c < 4; ++c) {
        out[c] = 0.0f;
    }
    const int xs[2] = {x0, x0 + 1};
    const int ys[2] = {y0, y0 + 1};
    const float wx[2] = {1.0f - tx, tx};
    const float wy[2] = {1.0f - ty, ty};
    for (int j = 0; j < 2; ++j) {
        for (int i = 0; i < 2; ++i) {
            if (xs[i] < 0 || ys[j] < 0 || xs[i] >= s.width || ys[j] >= s.height) {
                continue; // outside the sprite: transparent black
            }
            const float* p = pixelAt(s, xs[i], ys[j]);
            for (int c = 0; c < 4; ++c) {
                out[c] += p[c] * wx[i] * wy[j];
            }
        }
    }
}

} // namespace

void compositeSprite(Image& dst, const Image& sprite, int x, int y, double degrees, float intensity,
                     PreviewBlend blend) {
    const double cx = x + (sprite.width - 1) / 2.0;
    const double cy = y + (sprite.height - 1) / 2.0;
    const double t = degrees * 3.14159265358979323846 / 180.0;
    const double cs = std::cos(t);
    const double sn = std::sin(t);
    for (int py = 0; py < dst.height; ++py) {
        for (int px = 0; px < dst.width; ++px) {
            // Turn the pixel centre back by the sprite's rotation.
            const double dx = px - cx;
            const double dy = py - cy;
            const double u = dx * cs + dy * sn + (sprite.width - 1) / 2.0;
            const double v = -dx * sn + dy * cs + (sprite.height - 1) / 2.0;
            if (u < -1.0 || v < -1.0 || u > sprite.width || v > sprite.height) {
                continue;
            }
            float s[4];
            sampleBilinear(sprite, u, v, s);
            const float a = s[3] / 255.0f * intensity / 255.0f;
            float* d = pixelAt(dst, px, py);
            for (int c = 0; c < 3; ++c) {
                const float dc = d[c] / 255.0f;
                const float sc = s[c] / 255.0f;
                float r = 0.0f;
                switch (blend) {
                case PreviewNormal:
                    r = sc * a + dc * (1.0f - a);
                    break;
                case PreviewShadow:
                    r = dc * (1.0f - a);
                    break;
                case PreviewLight:
                    r = sc * a + dc * dc;
                    break;
                }
                d[c] = std::min(1.0f, r) * 255.0f;
            }
        }
    }
}

Image downscale(const Image& src, int width, int height) {
    Image out = makeImage(width, height, Rgb{0, 0, 0}, 0.0f);
    const double sx = static_cast<double>(src.width) / width;
    const double sy = static_cast<double>(src.height) / height;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            // Box filter over the source area, with fractional edge weights.
            double acc[4] = {0, 0, 0, 0};
            double total = 0.0;
            const double x0 = x * sx, x1 = (x + 1) * sx;
            const double y0 = y * sy, y1 = (y + 1) * sy;
            for (int j = static_cast<int>(y0); j < static_cast<int>(std::ceil(y1)); ++j) {
                const double wy = std::min(y1, j + 1.0) - std::max(y0, static_cast<double>(j));
                for (int i = static_cast<int>(x0); i < static_cast<int>(std::ceil(x1)); ++i) {
                    const double wx = std::min(x1, i + 1.0) - std::max(x0, static_cast<double>(i));
                    const float* p = pixelAt(src, i, j);
                    const double w = wx * wy;
                    const double a = p[3] / 255.0;
                    acc[0] += p[0] * a * w;
                    acc[1] += p[1] * a * w;
                    acc[2] += p[2] * a * w;
                    acc[3] += a * w;
                    total += w;
                }
            }
            float* q = pixelAt(out, x, y);
            if (acc[3] > 0.0) {
                q[0] = static_cast<float>(acc[0] / acc[3]);
                q[1] = static_cast<float>(acc[1] / acc[3]);
                q[2] = static_cast<float>(acc[2] / acc[3]);
            }
            q[3] = static_cast<float>(acc[3] / total * 255.0);
        }
    }
    return out;
}
