// artgen_main.cpp - vor-artgen: draws the instrument's artwork.
//
//   vor-artgen ART_DIR ICON_FILE [DOCS_DIR]
//
// Writes the eleven images into ART_DIR (gauge/art/ in the source tree), the
// program's icon to ICON_FILE (app/win32/vor-tavrin.ico) and, given DOCS_DIR,
// a contact sheet of the images enlarged twice and a preview of the
// assembled instrument (docs/art/). The output is the same, byte for byte,
// at every run: the build target regenerate-art rewrites the committed files,
// the test artgen_reproduces_committed checks that they match.
#include "tools/artgen/file_writers.h"
#include "tools/artgen/gauge_images.h"
#include "tools/artgen/raster.h"
#include "tools/artgen/shapes.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace {

// The instrument as the renderer stacks it, for the icon and the preview.
struct PreviewState {
    int toFrom;
    bool gsUsable;
    int locNeedle;
    int gsNeedle;
    int obsDegrees;
    bool panelLight;
    bool connected;
};

Image composeGauge(const std::vector<Image>& art, const PreviewState& s) {
    Image dst = makeImage(300, 300, Rgb{0, 0, 0}, 255.0f);
    auto draw = [&](int id, int x, int y, double degrees, float intensity, PreviewBlend blend) {
        compositeSprite(dst, art[id], x, y, degrees, intensity, blend);
    };
    const int windowX[3] = {168, 168, 127};
    const int windowY[3] = {162, 89, 215};
    int sprites[3] = {-1, -1, -1}; // FROM, TO, NAV
    if (s.toFrom == 0) {
        sprites[0] = ImageFlagCover, sprites[1] = ImageFlagCover, sprites[2] = ImageNavOff;
    } else if (s.toFrom == 1) {
        sprites[0] = ImageFlagCover, sprites[1] = ImageFlagFill, sprites[2] = ImageFlagCover;
    } else if (s.toFrom == 2) {
        sprites[0] = ImageFlagFill, sprites[1] = ImageFlagCover, sprites[2] = ImageFlagCover;
    }
    for (int i = 0; i < 3; ++i) {
        if (sprites[i] >= 0) {
            draw(sprites[i], windowX[i], windowY[i], 0.0, 255, PreviewNormal);
        }
    }
    draw(s.gsUsable ? ImageFlagCover : ImageGsOff, 221, 120, 0.0, 255, PreviewNormal);
    draw(ImageFace, 2, 2, 0.0, 80, PreviewShadow);
    draw(ImageFace, 0, 0, 0.0, 255, PreviewNormal);
    const double loc = s.locNeedle * (-23.0 / 127.0) + 90.1;
    draw(ImageNeedle, -55, -152, loc, 100, PreviewShadow);
    draw(ImageNeedle, -57, -156, loc, 255, PreviewNormal);
    const double gs = s.gsNeedle * (23.0 / 127.0) + 0.1;
    draw(ImageNeedle, -206, 0, gs, 100, PreviewShadow);
    draw(ImageNeedle, -208, -4, gs, 255, PreviewNormal);
    draw(ImageCourseCard, 0, 0, 360.0 - s.obsDegrees, 255, PreviewNormal);
    draw(ImageBezel, 3, 2, 0.0, 100, PreviewShadow);
    draw(ImageBezel, 0, 0, 0.0, 255, PreviewNormal);
    PreviewBlend lampBlend = PreviewNormal;
    if (s.panelLight) {
        draw(ImagePanelLight, 0, 0, 0.0, 200, PreviewLight);
        lampBlend = PreviewLight;
    }
    if (!s.connected) {
        draw(ImageLinkLamp, 40, 40, 0.0, 255, lampBlend);
        draw(ImageLinkGlow, 40, 40, 0.0, 255, lampBlend);
    }
    return dst;
}

// One icon size: the instrument cut round within `radius` of its centre,
// reduced by area, then given back the contrast and edges that the
// reduction blurs away.
Image iconOf(const Image& gauge, double radius, int size) {
    const int side = static_cast<int>(std::lround(2 * radius));
    const int x0 = static_cast<int>(std::lround(149.5 - radius + 0.5));
    Image crop = makeImage(side, side, Rgb{0, 0, 0}, 0.0f);
    const Mask round = drawMask(side, side, [&](cairo_t* cr) {
        ellipsePath(cr, (side - 1) / 2.0, (side - 1) / 2.0, radius - 0.5, radius - 0.5);
        cairo_fill(cr);
    });
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            const float* s = pixelAt(gauge, x0 + x, x0 + y);
            float* d = pixelAt(crop, x, y);
            for (int c = 0; c < 3; ++c) {
                d[c] = std::clamp((s[c] - 18.0f) * 1.3f, 0.0f, 255.0f);
            }
            d[3] = 255.0f * maskAt(round, x, y);
        }
    }
    const Image small = downscale(crop, size, size);
    Image sharp = small;
    for (int y = 1; y < size - 1; ++y) {
        for (int x = 1; x < size - 1; ++x) {
            for (int c = 0; c < 3; ++c) {
                float around = 0.0f;
                for (int dy = -1; dy <= 1; ++dy) {
                    for (int dx = -1; dx <= 1; ++dx) {
                        around += pixelAt(small, x + dx, y + dy)[c];
                    }
                }
                const float v = pixelAt(small, x, y)[c];
                pixelAt(sharp, x, y)[c] = std::clamp(v + 0.45f * (v - around / 9.0f), 0.0f, 255.0f);
            }
        }
    }
    return sharp;
}

