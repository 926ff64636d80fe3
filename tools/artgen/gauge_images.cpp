// gauge_images.cpp - how each image of the instrument is painted.
//
// Geometry first, texture second: every mask that decides where an image is
// opaque, transparent or marked comes from exact shapes; the grain, mottling,
// specks, scratches and edge wear only modulate colour (and, on the face, a
// few soft patches of alpha 240 to 254), never the binding regions.
#include "tools/artgen/gauge_images.h"

#include "tools/artgen/shapes.h"

#include <algorithm>
#include <cmath>

const char* const GaugeImageFiles[GaugeImageCount] = {
    "bezel.png",     "face.png",        "course-card.png", "needle.png",
    "flag-fill.png", "flag-cover.png",  "nav-off.png",     "gs-off.png",
    "link-lamp.png", "panel-light.png", "link-glow.png",
};

namespace {

constexpr double Pi = 3.14159265358979323846;

float lerp(float a, float b, float t) {
    return a + (b - a) * t;
}
Rgb mix(Rgb a, Rgb b, float t) {
    return Rgb{lerp(a.r, b.r, t), lerp(a.g, b.g, t), lerp(a.b, b.b, t)};
}
Rgb add(Rgb c, float v) {
    return Rgb{c.r + v, c.g + v, c.b + v};
}
float smoothstep(float e0, float e1, float x) {
    const float t = std::clamp((x - e0) / (e1 - e0), 0.0f, 1.0f);
    return t * t * (3.0f - 2.0f * t);
}

void setPixel(Image& img, int x, int y, Rgb c, float a) {
    float* p = pixelAt(img, x, y);
    p[0] = c.r;
    p[1] = c.g;
    p[2] = c.b;
    p[3] = a;
}

// Lit from the upper left: the walls of a hole that face up and left catch
// the light (the hole's lower right rim), the others lie in shade. Returns
// +1 .. -1 for pixels just outside the holes.
float bevelAt(const Mask& holes, int x, int y) {
    const float here = maskSample(holes, x, y);
    const float lit = std::max(0.0f, maskSample(holes, x - 1, y - 1) - here) +
                      0.5f * std::max(0.0f, maskSample(holes, x - 2, y - 2) - here);
    const float shade = std::max(0.0f, maskSample(holes, x + 1, y + 1) - here) +
                        0.5f * std::max(0.0f, maskSample(holes, x + 2, y + 2) - here);
    return std::clamp(lit - shade, -1.0f, 1.0f);
}

// ---- 1. Bezel -------------------------------------------------------------

Image drawBezel() {
    const int size = 300;
    const Rgb flat{33, 37, 38};
    const Rgb ringMean{36, 40, 41};
    const Rgb cream{253, 253, 240};

    const Mask ring = drawMask(size, size, [](cairo_t* cr) {
        ellipsePath(cr, 150, 150, 146, 146);
        cairo_fill(cr);
    });
    const Mask opening = drawMask(size, size, [](cairo_t* cr) {
        ellipsePath(cr, 150.5, 150.5, 94, 91);
        cairo_fill(cr);
    });
    const Mask upper = drawMask(size, size, [](cairo_t* cr) {
        sectorPath(cr, 150, 150, 96, 125.5, -44, 44);
        cairo_fill(cr);
    });
    const Mask lower = drawMask(size, size, [](cairo_t* cr) {
        sectorPath(cr, 150, 150, 124, 141, 180 - 21, 180 + 21);
        cairo_fill(cr);
    });
    const Mask holes = maskUnion(maskUnion(opening, upper), lower);
    const Mask indices = drawMask(size, size, [](cairo_t* cr) {
        // Apexes on the windows' upper edges (radii 125.5 and 124).
        cairo_move_to(cr, 143.0, 12.5);
        cairo_line_to(cr, 156.0, 12.5);
        cairo_line_to(cr, 149.5, 24.5);
        cairo_close_path(cr);
        cairo_move_to(cr, 141.9, 260.5);
        cairo_line_to(cr, 157.1, 260.5);
        cairo_line_to(cr, 150.0, 274.0);
        cairo_close_path(cr);
        cairo_fill(cr);
    });

    // Matte black paint: broad mottling, fine grain, and a soft fall of light
    // from the upper left across the ring.
    const ValueNoise mottle = makeValueNoise(101, size, size, 23.0);
    const ValueNoise grain = makeValueNoise(102, size, size, 2.2);
    Prng prng = makePrng(103);
    Image img = makeImage(size, size, flat, 255.0f);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const double dx = x - 150.0, dy = y - 150.0;
            const double r = std::sqrt(dx * dx + dy * dy);
            const float light = r > 1.0 ? static_cast<float>(-(dx + dy) / (r * 1.41421356)) : 0.0f;
            // The ring rounds off towards its outer edge, where it turns away from the light.
            const float roll = smoothstep(132.0f, 145.5f, static_cast<float>(r));
            // A soft sheen where the curved ring faces the light.
            const float band = static_cast<float>((r - 133.0) / 8.0);
            const float sheen =
                5.0f * std::pow(std::max(0.0f, light), 1.5f) * std::exp(-band * band);
            const float shade = 2.2f * light * (1.0f - roll) - 3.0f * roll + sheen;
            const float v = shade + 1.6f * valueNoiseAt(mottle, x, y) +
                            1.3f * valueNoiseAt(grain, x, y) +
                            0.9f * static_cast<float>(nextGauss(prng));
            const Rgb paint = add(ringMean, v);
            const Rgb c = mix(flat, paint, maskAt(ring, x, y));
            setPixel(img, x, y, c, 255.0f);
        }
    }

    // Edges of the windows: a lit lip on the far walls, shade on the near
    // ones, and paint rubbed thin where the card has brushed past for years.
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const float b = bevelAt(holes, x, y);
            float wear = 0.0f;
            if (b != 0.0f && maskAt(holes, x, y) < 1.0f && nextUnit(prng) < 0.18) {
                wear = static_cast<float>(nextRange(prng, 4.0, 16.0));
            }
            float* p = pixelAt(img, x, y);
            const float v = 13.0f * b + wear;
            p[0] += v;
            p[1] += v;
            p[2] += v;
        }
    }

    // Scratches: short, fine and nearly straight, most of them running round
    // the ring as a cloth or a sleeve leaves them; a few brighter ones.
    for (int i = 0; i < 64; ++i) {
        const double r = nextRange(prng, 92.0, 143.0);
        const double a = nextRange(prng, 0.0, 2.0 * Pi);
        const double len = nextRange(prng, 3.0, 17.0);
        const double dir = a + Pi / 2.0 + nextRange(prng, -0.45, 0.45);
        const double width = nextRange(prng, 0.35, 0.65);
        const bool bright = nextUnit(prng) < 0.15;
        const float grey = static_cast<float>(bright ? nextRange(prng, 100.0, 135.0)
                                                     : nextRange(prng, 58.0, 92.0));
        const float opacity = static_cast<float>(nextRange(prng, 0.25, 0.6));
        const double x0 = 150.0 + r * std::cos(a), y0 = 150.0 + r * std::sin(a);
        const double bend = nextRange(prng, -0.7, 0.7);
        const Mask m = drawMask(size, size, [&](cairo_t* cr) {
            cairo_move_to(cr, x0, y0);
            cairo_curve_to(cr, x0 + std::cos(dir) * len / 3 - std::sin(dir) * bend,
                           y0 + std::sin(dir) * len / 3 + std::cos(dir) * bend,
                           x0 + std::cos(dir) * len * 2 / 3 - std::sin(dir) * bend,
                           y0 + std::sin(dir) * len * 2 / 3 + std::cos(dir) * bend,
                           x0 + std::cos(dir) * len, y0 + std::sin(dir) * len);
            cairo_set_line_width(cr, width);
            cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
            cairo_stroke(cr);
        });
        paintOver(img, maskProduct(m, ring), Rgb{grey, grey + 3, grey + 4}, opacity);
    }
    // Long, barely visible wiping marks, concentric with the ring.
    for (int i = 0; i < 9; ++i) {
        const double r = nextRange(prng, 98.0, 142.0);
        const double a0 = nextRange(prng, 0.0, 2.0 * Pi);
        const double span = nextRange(prng, 0.15, 0.6);
        const float opacity = static_cast<float>(nextRange(prng, 0.10, 0.2));
        const Mask m = drawMask(size, size, [&](cairo_t* cr) {
            cairo_arc(cr, 150.0, 150.0, r, a0, a0 + span);
            cairo_set_line_width(cr, 0.5);
            cairo_stroke(cr);
        });
        paintOver(img, maskProduct(m, ring), Rgb{78, 82, 84}, opacity);
    }

    // Specks: a few hundred single pixels of dust and chipped paint, most of
    // them dim, a few up to mid grey.
    for (int i = 0; i < 420; ++i) {
        const int x = static_cast<int>(nextRange(prng, 3.0, 297.0));
        const int y = static_cast<int>(nextRange(prng, 3.0, 297.0));
        if (maskAt(ring, x, y) < 1.0f || maskAt(holes, x, y) > 0.0f ||
            maskAt(indices, x, y) > 0.0f) {
            continue;
        }
        const double u = nextUnit(prng);
        const float grey = static_cast<float>(54.0 + 74.0 * u * u);
        const float opacity = static_cast<float>(nextRange(prng, 0.5, 1.0));
        float* p = pixelAt(img, x, y);
        p[0] = lerp(p[0], grey, opacity);
        p[1] = lerp(p[1], grey + 2, opacity);
        p[2] = lerp(p[2], grey + 2, opacity);
        if (nextUnit(prng) < 0.2) {
            // A larger chip bleeds softly into one neighbour.
            const int nx = x + (nextUnit(prng) < 0.5 ? 1 : -1);
            float* q = pixelAt(img, nx, y);
            q[0] = lerp(q[0], grey, opacity * 0.4f);
            q[1] = lerp(q[1], grey + 2, opacity * 0.4f);
            q[2] = lerp(q[2], grey + 2, opacity * 0.4f);
        }
    }

    // Index triangles: cream paint, slightly uneven.
    const ValueNoise paintGrain = makeValueNoise(104, size, size, 1.7);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const float c = maskAt(indices, x, y);
            if (c <= 0.0f) {
                continue;
            }
            const Rgb paint = add(cream, -1.5f + 1.5f * valueNoiseAt(paintGrain, x, y));
            float* p = pixelAt(img, x, y);
            p[0] = lerp(p[0], std::min(255.0f, paint.r), c);
            p[1] = lerp(p[1], std::min(255.0f, paint.g), c);
            p[2] = lerp(p[2], std::min(255.0f, paint.b), c);
        }
    }

    // The outline where the ring meets the case: a dark groove at radius
    // 143 to 144 that lets a trace of what lies beneath show through. Full
    // strength within half a pixel of its middle, so that every ray crosses
    // at least one pixel of alpha 215.
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const float d =
                std::fabs(static_cast<float>(std::hypot(x - 150.0, y - 150.0)) - 143.5f);
            const float c = std::clamp(1.0f - (d - 0.5f) / 0.6f, 0.0f, 1.0f);
            float* p = pixelAt(img, x, y);
            p[0] = lerp(p[0], 16.0f, c);
            p[1] = lerp(p[1], 18.0f, c);
            p[2] = lerp(p[2], 19.0f, c);
            p[3] = 255.0f - 38.0f * c;
        }
    }

    cutHoles(img, holes);
    bleedColour(img, 3);
    return img;
}

