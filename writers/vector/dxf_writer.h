// A Drawing as an ASCII DXF file of the R12 kind.
#pragma once

#include "model/drawing.h"

// 1 on success, 0 on failure. Removes the trailing line end of block and
// text-style names in the Drawing itself; changes nothing else.
int WriteDxf(Drawing& drawing, const char* fileName);
