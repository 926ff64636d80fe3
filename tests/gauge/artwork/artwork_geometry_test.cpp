// artwork_geometry_test.cpp - the built-in images against the geometry that
// the renderer relies on, checked from their decoded pixels.
//
// Coordinates are image pixels with pixel (i, j) centred on (i, j). Regions
// are tested with a margin of about a pixel away from their edges, where the
// anti-aliasing is the artist's; hard edges are tested pixel for pixel.
#include "gauge/embedded_art.h"
#include "gauge/png_decode.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

constexpr double Pi = 3.14159265358979323846;

enum { Bezel, Face, Card, Needle, FlagFill, FlagCover, NavOff, GsOff, Lamp, PanelLight, Glow };

struct Pixels {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> bgra;
    // Channels by name, so that expectations read as R, G, B.
    int r(int x, int y) const { return bgra[at(x, y) + 2]; }
    int g(int x, int y) const { return bgra[at(x, y) + 1]; }
    int b(int x, int y) const { return bgra[at(x, y)]; }
    int a(int x, int y) const { return bgra[at(x, y) + 3]; }
    size_t at(int x, int y) const { return (static_cast<size_t>(y) * width + x) * 4; }
};

const Pixels& image(int id) {
    static Pixels cache[EmbeddedImageCount];
    Pixels& p = cache[id];
    if (p.width == 0) {
        DecodedImage d;
        if (decodePng(embeddedImages[id].bytes, embeddedImages[id].size, &d)) {
            p.width = d.width;
            p.height = d.height;
            p.bgra.assign(d.pixels, d.pixels + static_cast<size_t>(d.width) * d.height * 4);
            freeDecodedImage(&d);
        }
    }
    return p;
}

double dist(double x0, double y0, double x1, double y1) {
    return std::hypot(x1 - x0, y1 - y0);
}

// Degrees clockwise from straight up, -180..180.
double bearing(double cx, double cy, double x, double y) {
    return std::atan2(x - cx, cy - y) * 180.0 / Pi;
}

// Ellipse test with a margin: > 0 inside by more than m, < 0 outside by more than m.
int ellipseSide(double cx, double cy, double a, double b, double m, int x, int y) {
    const double dx = x - cx, dy = y - cy;
    if ((dx * dx) / ((a - m) * (a - m)) + (dy * dy) / ((b - m) * (b - m)) <= 1.0) {
        return 1;
    }
    if ((dx * dx) / ((a + m) * (a + m)) + (dy * dy) / ((b + m) * (b + m)) >= 1.0) {
        return -1;
    }
    return 0;
}

// Annular sector about (cx, cy), radii r0..r1, within `half` degrees of `mid`.
int sectorSide(double cx, double cy, double r0, double r1, double mid, double half, double m, int x,
               int y) {
    const double r = dist(cx, cy, x, y);
    double d = bearing(cx, cy, x, y) - mid;
    while (d > 180.0) {
        d -= 360.0;
    }
    while (d < -180.0) {
        d += 360.0;
    }
    const double marginDeg = m / std::max(r, 1.0) * 180.0 / Pi;
    if (r >= r0 + m && r <= r1 - m && std::fabs(d) <= half - marginDeg) {
        return 1;
    }
    if (r <= r0 - m || r >= r1 + m || std::fabs(d) >= half + marginDeg) {
        return -1;
    }
    return 0;
}

bool near(int value, int want, int tolerance) {
    return std::abs(value - want) <= tolerance;
}

TEST(ArtworkImages, HaveTheirSizes) {
    const int sizes[EmbeddedImageCount][2] = {{300, 300}, {300, 300}, {300, 300}, {416, 300},
                                              {38, 41},   {56, 56},   {48, 22},   {23, 49},
                                              {30, 30},   {300, 300}, {30, 30}};
    for (int i = 0; i < EmbeddedImageCount; ++i) {
        EXPECT_EQ(image(i).width, sizes[i][0]) << embeddedImages[i].name;
        EXPECT_EQ(image(i).height, sizes[i][1]) << embeddedImages[i].name;
    }
}

