// The Gerber reader: an RS-274X photoplot into a Drawing.
#pragma once

#include "model/drawing.h"

// 1 on success; 0 on failure, with the Drawing left freed (all zero).
int gbr_proc(const char* fileName, Drawing* drawing);
