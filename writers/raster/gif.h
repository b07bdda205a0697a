// An 8-bit Canvas as a GIF87a file.
#pragma once

#include "render/canvas.h"

// 1 on success, 0 on failure. Note the file name comes first.
int WriteGifFile(const char* fileName, const Canvas& canvas);