TEST(ArtworkImages, AreEightBitRgbaNotInterlaced) {
    for (int i = 0; i < EmbeddedImageCount; ++i) {
        const uint8_t* ihdr = embeddedImages[i].bytes + 16; // after signature, length, type
        EXPECT_EQ(ihdr[8], 8) << embeddedImages[i].name;    // bit depth
        EXPECT_EQ(ihdr[9], 6) << embeddedImages[i].name;    // colour type RGBA
        EXPECT_EQ(ihdr[12], 0) << embeddedImages[i].name;   // no interlace
    }
}

// ---- Bezel ------------------------------------------------------------------

int bezelWindowSide(int x, int y, double m) {
    const int opening = ellipseSide(150.5, 150.5, 94, 91, m, x, y);
    const int upper = sectorSide(150, 150, 96, 125.5, 0, 44, m, x, y);
    const int lower = sectorSide(150, 150, 124, 141, 180, 21, m, x, y);
    if (opening > 0 || upper > 0 || lower > 0) {
        return 1;
    }
    if (opening < 0 && upper < 0 && lower < 0) {
        return -1;
    }
    return 0;
}

TEST(BezelImage, WindowsTransparentRingOpaqueCornersFlat) {
    const Pixels& p = image(Bezel);
    int badOpen = 0, badRing = 0, badFlat = 0;
    for (int y = 0; y < 300; ++y) {
        for (int x = 0; x < 300; ++x) {
            const double r = dist(150, 150, x, y);
            const int side = bezelWindowSide(x, y, 0.75);
            if (side > 0) {
                badOpen += p.a(x, y) != 0;
            } else if (side < 0 && (r < 142.2 || r > 144.8)) {
                badRing += p.a(x, y) != 255;
            }
            if (r >= 147.0) {
                badFlat +=
                    !(p.r(x, y) == 33 && p.g(x, y) == 37 && p.b(x, y) == 38 && p.a(x, y) == 255);
            }
        }
    }
    EXPECT_EQ(badOpen, 0) << "pixels of the windows that are not fully transparent";
    EXPECT_EQ(badRing, 0) << "pixels of the ring that are not opaque";
    EXPECT_EQ(badFlat, 0) << "pixels outside radius 146 that are not flat (33,37,38)";
}

TEST(BezelImage, OpeningsSpanTheirExtents) {
    const Pixels& p = image(Bezel);
    // Centre opening x 57..244, y 60..241; the separator above it at x = 150.
    EXPECT_EQ(p.a(57, 150), 0);
    EXPECT_EQ(p.a(244, 150), 0);
    EXPECT_EQ(p.a(56, 150), 255);
    EXPECT_EQ(p.a(245, 150), 255);
    EXPECT_EQ(p.a(150, 60), 0);
    EXPECT_EQ(p.a(150, 241), 0);
    EXPECT_EQ(p.a(150, 242), 255);
    for (int y = 55; y <= 59; ++y) {
        EXPECT_GT(p.a(150, y), 128) << "separator row " << y;
    }
    for (int y = 56; y <= 59; ++y) {
        EXPECT_EQ(p.a(150, y), 255) << "separator row " << y;
    }
    // Upper window y 24..82 at its widest; lower window y 266..290.
    EXPECT_EQ(p.a(150, 26), 0);
    EXPECT_EQ(p.a(150, 53), 0);
    EXPECT_EQ(p.a(150, 23), 255);
    EXPECT_EQ(p.a(150, 276), 0);
    EXPECT_EQ(p.a(150, 290), 0);
    EXPECT_EQ(p.a(150, 292), 255);
    EXPECT_EQ(p.a(107, 275), 0) << "lower window, 19 degrees from its middle";
    EXPECT_EQ(p.a(98, 271), 255) << "beside the lower window, 23 degrees from its middle";
}

TEST(BezelImage, OutlineLetsATraceThrough) {
    const Pixels& p = image(Bezel);
    // Along every ray, the least opaque pixel of the outline lies in 200..235.
    for (int deg = 0; deg < 360; deg += 3) {
        int least = 255;
        for (double r = 142.0; r <= 145.0; r += 0.25) {
            const int x = static_cast<int>(std::lround(150 + r * std::sin(deg * Pi / 180)));
            const int y = static_cast<int>(std::lround(150 - r * std::cos(deg * Pi / 180)));
            least = std::min(least, p.a(x, y));
        }
        EXPECT_GE(least, 200) << deg << " degrees";
        EXPECT_LE(least, 235) << deg << " degrees";
    }
}

