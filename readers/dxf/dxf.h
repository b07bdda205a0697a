// The DXF reader: an ASCII DXF file into a Drawing, in one forward pass.
#pragma once

#include "model/drawing.h"
#include "platform/read_report.h"

// 1 on success; 0 on failure, with the Drawing left freed (all zero). The
// report, when given, receives the cause (and the line) of a failure and the
// entity kinds passed over.
int dxf_proc(const char* fileName, Drawing* drawing, ReadReport* report = nullptr);
