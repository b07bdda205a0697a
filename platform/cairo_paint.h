// The painter's cairo pieces for the metafile player's drawing: paths,
// wide-pen strokes, hatch fills and binary raster operations.
#pragma once

#include <cairo.h>

#include "platform/gdi.h"

namespace platform {

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
// false for a null brush. Sets the operator by the raster operation.
bool ApplyFill(cairo_t* cr, const FillStyle& fill, int rop, bool opaqueBackground, ColourRef background);

}  // namespace platform