TEST(BezelImage, RingIsWornBlackWithSparseSpecks) {
    const Pixels& p = image(Bezel);
    double sum[3] = {0, 0, 0};
    int n = 0, light = 0;
    for (int y = 0; y < 300; ++y) {
        for (int x = 0; x < 300; ++x) {
            const double r = dist(150, 150, x, y);
            if (r > 141.5 || bezelWindowSide(x, y, 2.5) >= 0 || (y < 26 && std::abs(x - 150) < 8) ||
                (y > 258 && y < 276 && std::abs(x - 150) < 9)) {
                continue;
            }
            sum[0] += p.r(x, y);
            sum[1] += p.g(x, y);
            sum[2] += p.b(x, y);
            ++n;
            light += p.r(x, y) > 55;
        }
    }
    EXPECT_NEAR(sum[0] / n, 36, 3);
    EXPECT_NEAR(sum[1] / n, 40, 3);
    EXPECT_NEAR(sum[2] / n, 41, 3);
    EXPECT_GE(light, 100) << "specks and scratches";
    EXPECT_LE(light, 1200) << "specks and scratches";
}

TEST(BezelImage, IndexTrianglesPointDownTouchingTheWindows) {
    const Pixels& p = image(Bezel);
    auto cream = [&](int x, int y) {
        return near(p.r(x, y), 253, 4) && near(p.g(x, y), 253, 4) && near(p.b(x, y), 240, 4) &&
               p.a(x, y) == 255;
    };
    // Top: base on y = 13 from x 144 to 155, apex (149.5, 23).
    EXPECT_TRUE(cream(144, 13));
    EXPECT_TRUE(cream(155, 13));
    EXPECT_FALSE(cream(143, 13));
    EXPECT_FALSE(cream(156, 13));
    EXPECT_FALSE(cream(150, 11));
    EXPECT_TRUE(cream(149, 20) && cream(150, 20));
    EXPECT_GT(p.r(149, 22), 100);
    // Bottom: base on y = 261 from x 143 to 156, apex (150, 273).
    EXPECT_TRUE(cream(143, 261));
    EXPECT_TRUE(cream(156, 261));
    EXPECT_FALSE(cream(142, 261));
    EXPECT_FALSE(cream(157, 261));
    EXPECT_TRUE(cream(150, 270));
    EXPECT_GT(p.r(150, 272), 100);
    // Narrowing downwards.
    EXPECT_FALSE(cream(144, 20));
    EXPECT_FALSE(cream(143, 270));
}

// ---- Face -------------------------------------------------------------------

struct Window {
    const char* name;
    int seedX, seedY;
    // Sprites drawn beneath it: x, y, w, h.
    int sprites[2][4];
};
const Window faceWindows[] = {
    {"TO", 187, 114, {{168, 89, 38, 41}, {168, 89, 56, 56}}},
    {"FROM", 188, 176, {{168, 162, 38, 41}, {168, 162, 56, 56}}},
    {"NAV", 150, 226, {{127, 215, 48, 22}, {127, 215, 56, 56}}},
    {"GS", 232, 145, {{221, 120, 23, 49}, {221, 120, 56, 56}}},
};

// Fully transparent pixels connected (8-way) to the seed.
std::vector<std::pair<int, int>> transparentRegion(const Pixels& p, int sx, int sy) {
    std::vector<std::pair<int, int>> region, stack{{sx, sy}};
    std::vector<bool> seen(300 * 300, false);
    while (!stack.empty()) {
        const auto [x, y] = stack.back();
        stack.pop_back();
        if (x < 0 || y < 0 || x >= 300 || y >= 300 || seen[y * 300 + x] || p.a(x, y) != 0) {
            continue;
        }
        seen[y * 300 + x] = true;
        region.push_back({x, y});
        for (int dy = -1; dy <= 1; ++dy) {
            for (int dx = -1; dx <= 1; ++dx) {
                stack.push_back({x + dx, y + dy});
            }
        }
    }
    return region;
}