// ---- 2. Face --------------------------------------------------------------

Image drawFace() {
    const int size = 300;
    const double fcx = 151.0, fcy = 151.0, fa = 94.5, fb = 91.5;
    const Rgb top{75, 75, 73};
    const Rgb bottom{50, 52, 50};
    const Rgb cream{252, 250, 235};

    const Mask disk = drawMask(size, size, [&](cairo_t* cr) {
        ellipsePath(cr, fcx, fcy, fa, fb);
        cairo_fill(cr);
    });
    const Mask inside = drawMask(size, size, [&](cairo_t* cr) {
        ellipsePath(cr, fcx, fcy, fa - 2.0, fb - 2.0);
        cairo_fill(cr);
    });
    const Mask marks = drawMask(size, size, [](cairo_t* cr) {
        const double mx = 150.5, my = 146.0;
        annulusPath(cr, mx, my, 7.5, 15.5);
        cairo_fill(cr);
        cairo_arc(cr, mx, my, 1.3, 0, 2 * Pi);
        cairo_fill(cr);
        for (double x : {103.0, 115.0, 127.0, 174.0, 186.0, 198.0}) {
            cairo_new_sub_path(cr);
            cairo_arc(cr, x, my, 4.5, 0, 2 * Pi);
        }
        for (double y : {97.5, 110.0, 122.0, 170.0, 182.0, 194.0}) {
            cairo_new_sub_path(cr);
            cairo_arc(cr, mx, y, 4.5, 0, 2 * Pi);
        }
        cairo_rectangle(cr, 86.5, 141.5, 9, 9);
        cairo_rectangle(cr, 205.5, 141.5, 9, 9);
        cairo_rectangle(cr, 146.0, 80.5, 9, 9);
        cairo_rectangle(cr, 146.0, 201.5, 9, 8);
        cairo_fill(cr);
        textInBox(cr, FontCondensedBold, "TO", 182.5, 124.5, 193.5, 133.5);
        textInBox(cr, FontCondensedBold, "FROM", 175.5, 158.5, 199.5, 166.5);
        cairo_fill(cr);
    });
    const Mask triangles = drawMask(size, size, [](cairo_t* cr) {
        cairo_move_to(cr, 174.5, 123.0);
        cairo_line_to(cr, 200.5, 123.0);
        cairo_line_to(cr, 187.5, 96.5);
        cairo_close_path(cr);
        cairo_move_to(cr, 175.5, 168.5);
        cairo_line_to(cr, 200.5, 168.5);
        cairo_line_to(cr, 188.0, 193.5);
        cairo_close_path(cr);
        cairo_fill(cr);
    });
    // Rectangles on pixel edges: hard edges by construction.
    const Mask nav = drawMask(size, size, [](cairo_t* cr) {
        cairo_rectangle(cr, 129.5, 217.5, 45, 19);
        cairo_fill(cr);
    });
    const Mask gs = maskProduct(drawMask(size, size,
                                         [](cairo_t* cr) {
                                             cairo_rectangle(cr, 222.5, 122.5, 19, 45);
                                             cairo_fill(cr);
                                         }),
                                inside);
    const Mask windows = maskUnion(maskUnion(triangles, nav), gs);

    const ValueNoise mottle = makeValueNoise(201, size, size, 17.0);
    const ValueNoise grain = makeValueNoise(202, size, size, 1.6);
    Prng prng = makePrng(203);
    Image img = makeImage(size, size, bottom, 0.0f);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const double dx = (x - fcx) / fa, dy = (y - fcy) / fb;
            const float e = static_cast<float>(std::sqrt(dx * dx + dy * dy));
            const float t = std::clamp(static_cast<float>((y - 60.0) / 182.0), 0.0f, 1.0f);
            Rgb c = mix(top, bottom, t * t * (3.0f - 2.0f * t) * 0.6f + t * 0.4f);
            // A faint vignette, the paint's mottling and grain.
            float v = -4.0f * e * e + 1.8f * valueNoiseAt(mottle, x, y) +
                      1.2f * valueNoiseAt(grain, x, y) + 1.0f * static_cast<float>(nextGauss(prng));
            c = add(c, v);
            // The thin darker rim where the face meets the case.
            const float distEdge = (1.0f - e) * 92.0f;
            const float rim = 1.0f - smoothstep(0.6f, 3.0f, distEdge);
            c = mix(c, Rgb{30, 31, 30}, rim * 0.8f);
            setPixel(img, x, y, c, 255.0f * maskAt(disk, x, y));
        }
    }

    // Cream paint for the markings, very slightly uneven.
    const ValueNoise paintGrain = makeValueNoise(204, size, size, 1.4);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const float c = maskAt(marks, x, y);
            if (c <= 0.0f) {
                continue;
            }
            const Rgb paint = add(cream, -2.0f + 2.0f * valueNoiseAt(paintGrain, x, y));
            float* p = pixelAt(img, x, y);
            p[0] = lerp(p[0], std::min(255.0f, paint.r), c);
            p[1] = lerp(p[1], std::min(255.0f, paint.g), c);
            p[2] = lerp(p[2], std::min(255.0f, paint.b), c);
        }
    }

    // A few soft patches where the paint has thinned (alpha 240..254).
    struct Patch {
        double x, y, radius, depth;
    };
    // Away from the windows, whose edges stay hard.
    const Patch patches[] = {
        {88, 110, 11, 13}, {222, 200, 8, 11}, {100, 215, 7, 9}, {120, 78, 8, 10}, {78, 176, 6, 8}};
    for (const Patch& pa : patches) {
        for (int y = 0; y < size; ++y) {
            for (int x = 0; x < size; ++x) {
                const double d2 =
                    ((x - pa.x) * (x - pa.x) + (y - pa.y) * (y - pa.y)) / (pa.radius * pa.radius);
                if (d2 > 4.0) {
                    continue;
                }
                float* p = pixelAt(img, x, y);
                if (p[3] < 255.0f) {
                    continue;
                }
                const float drop = static_cast<float>(pa.depth * std::exp(-d2 * 1.5));
                p[3] = std::max(240.0f, 255.0f - drop);
            }
        }
    }

    // The cut edges of the windows: a faint lit edge on their far sides.
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const float v = 7.0f * bevelAt(windows, x, y);
            float* p = pixelAt(img, x, y);
            p[0] += v;
            p[1] += v;
            p[2] += v;
        }
    }

    cutHoles(img, windows);
    bleedColour(img, 3);
    return img;
}

