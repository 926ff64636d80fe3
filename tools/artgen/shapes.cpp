// shapes.cpp - cairo masks and FreeType lettering for the generator.
#include "tools/artgen/shapes.h"

#include <cairo-ft.h>
#include <cmath>
#include <cstdio>

#include <ft2build.h>
#include FT_FREETYPE_H

namespace {

constexpr double Pi = 3.14159265358979323846;

const char* const FontFiles[FontCount] = {
    "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf",
    "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
    "/usr/share/fonts/truetype/dejavu/DejaVuSansCondensed-Bold.ttf",
};

struct Fonts {
    FT_Library library = nullptr;
    FT_Face faces[FontCount] = {};
    cairo_font_face_t* cairoFaces[FontCount] = {};
};
Fonts fonts;

void selectFont(cairo_t* cr, FontId font, double size) {
    cairo_set_font_face(cr, fonts.cairoFaces[font]);
    cairo_set_font_size(cr, size);
    cairo_font_options_t* opts = cairo_font_options_create();
    cairo_font_options_set_hint_style(opts, CAIRO_HINT_STYLE_NONE);
    cairo_font_options_set_hint_metrics(opts, CAIRO_HINT_METRICS_OFF);
    cairo_font_options_set_antialias(opts, CAIRO_ANTIALIAS_GRAY);
    cairo_set_font_options(cr, opts);
    cairo_font_options_destroy(opts);
}

} // namespace

bool loadFonts() {
    if (FT_Init_FreeType(&fonts.library) != 0) {
        std::fprintf(stderr, "artgen: FreeType did not start\n");
        return false;
    }
    for (int i = 0; i < FontCount; ++i) {
        if (FT_New_Face(fonts.library, FontFiles[i], 0, &fonts.faces[i]) != 0) {
            std::fprintf(stderr, "artgen: cannot load %s (package fonts-dejavu-core)\n",
                         FontFiles[i]);
            return false;
        }
        fonts.cairoFaces[i] =
            cairo_ft_font_face_create_for_ft_face(fonts.faces[i], FT_LOAD_NO_HINTING);
    }
    return true;
}

void unloadFonts() {
    for (int i = 0; i < FontCount; ++i) {
        if (fonts.cairoFaces[i] != nullptr) {
            cairo_font_face_destroy(fonts.cairoFaces[i]);
        }
        if (fonts.faces[i] != nullptr) {
            FT_Done_Face(fonts.faces[i]);
        }
    }
    if (fonts.library != nullptr) {
        FT_Done_FreeType(fonts.library);
    }
    fonts = Fonts{};
}

Mask drawMask(int width, int height, const std::function<void(cairo_t*)>& draw) {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_A8, width, height);
    cairo_t* cr = cairo_create(surface);
    // Cairo's pixel (i, j) spans i..i+1; ours is centred on i.
    cairo_translate(cr, 0.5, 0.5);
    cairo_set_source_rgba(cr, 0, 0, 0, 1);
    draw(cr);
    cairo_destroy(cr);
    cairo_surface_flush(surface);
    Mask m = makeMask(width, height, 0.0f);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            // The rasteriser leaves a pixel that an edge only grazes at 97 or
            // 3 per cent; such a pixel counts as inside or outside, so that
            // a window is fully transparent right up to its stated extent.
            const int v = data[y * stride + x];
            maskAt(m, x, y) = v >= 246 ? 1.0f : (v <= 9 ? 0.0f : v / 255.0f);
        }
    }
    cairo_surface_destroy(surface);
    return m;
}

void textInBox(cairo_t* cr, FontId font, const char* text, double x0, double y0, double x1,
               double y1) {
    const double size = 100.0;
    selectFont(cr, font, size);
    cairo_text_extents_t e;
    cairo_text_extents(cr, text, &e);
    cairo_save(cr);
    cairo_translate(cr, x0, y0);
    cairo_scale(cr, (x1 - x0) / e.width, (y1 - y0) / e.height);
    cairo_move_to(cr, -e.x_bearing, -e.y_bearing);
    cairo_text_path(cr, text);
    cairo_restore(cr);
}

double textCentred(cairo_t* cr, FontId font, double size, const char* text, double cx, double cy) {
    selectFont(cr, font, size);
    cairo_text_extents_t e;
    cairo_text_extents(cr, text, &e);
    cairo_move_to(cr, cx - e.x_bearing - e.width / 2.0, cy - e.y_bearing - e.height / 2.0);
    cairo_text_path(cr, text);
    return e.height;
}

double capHeightPerSize(FontId font) {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_A8, 1, 1);
    cairo_t* cr = cairo_create(surface);
    selectFont(cr, font, 100.0);
    cairo_text_extents_t e;
    cairo_text_extents(cr, "E", &e);
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
    return e.height / 100.0;
}

void ellipsePath(cairo_t* cr, double cx, double cy, double rx, double ry) {
    cairo_save(cr);
    cairo_translate(cr, cx, cy);
    cairo_scale(cr, rx, ry);
    cairo_new_sub_path(cr);
    cairo_arc(cr, 0, 0, 1, 0, 2 * Pi);
    cairo_close_path(cr);
    cairo_restore(cr);
}

void annulusPath(cairo_t* cr, double cx, double cy, double r0, double r1) {
    cairo_new_sub_path(cr);
    cairo_arc(cr, cx, cy, r1, 0, 2 * Pi);
    cairo_close_path(cr);
    cairo_new_sub_path(cr);
    cairo_arc_negative(cr, cx, cy, r0, 2 * Pi, 0);
    cairo_close_path(cr);
}

void sectorPath(cairo_t* cr, double cx, double cy, double r0, double r1, double a0, double a1) {
    // Clockwise from up is cairo's angle (clockwise from +x) minus 90 degrees.
    const double c0 = (a0 - 90.0) * Pi / 180.0;
    const double c1 = (a1 - 90.0) * Pi / 180.0;
    cairo_new_sub_path(cr);
    cairo_arc(cr, cx, cy, r1, c0, c1);
    cairo_arc_negative(cr, cx, cy, r0, c1, c0);
    cairo_close_path(cr);
}

void textAt(cairo_t* cr, FontId font, double size, const char* text, double x, double baseline) {
    selectFont(cr, font, size);
    cairo_move_to(cr, x, baseline);
    cairo_text_path(cr, text);
}
