// A Drawing as a standalone SVG 1.1 file.
#pragma once

#include <cstdint>

#include "model/drawing.h"

// 1 on success, 0 on failure (no file is then left behind). `background`
// (0xRRGGBB) fills the page.
int WriteSvgFile(const Drawing& drawing, const char* fileName, uint32_t background);