// ---- 3. Course card ---------------------------------------------------------

Image drawCourseCard() {
    const int size = 300;
    const double c = 149.5;
    const Mask ring = drawMask(size, size, [&](cairo_t* cr) {
        annulusPath(cr, c, c, 93.5, 141.0);
        cairo_fill(cr);
    });
    const char* const labels[12] = {"N", "3",  "6",  "E", "12", "15",
                                    "S", "21", "24", "W", "30", "33"};
    const double largeSize = 14.0 / capHeightPerSize(FontCondensedBold);
    const double smallSize = 6.5 / capHeightPerSize(FontBold);
    const Mask marks = drawMask(size, size, [&](cairo_t* cr) {
        cairo_set_line_width(cr, 2.0);
        cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
        for (int i = 0; i < 72; ++i) {
            const double a = i * 5.0 * Pi / 180.0;
            const double r0 = i % 2 == 0 ? 120.0 : 123.5;
            const double r1 = i % 2 == 0 ? 132.0 : 131.5;
            cairo_move_to(cr, c + r0 * std::sin(a), c - r0 * std::cos(a));
            cairo_line_to(cr, c + r1 * std::sin(a), c - r1 * std::cos(a));
            cairo_stroke(cr);
        }
        for (int k = 0; k < 12; ++k) {
            const double a = k * 30.0 * Pi / 180.0;
            // Large: tops outwards, upright at the top.
            cairo_save(cr);
            cairo_translate(cr, c, c);
            cairo_rotate(cr, a);
            textCentred(cr, FontCondensedBold, largeSize, labels[k], 0.0, -110.5);
            cairo_restore(cr);
            // Small: tops towards the centre, upright at the bottom.
            cairo_save(cr);
            cairo_translate(cr, c, c);
            cairo_rotate(cr, a);
            cairo_translate(cr, 0.0, -137.0);
            cairo_rotate(cr, Pi);
            textCentred(cr, FontBold, smallSize, labels[k], 0.0, 0.0);
            cairo_restore(cr);
        }
        cairo_fill(cr);
    });
    Image img = makeImage(size, size, Rgb{40, 40, 40}, 0.0f);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const float m = maskAt(marks, x, y);
            float* p = pixelAt(img, x, y);
            p[0] = p[1] = p[2] = lerp(40.0f, 255.0f, m);
            p[3] = 255.0f * maskAt(ring, x, y);
        }
    }
    bleedColour(img, 3);
    return img;
}

