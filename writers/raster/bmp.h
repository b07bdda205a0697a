// A Canvas as a Windows bitmap file, uncompressed or RLE8. The whole file is
// assembled in memory and written in one piece; nothing is printed.
#pragma once

#include <cstdint>

#include "render/canvas.h"

// 1 on success, 0 on failure. `rle` takes effect only on an 8-bit canvas; when
// the RLE8 stream would not be smaller than the rows, no file is created.
int WriteBmpFile(const Canvas& canvas, const char* fileName, int rle);

// The RLE8 stream of an 8-bit canvas, bottom row first, ending with the
// end-of-bitmap code. 1 with a new buffer (free with std::free) and its length;
// 0 when it would reach the uncompressed size height x stride, or on a bad canvas.
int EncodeRle8(const Canvas& canvas, uint8_t** stream, int64_t* length);
