// The metafile player: plays the records of an enhanced metafile into a device
// context, its picture frame stretched onto a rectangle of device pixels.
//
// What it draws: mapping modes, window and viewport, world transforms and
// saved states; pens (cosmetic and geometric, styles, caps, joins), solid,
// hatched and pattern brushes, fonts; lines, polylines, polygons, Bézier
// curves, rectangles, ellipses, arcs, chords and pies; paths; clip rectangles,
// regions and paths; filled and framed regions; texts; device-independent
// bitmaps through the blit records. What it skips: comments (EMF+ included),
// OpenGL and colour-management records, printer escapes, and any record it
// does not know.
#pragma once

#include <cstdint>

#include "platform/gdi.h"

namespace platform {

// The fields of the header record the pipeline and the player need.
struct EmfHeader {
  Rect bounds;  // device units, inclusive
  Rect frame;   // 0.01 mm, inclusive
  uint32_t handles;
  uint32_t paletteEntries;
  int32_t deviceWidth, deviceHeight;            // the reference device, pixels
  int32_t millimetresWidth, millimetresHeight;  // and millimetres
};

// The header of EMF bytes; false when they do not begin with one.
bool ReadEmfHeader(const uint8_t* bytes, uint64_t size, EmfHeader& header);

// Plays every record up to the end-of-file record. 1 when all were read; 0 when
// a malformed record (or the end of the bytes) stopped the play, which keeps
// whatever was drawn before it.
int PlayEmf(DeviceContext* dc, const uint8_t* bytes, uint64_t size, const Rect& rect);

}  // namespace platform