// ---- 4. Needle --------------------------------------------------------------

Image drawNeedle() {
    Image img = makeImage(416, 300, Rgb{0, 0, 0}, 0.0f);
    const Rgb stub{33, 38, 39};
    const Rgb seam{129, 126, 125};
    const Rgb blade{253, 248, 230};
    const Rgb bladeUnderside{143, 142, 136};
    for (int y = 148; y <= 152; ++y) {
        for (int x = 207; x <= 412; ++x) {
            Rgb c = x <= 256 ? stub : (x == 257 ? seam : blade);
            if (x >= 258 && y == 152) {
                c = bladeUnderside;
            }
            const float rowAlpha = y == 148 ? 119.0f : (y == 152 ? 115.0f : 255.0f);
            const float columnAlpha = x == 207 ? 107.0f : (x == 412 ? 130.0f : 255.0f);
            setPixel(img, x, y, c, std::round(rowAlpha * columnAlpha / 255.0f));
        }
    }
    bleedColour(img, 2);
    return img;
}

// ---- 5..8. Window sprites -------------------------------------------------

Image drawFlagFill() {
    return makeImage(38, 41, Rgb{250, 250, 237}, 255.0f);
}

Image drawFlagCover() {
    return makeImage(56, 56, Rgb{51, 51, 51}, 255.0f);
}

