// The DXF reader: an ASCII DXF file into a Drawing, in one forward pass.
#pragma once

#include "model/drawing.h"

// 1 on success; 0 on failure, with the Drawing left freed (all zero).
int dxf_proc(const char* fileName, Drawing* drawing);
