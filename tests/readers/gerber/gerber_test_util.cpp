#include "tests/readers/gerber/gerber_test_util.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "readers/gerber/gerber.h"

namespace gerber_test {
namespace {

std::string Point(WorldPoint p) {
  char text[64];
  std::snprintf(text, sizeof text, "(%g,%g)", p.x, p.y);
  return text;
}

}  // namespace

Read::Read(const std::string& text) {
  uint8_t* copy = static_cast<uint8_t*>(std::malloc(text.size() ? text.size() : 1));
  std::memcpy(copy, text.data(), text.size());
  ReadGerberData(copy, static_cast<int64_t>(text.size()), &drawing);
  std::free(copy);
}

std::string DumpPoints(const Polyline& line) {
  std::string out;
  for (const WorldPoint& p : line.points) out += (out.empty() ? "" : " ") + Point(p);
  return out;
}

std::string Dump(const Drawing& drawing) {
  std::string out;
  for (const Polyline& line : drawing.entities.polylines) out += DumpPoints(line) + "\n";
  for (const Insert& insert : drawing.inserts)
    out += std::string(drawing.blocks[insert.block].name) + " @" + Point({insert.x, insert.y}) + "\n";
  return out;
}

}  // namespace gerber_test