Image lettered(int w, int h, Rgb ground, const Mask& letters) {
    Image img = makeImage(w, h, ground, 255.0f);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const float m = maskAt(letters, x, y);
            float* p = pixelAt(img, x, y);
            p[0] = lerp(ground.r, 0.0f, m);
            p[1] = lerp(ground.g, 0.0f, m);
            p[2] = lerp(ground.b, 0.0f, m);
        }
    }
    return img;
}

// A thin F built from pixel-aligned strokes: at 10 pixels a glyph's bars
// would fall between two rows and print grey.
void fLetter(cairo_t* cr, double x0, double y0, double x1, double y1, double middle) {
    const double stroke = 1.2;
    cairo_rectangle(cr, x0, y0, stroke, y1 - y0);
    cairo_rectangle(cr, x0, y0, x1 - x0, stroke);
    cairo_rectangle(cr, x0, middle, (x1 - x0) * 0.84, stroke);
}

Image drawNavOff() {
    // "OFF" over x 12..39, y 8..17.
    const Mask letters = drawMask(48, 22, [](cairo_t* cr) {
        textInBox(cr, FontBook, "O", 11.5, 7.5, 21.5, 17.5);
        cairo_fill(cr);
        fLetter(cr, 23.5, 7.5, 30.5, 17.5, 11.5);
        fLetter(cr, 32.5, 7.5, 39.5, 17.5, 11.5);
        cairo_fill(cr);
    });
    return lettered(48, 22, Rgb{255, 51, 0}, letters);
}

