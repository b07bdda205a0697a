// A readable text dump of a Drawing, for tests that compare what a reader
// produced (or what survives a write and a second read) line by line.
#pragma once

#include <string>

#include "model/drawing.h"

namespace testing_support {

// One line per table record, item, block and insert. Numbers print with 9
// significant digits and values within 1e-9 of zero as 0, so the last bits of
// sin and cos do not show; strings print with \n and \xNN escapes.
std::string DumpDrawing(const Drawing& drawing);
std::string DumpEntitySet(const EntitySet& set, const char* indent = "");
std::string DumpNumber(double value);

}  // namespace testing_support