TEST(FaceImage, EachWindowLiesInsideTheSpritesDrawnBeneathIt) {
    const Pixels& p = image(Face);
    int counted = 0;
    for (const Window& w : faceWindows) {
        const auto region = transparentRegion(p, w.seedX, w.seedY);
        EXPECT_GT(region.size(), 100u) << w.name;
        counted += static_cast<int>(region.size());
        for (const auto& s : w.sprites) {
            int outside = 0;
            for (const auto& [x, y] : region) {
                outside += x < s[0] || y < s[1] || x >= s[0] + s[2] || y >= s[1] + s[3];
            }
            EXPECT_EQ(outside, 0) << w.name << " window pixels outside the " << s[2] << "x" << s[3]
                                  << " sprite";
        }
    }
    // No other hole in the disk.
    int holes = 0;
    for (int y = 0; y < 300; ++y) {
        for (int x = 0; x < 300; ++x) {
            holes += ellipseSide(151, 151, 94.5, 91.5, 1.0, x, y) > 0 && p.a(x, y) == 0;
        }
    }
    EXPECT_EQ(holes, counted);
}

TEST(FaceImage, NavAndGsWindowsHaveHardEdges) {
    const Pixels& p = image(Face);
    for (int y = 217; y <= 237; ++y) {
        for (int x = 129; x <= 175; ++x) {
            const bool inside = x >= 130 && x <= 174 && y >= 218 && y <= 236;
            EXPECT_EQ(p.a(x, y), inside ? 0 : 255) << "NAV " << x << "," << y;
        }
    }
    // GS: x 223..241, y 123..167, its upper right corner cut off by the rim.
    for (int y = 122; y <= 168; ++y) {
        for (int x = 222; x <= 242; ++x) {
            const bool inside = x >= 223 && x <= 241 && y >= 123 && y <= 167;
            const bool corner = x >= 236 && y <= 134;
            if (corner) {
                continue;
            }
            EXPECT_EQ(p.a(x, y), inside ? 0 : 255) << "GS " << x << "," << y;
        }
    }
    int cut = 0;
    for (int x = 223; x <= 241; ++x) {
        cut += p.a(x, 123) != 0;
    }
    EXPECT_GE(cut, 2);
    EXPECT_LE(cut, 4);
    EXPECT_NE(p.a(241, 123), 0);
}

TEST(FaceImage, TriangleWindowsPointUpAndDown) {
    const Pixels& p = image(Face);
    // TO: apex (187.5, 97), base about y 122 from x 175 to 200.
    EXPECT_EQ(p.a(187, 100), 0);
    EXPECT_EQ(p.a(176, 122), 0);
    EXPECT_EQ(p.a(199, 122), 0);
    EXPECT_EQ(p.a(187, 95), 255);
    EXPECT_EQ(p.a(187, 125), 255);
    // FROM: base y 169 from x 176 to 200, apex (188, 193).
    EXPECT_EQ(p.a(177, 169), 0);
    EXPECT_EQ(p.a(199, 169), 0);
    EXPECT_EQ(p.a(188, 190), 0);
    EXPECT_EQ(p.a(188, 167), 255);
    EXPECT_EQ(p.a(188, 196), 255);
}

bool nearAWindow(int x, int y) {
    const int boxes[4][4] = {
        {173, 95, 202, 125}, {174, 167, 202, 195}, {128, 216, 176, 238}, {221, 121, 243, 169}};
    for (const auto& b : boxes) {
        if (x >= b[0] && y >= b[1] && x <= b[2] && y <= b[3]) {
            return true;
        }
    }
    return false;
}