Image drawGsOff() {
    // O, F, F stacked over x 6..17: O at y 5..16, F at 20..30 and 34..44.
    const Mask letters = drawMask(23, 49, [](cairo_t* cr) {
        textInBox(cr, FontBook, "O", 5.5, 4.5, 17.5, 16.5);
        cairo_fill(cr);
        fLetter(cr, 7.5, 19.5, 15.5, 30.5, 24.5);
        fLetter(cr, 7.5, 33.5, 15.5, 44.5, 38.5);
        cairo_fill(cr);
    });
    return lettered(23, 49, Rgb{255, 68, 21}, letters);
}

// ---- 9..11. Lamp, panel light, glow -----------------------------------------

Image drawLinkLamp() {
    const Mask disk = drawMask(30, 30, [](cairo_t* cr) {
        cairo_arc(cr, 14.5, 14.5, 5.0, 0, 2 * Pi);
        cairo_fill(cr);
    });
    Image img = makeImage(30, 30, Rgb{255, 0, 0}, 0.0f);
    for (int y = 0; y < 30; ++y) {
        for (int x = 0; x < 30; ++x) {
            pixelAt(img, x, y)[3] = 255.0f * maskAt(disk, x, y);
        }
    }
    // The highlight: a plus of light grey with pink corners.
    const Rgb grey{204, 204, 204};
    const Rgb pink{229, 102, 102};
    for (int y = 12; y <= 14; ++y) {
        for (int x = 15; x <= 17; ++x) {
            const bool corner = (x != 16) && (y != 13);
            setPixel(img, x, y, corner ? pink : grey, 255.0f);
        }
    }
    return img;
}

