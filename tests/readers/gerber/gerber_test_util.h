// Reading Gerber text from the test body, and a readable dump of the result.
#pragma once

#include <cstdint>
#include <string>

#include "model/drawing.h"

namespace gerber_test {

// Owns the drawing read from `text` (an exactly sized heap copy, so a read past
// the end shows under ASan).
struct Read {
  Drawing drawing{};
  explicit Read(const std::string& text);
  ~Read() { DrawingFree(&drawing); }
  Read(const Read&) = delete;
  Read& operator=(const Read&) = delete;
  int polylineCount() const { return drawing.entities.polylines.count; }
  int flashCount() const { return drawing.inserts.count; }
  const Polyline& line(int i) const { return drawing.entities.polylines[i]; }
};

// One line per polyline, "(x,y) (x,y) ...", then one per insert, "APR_010 @(x,y)",
// numbers in %g.
std::string Dump(const Drawing& drawing);
std::string DumpPoints(const Polyline& line);

}  // namespace gerber_test