TEST(FaceImage, DiskOpaqueDarkGreyLighterAtTheTop) {
    const Pixels& p = image(Face);
    int outsideVisible = 0, soft = 0, tooThin = 0;
    for (int y = 0; y < 300; ++y) {
        for (int x = 0; x < 300; ++x) {
            const int side = ellipseSide(151, 151, 94.5, 91.5, 1.0, x, y);
            if (side < 0) {
                outsideVisible += p.a(x, y) != 0;
            } else if (side > 0 && p.a(x, y) != 0 && !nearAWindow(x, y)) {
                soft += p.a(x, y) < 255;
                tooThin += p.a(x, y) < 240;
            }
        }
    }
    EXPECT_EQ(outsideVisible, 0);
    EXPECT_GT(soft, 0) << "a few soft patches";
    EXPECT_EQ(tooThin, 0) << "patches stay at alpha 240 or more";
    // Extents x 57..245, y 60..242.
    EXPECT_EQ(p.a(57, 151), 255);
    EXPECT_EQ(p.a(245, 151), 255);
    EXPECT_EQ(p.a(151, 60), 255);
    EXPECT_EQ(p.a(151, 242), 255);
    EXPECT_EQ(p.a(55, 151), 0);
    EXPECT_EQ(p.a(151, 244), 0);
    auto meanGrey = [&](int x0, int y0) {
        double s = 0;
        int n = 0;
        for (int y = y0; y < y0 + 6; ++y) {
            for (int x = x0; x < x0 + 10; ++x) {
                s += p.g(x, y);
                ++n;
            }
        }
        return s / n;
    };
    EXPECT_NEAR(meanGrey(130, 68), 74, 6);
    EXPECT_NEAR(meanGrey(100, 222), 53, 6);
}

TEST(FaceImage, MarkingsStandWhereTheNeedlesRest) {
    const Pixels& p = image(Face);
    auto cream = [&](int x, int y) {
        return p.r(x, y) >= 240 && p.g(x, y) >= 238 && p.b(x, y) >= 220 && p.a(x, y) == 255;
    };
    struct Mark {
        int x, y;
        bool cream;
    };
    const Mark marks[] = {
        {150, 146, true},  // centre dot
        {151, 131, true},  // ring, top
        {150, 139, false}, // inside the ring
        {136, 146, true},  // ring, left
        {165, 146, true},  // ring, right
        {103, 146, true},  {115, 146, true}, {127, 146, true},  {174, 146, true},
        {186, 146, true},  {198, 146, true}, {109, 146, false}, {180, 146, false},
        {91, 146, true},   {87, 142, true},  {95, 150, true},   {210, 146, true},
        {214, 150, true},  {150, 98, true},  {151, 110, true},  {150, 122, true},
        {150, 104, false}, {151, 170, true}, {150, 182, true},  {151, 194, true},
        {150, 188, false}, {150, 85, true},  {151, 205, true},  {150, 230, false},
    };
    for (const Mark& m : marks) {
        EXPECT_EQ(cream(m.x, m.y), m.cream) << m.x << "," << m.y;
    }
    // Lettering: some ink in the label boxes, none just outside them.
    auto ink = [&](int x0, int y0, int x1, int y1) {
        int n = 0;
        for (int y = y0; y <= y1; ++y) {
            for (int x = x0; x <= x1; ++x) {
                n += p.r(x, y) > 150;
            }
        }
        return n;
    };
    EXPECT_GT(ink(183, 125, 193, 133), 25) << "TO";
    EXPECT_GT(ink(176, 159, 199, 166), 40) << "FROM";
    EXPECT_EQ(ink(181, 125, 181, 133) + ink(195, 125, 195, 133), 0);
    EXPECT_EQ(ink(174, 159, 174, 166) + ink(201, 159, 201, 166), 0);
}

// ---- Course card ------------------------------------------------------------

TEST(CourseCardImage, RingBetweenItsRadii) {
    const Pixels& p = image(Card);
    int bad = 0;
    for (int y = 0; y < 300; ++y) {
        for (int x = 0; x < 300; ++x) {
            const double r = dist(149.5, 149.5, x, y);
            if (r <= 92.8 || r >= 141.8) {
                bad += p.a(x, y) != 0;
            } else if (r >= 94.2 && r <= 140.3) {
                bad += p.a(x, y) != 255;
            }
            if (p.a(x, y) != 0) {
                // Flat grey and pure white, nothing else.
                bad += !(p.r(x, y) == p.g(x, y) && p.g(x, y) == p.b(x, y) && p.r(x, y) >= 40);
            }
        }
    }
    EXPECT_EQ(bad, 0);
    EXPECT_EQ(p.a(9, 150), 255);
    EXPECT_EQ(p.a(290, 149), 255);
    EXPECT_EQ(p.a(8, 150), 0);
    EXPECT_EQ(p.a(291, 149), 0);
    // Bare ring between two labels, and between the labels and the ticks.
    EXPECT_EQ(p.r(static_cast<int>(std::lround(149.5 + 110 * std::sin(15 * Pi / 180))),
                  static_cast<int>(std::lround(149.5 - 110 * std::cos(15 * Pi / 180)))),
              40);
    EXPECT_EQ(p.r(149, 150 - 97), 40);
}