Image drawPanelLight() {
    const Mask disk = drawMask(300, 300, [](cairo_t* cr) {
        cairo_arc(cr, 149.5, 149.5, 146.0, 0, 2 * Pi);
        cairo_fill(cr);
    });
    Image img = makeImage(300, 300, Rgb{0, 0, 0}, 0.0f);
    for (int y = 0; y < 300; ++y) {
        for (int x = 0; x < 300; ++x) {
            const double d = std::sqrt((x - 236.0) * (x - 236.0) + (y - 46.0) * (y - 46.0));
            const float k = static_cast<float>(std::max(0.0, 1.0 - d / 274.0));
            setPixel(img, x, y, Rgb{255.0f * k, 51.0f * k, 0.0f}, 255.0f * maskAt(disk, x, y));
        }
    }
    return img;
}

Image drawLinkGlow() {
    Image img = makeImage(30, 30, Rgb{255, 0, 0}, 0.0f);
    for (int y = 0; y < 30; ++y) {
        for (int x = 0; x < 30; ++x) {
            const double r = std::sqrt((x - 14.5) * (x - 14.5) + (y - 14.5) * (y - 14.5));
            const double a = (r < 4.5 || r > 16.0) ? 0.0 : 16.0 * (16.0 - r);
            pixelAt(img, x, y)[3] = static_cast<float>(a);
        }
    }
    return img;
}

} // namespace

Image drawGaugeImage(int id) {
    switch (id) {
    case ImageBezel:
        return drawBezel();
    case ImageFace:
        return drawFace();
    case ImageCourseCard:
        return drawCourseCard();
    case ImageNeedle:
        return drawNeedle();
    case ImageFlagFill:
        return drawFlagFill();
    case ImageFlagCover:
        return drawFlagCover();
    case ImageNavOff:
        return drawNavOff();
    case ImageGsOff:
        return drawGsOff();
    case ImageLinkLamp:
        return drawLinkLamp();
    case ImagePanelLight:
        return drawPanelLight();
    case ImageLinkGlow:
        return drawLinkGlow();
    default:
        return Image{};
    }
}