// The icon: the instrument at rest with a TO indication. The smallest size
// shows only the face, where the needles and the flag still read.
std::vector<Image> iconImages(const std::vector<Image>& art) {
    const Image gauge = composeGauge(art, PreviewState{1, true, 0, 0, 0, false, true});
    return {iconOf(gauge, 147.0, 48), iconOf(gauge, 147.0, 32), iconOf(gauge, 104.0, 16)};
}

void blit(Image& dst, const Image& src, int x0, int y0, int scale) {
    for (int y = 0; y < src.height * scale; ++y) {
        for (int x = 0; x < src.width * scale; ++x) {
            const float* s = pixelAt(src, x / scale, y / scale);
            float* d = pixelAt(dst, x0 + x, y0 + y);
            const float a = s[3] / 255.0f;
            for (int c = 0; c < 3; ++c) {
                d[c] = s[c] * a + d[c] * (1.0f - a);
            }
        }
    }
}

void checkerboard(Image& dst, int x0, int y0, int w, int h) {
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const float v = ((x / 8 + y / 8) % 2 == 0) ? 150.0f : 172.0f;
            float* d = pixelAt(dst, x0 + x, y0 + y);
            d[0] = d[1] = d[2] = v;
        }
    }
}

struct Placed {
    int id;
    int x, y;
};

void label(Image& sheet, const char* text, int x, int baseline) {
    const Mask m = drawMask(sheet.width, sheet.height, [&](cairo_t* cr) {
        textAt(cr, FontBook, 15.0, text, x, baseline);
        cairo_fill(cr);
    });
    paintOver(sheet, m, Rgb{20, 20, 20});
}

// The eleven images at twice their size, on a checkerboard, each named by
// its file.
Image contactSheet(const std::vector<Image>& art) {
    const int gap = 24, caption = 26;
    const Placed layout[] = {
        {ImageBezel, gap, gap + caption},
        {ImageFace, gap + 624, gap + caption},
        {ImageCourseCard, gap + 1248, gap + caption},
        {ImageNeedle, gap, 2 * gap + 2 * caption + 600},
        {ImagePanelLight, gap + 856, 2 * gap + 2 * caption + 600},
        {ImageFlagFill, gap, 3 * gap + 3 * caption + 1200},
        {ImageFlagCover, gap + 200, 3 * gap + 3 * caption + 1200},
        {ImageNavOff, gap + 400, 3 * gap + 3 * caption + 1200},
        {ImageGsOff, gap + 600, 3 * gap + 3 * caption + 1200},
        {ImageLinkLamp, gap + 800, 3 * gap + 3 * caption + 1200},
        {ImageLinkGlow, gap + 1000, 3 * gap + 3 * caption + 1200},
    };
    Image sheet =
        makeImage(1896, 3 * gap + 3 * caption + 1200 + 2 * 49 + gap, Rgb{236, 236, 232}, 255.0f);
    for (const Placed& p : layout) {
        const Image& img = art[p.id];
        checkerboard(sheet, p.x, p.y, img.width * 2, img.height * 2);
        blit(sheet, img, p.x, p.y, 2);
        char text[96];
        std::snprintf(text, sizeof text, "%s  %dx%d", GaugeImageFiles[p.id], img.width, img.height);
        label(sheet, text, p.x, p.y - 8);
    }
    return sheet;
}

// Four states of the assembled instrument side by side, at 1:1.
Image previewSheet(const std::vector<Image>& art) {
    const PreviewState states[4] = {
        {0, false, 0, 0, 0, false, false},     // start-up: no link, all flags
        {1, true, 0, 0, 0, false, true},       // centred, TO
        {2, true, 64, -90, 135, false, true},  // deflected, FROM
        {1, true, -127, 127, 270, true, true}, // full scale, panel light
    };
    Image sheet = makeImage(4 * 300 + 5 * 12, 324, Rgb{236, 236, 232}, 255.0f);
    for (int i = 0; i < 4; ++i) {
        const Image g = composeGauge(art, states[i]);
        blit(sheet, g, 12 + i * 312, 12, 1);
    }
    return sheet;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3 || argc > 4) {
        std::fprintf(stderr, "usage: vor-artgen ART_DIR ICON_FILE [DOCS_DIR]\n");
        return 2;
    }
    const std::string artDir = argv[1];
    if (!loadFonts()) {
        return 1;
    }
    std::vector<Image> art;
    bool ok = true;
    for (int id = 0; id < GaugeImageCount; ++id) {
        art.push_back(drawGaugeImage(id));
        ok = writePng(artDir + "/" + GaugeImageFiles[id], art.back()) && ok;
    }
    ok = writeIcon(argv[2], iconImages(art)) && ok;
    if (argc == 4) {
        const std::string docs = argv[3];
        ok = writePng(docs + "/contact-sheet.png", contactSheet(art)) && ok;
        ok = writePng(docs + "/assembled.png", previewSheet(art)) && ok;
    }
    unloadFonts();
    return ok ? 0 : 1;
}