int brightestNear(const Pixels& p, double cx, double cy) {
    int best = 0;
    for (int y = static_cast<int>(cy) - 1; y <= static_cast<int>(cy) + 2; ++y) {
        for (int x = static_cast<int>(cx) - 1; x <= static_cast<int>(cx) + 2; ++x) {
            if (dist(cx, cy, x, y) <= 1.0) {
                best = std::max(best, p.r(x, y));
            }
        }
    }
    return best;
}

TEST(CourseCardImage, SeventyTwoTicksLongAndShort) {
    const Pixels& p = image(Card);
    const double c = 149.5;
    for (int i = 0; i < 72; ++i) {
        const double a = i * 5.0 * Pi / 180.0;
        auto at = [&](double r) {
            return brightestNear(p, c + r * std::sin(a), c - r * std::cos(a));
        };
        EXPECT_GE(at(127.0), 240) << "tick at " << i * 5;
        if (i % 2 == 0) {
            EXPECT_GE(at(121.0), 240) << "long tick at " << i * 5;
            EXPECT_GE(at(131.0), 240) << "long tick at " << i * 5;
        } else {
            EXPECT_LE(at(121.5), 90) << "short tick at " << i * 5;
            EXPECT_GE(at(124.5), 200) << "short tick at " << i * 5;
            EXPECT_GE(at(130.5), 200) << "short tick at " << i * 5;
        }
        // Bare ring between two ticks.
        const double b = a + 2.5 * Pi / 180.0;
        EXPECT_EQ(p.r(static_cast<int>(std::lround(c + 127 * std::sin(b))),
                      static_cast<int>(std::lround(c - 127 * std::cos(b)))),
                  40)
            << "between ticks at " << i * 5 + 2.5;
    }
}

// Ink centroid of the label at `deg`, between radii r0 and r1, relative to
// its centre, in the label's own upright frame (y grows towards the centre).
void labelInk(const Pixels& p, double deg, double r0, double r1, double* across, double* radial,
              int* count) {
    const double c = 149.5;
    double sa = 0, sr = 0;
    int n = 0;
    const double mid = (r0 + r1) / 2;
    for (int y = 0; y < 300; ++y) {
        for (int x = 0; x < 300; ++x) {
            const double r = dist(c, c, x, y);
            double d = bearing(c, c, x, y) - deg;
            while (d > 180) {
                d -= 360;
            }
            while (d < -180) {
                d += 360;
            }
            if (r < r0 || r > r1 || std::fabs(d) > 12 || p.r(x, y) < 128) {
                continue;
            }
            sa += d * Pi / 180 * r;
            sr += mid - r;
            ++n;
        }
    }
    *across = n ? sa / n : 0;
    *radial = n ? sr / n : 0;
    *count = n;
}

TEST(CourseCardImage, LabelsEveryThirtyDegreesTurnedTheirWays) {
    const Pixels& p = image(Card);
    for (int k = 0; k < 12; ++k) {
        double across, radial;
        int n;
        labelInk(p, k * 30.0, 102.5, 118.5, &across, &radial, &n);
        EXPECT_GT(n, 30) << "large label at " << k * 30;
        labelInk(p, k * 30.0, 133.5, 140.5, &across, &radial, &n);
        EXPECT_GT(n, 6) << "small label at " << k * 30;
    }
    // No ink inside the labels' inner radius or beyond the ring.
    int stray = 0;
    for (int y = 0; y < 300; ++y) {
        for (int x = 0; x < 300; ++x) {
            const double r = dist(149.5, 149.5, x, y);
            stray += (r < 102.0 || r > 141.5) && p.a(x, y) > 0 && p.r(x, y) > 60;
        }
    }
    EXPECT_EQ(stray, 0);
    // "E" at 90 degrees: its spine marks which way its top faces. Large
    // labels face outwards, so the spine is on top (upstream of the turn);
    // small labels face the centre, so their spine lies below.
    double across, radial;
    int n;
    labelInk(p, 90.0, 102.5, 118.5, &across, &radial, &n);
    EXPECT_LT(across, -0.4) << "large E turned with its top outwards";
    labelInk(p, 90.0, 133.5, 140.5, &across, &radial, &n);
    EXPECT_GT(across, 0.2) << "small E turned with its top to the centre";
}

