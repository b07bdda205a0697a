// A Canvas as a Windows bitmap file, uncompressed or RLE8.
#pragma once

#include "render/canvas.h"

// 1 on success, 0 on failure (no file is created when RLE8 does not pay).
int WriteBmpFile(const Canvas& canvas, const char* fileName, int rle);
