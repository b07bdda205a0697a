// The Gerber reader: an RS-274X (or RS-274-D) photoplot into a Drawing. Draws
// become polylines along the centre line, flashes become inserts of one block
// per aperture ("APR_010" ...); extents cover both.
#pragma once

#include <cstdint>

#include "model/drawing.h"
#include "platform/read_report.h"

// 1 on success; 0 on failure, with the Drawing left freed (all zero). The file
// that cannot be read is the only failure: the report, when given, says so.
int gbr_proc(const char* fileName, Drawing* drawing, ReadReport* report = nullptr);

// The same over `size` bytes already in memory (no terminating NUL needed).
// The Drawing is initialised here; always 1.
int ReadGerberData(const uint8_t* data, int64_t size, Drawing* drawing);
