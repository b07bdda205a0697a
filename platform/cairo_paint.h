// The painter's cairo pieces: how colours become pixels, and for the
// metafile player's drawing paths, wide-pen strokes, hatch fills and binary
// raster operations.
#pragma once

#include <cairo.h>

#include "platform/gdi.h"
#include "platform/pixels.h"

namespace platform {

// Attaches (or, with null, detaches) the index model to cr; it must outlive cr
// or be detached. Without one, cr's target is an ARGB32 surface.
void SetIndexedColours(cairo_t* cr, const IndexedColours* colours);
const IndexedColours* IndexedColoursOf(cairo_t* cr);

// Sets cr's source to `colour` as cr's target stores it (on an index target,
// with the replacing operator).
void SetSourceColour(cairo_t* cr, ColourRef colour);

// Draws glyphs in `colour`. On an index target cairo's replacing operator
// would cut glyphs to their estimated boxes, a pixel short of what a colour
// target shows, so the glyphs' own coverage is drawn first and the index put
// where it falls.
void ShowGlyphs(cairo_t* cr, const cairo_glyph_t* glyphs, int count, ColourRef colour);

// Adds the path to cr's current path, placed on pixel centres; points beyond
// cairo's reach are pulled in to the edge of the guard box around `canvas`.
void TracePath(cairo_t* cr, const Path& path, const Box& canvas);

// Sets cr's source and operator for drawing `colour` under the raster
// operation; false when nothing is to be drawn (R2_NOP).
bool ApplyRop2(cairo_t* cr, int rop, ColourRef colour);

// Sets the line width, caps, joins and dashes of the stroke.
void ApplyStroke(cairo_t* cr, const StrokeStyle& stroke);

// The fill's source: a solid colour, or an 8 x 8 hatch tile repeated from the
// device origin over the background colour (opaque) or over nothing. Returns
// false for a null brush. Sets the operator by the raster operation. On an
// index target a hatch over nothing is the ink colour through the tile as a
// mask: *mask gets that pattern (the caller paints through it within the
// path and destroys it); otherwise *mask is null.
bool ApplyFill(cairo_t* cr, const FillStyle& fill, int rop, bool opaqueBackground, ColourRef background,
               cairo_pattern_t** mask);

// Whether the raster operation reads what is already drawn.
bool Rop2ReadsDestination(int rop);
// The raster operation on 0x00RRGGBB colours, bitwise.
uint32_t ApplyRop2Rgb(int rop, uint32_t pen, uint32_t destination);

}  // namespace platform