// ---- Needle -----------------------------------------------------------------

TEST(NeedleImage, OneBarFromThePivotToTheRight) {
    const Pixels& p = image(Needle);
    int wrongAlpha = 0, wrongColour = 0;
    for (int y = 0; y < 300; ++y) {
        for (int x = 0; x < 416; ++x) {
            const bool bar = y >= 148 && y <= 152 && x >= 207 && x <= 412;
            const int a = p.a(x, y);
            if (!bar) {
                wrongAlpha += a != 0;
                continue;
            }
            const bool edgeRow = y == 148 || y == 152;
            const bool end = x == 207 || x == 412;
            if (edgeRow && !end) {
                wrongAlpha += a < 115 || a > 121;
            } else if (!edgeRow && x == 207) {
                wrongAlpha += a < 105 || a > 109;
            } else if (!edgeRow && x == 412) {
                wrongAlpha += a < 125 || a > 135;
            } else if (!edgeRow) {
                wrongAlpha += a != 255;
            } else {
                wrongAlpha += a == 0 || a > 121; // corners: both edges
            }
            int want[3];
            if (x <= 256) {
                want[0] = 33, want[1] = 38, want[2] = 39;
            } else if (x == 257) {
                want[0] = 129, want[1] = 126, want[2] = 125;
            } else if (y == 152) {
                want[0] = 143, want[1] = 142, want[2] = 136;
            } else {
                want[0] = 253, want[1] = 248, want[2] = 230;
            }
            wrongColour += !(near(p.r(x, y), want[0], 4) && near(p.g(x, y), want[1], 4) &&
                             near(p.b(x, y), want[2], 4));
        }
    }
    EXPECT_EQ(wrongAlpha, 0);
    EXPECT_EQ(wrongColour, 0);
    // The pivot at the image's centre: the bar's rows straddle the middle line.
    EXPECT_DOUBLE_EQ((148 + 152) / 2.0 - 0.5, (300 - 1) / 2.0);
    EXPECT_DOUBLE_EQ(207.5, (416 - 1) / 2.0);
}

// ---- Window sprites ---------------------------------------------------------

TEST(WindowSprites, UniformFillAndCover) {
    const Pixels& fill = image(FlagFill);
    const Pixels& cover = image(FlagCover);
    for (int y = 0; y < fill.height; ++y) {
        for (int x = 0; x < fill.width; ++x) {
            ASSERT_TRUE(fill.r(x, y) == 250 && fill.g(x, y) == 250 && fill.b(x, y) == 237 &&
                        fill.a(x, y) == 255);
        }
    }
    for (int y = 0; y < cover.height; ++y) {
        for (int x = 0; x < cover.width; ++x) {
            ASSERT_TRUE(cover.r(x, y) == 51 && cover.g(x, y) == 51 && cover.b(x, y) == 51 &&
                        cover.a(x, y) == 255);
        }
    }
}

// Red ground everywhere except black ink inside the letter boxes.
void expectFlag(const Pixels& p, int r, int g, int b,
                const std::vector<std::array<int, 4>>& boxes) {
    int wrong = 0;
    for (int y = 0; y < p.height; ++y) {
        for (int x = 0; x < p.width; ++x) {
            bool inBox = false;
            for (const auto& bx : boxes) {
                inBox =
                    inBox || (x >= bx[0] - 1 && x <= bx[2] + 1 && y >= bx[1] - 1 && y <= bx[3] + 1);
            }
            wrong += p.a(x, y) != 255;
            if (!inBox) {
                wrong += !(p.r(x, y) == r && p.g(x, y) == g && p.b(x, y) == b);
            }
        }
    }
    EXPECT_EQ(wrong, 0);
    for (const auto& bx : boxes) {
        int black = 0;
        bool top = false, bottom = false, left = false, right = false;
        for (int y = bx[1]; y <= bx[3]; ++y) {
            for (int x = bx[0]; x <= bx[2]; ++x) {
                const bool dark = p.r(x, y) < 90;
                black += dark;
                top = top || (dark && y == bx[1]);
                bottom = bottom || (dark && y == bx[3]);
                left = left || (dark && x == bx[0]);
                right = right || (dark && x == bx[2]);
            }
        }
        EXPECT_GT(black, 12);
        EXPECT_TRUE(top && bottom) << "letters fill their box's height";
        (void)left;
        (void)right;
    }
}

