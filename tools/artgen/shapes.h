// shapes.h - coverage masks drawn with cairo: paths, strokes and lettering.
//
// drawMask() hands the callback a cairo context on an 8-bit alpha surface
// whose user space is the generator's pixel space (pixel (i, j) centred on
// (i, j)); what the callback fills or strokes becomes coverage 0..1.
//
// Lettering uses FreeType faces loaded from fixed font files (DejaVu, from
// Debian's fonts-dejavu-core), with hinting off and grey antialiasing, so the
// glyph outlines are the same at every run and on every machine with that
// package. No fontconfig lookup by family name is made.
#pragma once

#include "tools/artgen/raster.h"

#include <cairo.h>
#include <functional>

enum FontId { FontBold, FontBook, FontCondensedBold, FontCount };

// Loads the font files; false (with a message on stderr) if one is missing.
bool loadFonts();
void unloadFonts();

Mask drawMask(int width, int height, const std::function<void(cairo_t*)>& draw);

// Adds the outline of `text` to the current path, scaled so that its ink
// box is exactly (x0, y0)..(x1, y1) in the current user space.
void textInBox(cairo_t* cr, FontId font, const char* text, double x0, double y0, double x1,
               double y1);
// Adds the outline of `text` at font size `size`, its ink box centred on
// (cx, cy) in the current user space. Returns the ink height.
double textCentred(cairo_t* cr, FontId font, double size, const char* text, double cx, double cy);
// Ink height of one em-size unit for the font's capitals (for picking sizes).
double capHeightPerSize(FontId font);

// Common paths, in pixel space.
void ellipsePath(cairo_t* cr, double cx, double cy, double rx, double ry);
void annulusPath(cairo_t* cr, double cx, double cy, double r0, double r1);
// Annular sector between radii r0 < r1, from angle a0 to a1 in degrees
// measured clockwise from straight up.
void sectorPath(cairo_t* cr, double cx, double cy, double r0, double r1, double a0, double a1);
// Adds the outline of `text` at font size `size` with its baseline starting
// at (x, baseline).
void textAt(cairo_t* cr, FontId font, double size, const char* text, double x, double baseline);
