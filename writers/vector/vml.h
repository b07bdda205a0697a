// A Drawing as VML shapes in an HTML page.
#pragma once

#include <cstdint>

#include "model/drawing.h"

// 1 on success, 0 on failure. `background` is printed as the page's fill colour.
int WriteVmlFile(const Drawing& drawing, const char* fileName, uint32_t background);