TEST(WindowSprites, NavOffFlag) {
    expectFlag(image(NavOff), 255, 51, 0, {{12, 8, 39, 17}});
}

TEST(WindowSprites, GsOffFlagStacksItsLetters) {
    expectFlag(image(GsOff), 255, 68, 21, {{6, 5, 17, 16}, {6, 20, 17, 30}, {6, 34, 17, 44}});
}

// ---- Lamp, panel light, glow ------------------------------------------------

TEST(LampImage, RedDiskWithItsHighlight) {
    const Pixels& p = image(Lamp);
    for (int y = 0; y < 30; ++y) {
        for (int x = 0; x < 30; ++x) {
            const double r = dist(14.5, 14.5, x, y);
            const bool highlight = x >= 15 && x <= 17 && y >= 12 && y <= 14;
            if (highlight) {
                const bool corner = x != 16 && y != 13;
                EXPECT_EQ(p.r(x, y), corner ? 229 : 204);
                EXPECT_EQ(p.g(x, y), corner ? 102 : 204);
                EXPECT_EQ(p.b(x, y), corner ? 102 : 204);
                EXPECT_EQ(p.a(x, y), 255);
            } else if (r <= 4.3) {
                EXPECT_TRUE(p.r(x, y) == 255 && p.g(x, y) == 0 && p.b(x, y) == 0 &&
                            p.a(x, y) == 255)
                    << x << "," << y;
            } else if (r >= 5.75) {
                EXPECT_EQ(p.a(x, y), 0) << x << "," << y;
            }
        }
    }
    EXPECT_GE(p.a(10, 14), 230);
    EXPECT_GE(p.a(19, 15), 230);
    EXPECT_LE(p.a(9, 14), 40);
}

TEST(PanelLightImage, FollowsItsRadialGradient) {
    const Pixels& p = image(PanelLight);
    int wrong = 0;
    for (int y = 0; y < 300; ++y) {
        for (int x = 0; x < 300; ++x) {
            const double r = dist(149.5, 149.5, x, y);
            if (r >= 146.8) {
                wrong += p.a(x, y) != 0;
                continue;
            }
            const double k = std::max(0.0, 1.0 - dist(236, 46, x, y) / 274.0);
            wrong += !(near(p.r(x, y), static_cast<int>(std::lround(255 * k)), 1) &&
                       near(p.g(x, y), static_cast<int>(std::lround(51 * k)), 1) && p.b(x, y) == 0);
            if (r <= 145.2) {
                wrong += p.a(x, y) != 255;
            }
        }
    }
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(p.a(4, 150), 255);
    EXPECT_EQ(p.a(295, 149), 255);
    EXPECT_EQ(p.a(2, 150), 0);
}

TEST(LinkGlowImage, FollowsItsAlphaLaw) {
    const Pixels& p = image(Glow);
    int wrong = 0;
    for (int y = 0; y < 30; ++y) {
        for (int x = 0; x < 30; ++x) {
            wrong += !(p.r(x, y) == 255 && p.g(x, y) == 0 && p.b(x, y) == 0);
            const double r = dist(14.5, 14.5, x, y);
            if (r < 4.4 || r > 16.0) {
                wrong += p.a(x, y) != 0;
            } else if (r > 4.6) {
                wrong += !near(p.a(x, y), static_cast<int>(std::lround(16 * (16 - r))), 1);
            }
        }
    }
    EXPECT_EQ(wrong, 0);
    EXPECT_NEAR(p.a(11, 11), 177, 1); // by the lamp's edge, radius 4.95
}

} // namespace
