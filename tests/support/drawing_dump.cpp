#include "tests/support/drawing_dump.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>

namespace testing_support {
namespace {

std::string Format(const char* format, ...) {
  char text[4096];  // room for any quoted name: at most 4 characters a byte
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  return text;
}

std::string Quote(const char* s) {
  std::string out = "\"";
  for (unsigned char c; (c = static_cast<unsigned char>(*s)); ++s) {
    if (c == '\n')
      out += "\\n";
    else if (c == '"' || c == '\\')
      out += std::string("\\") + static_cast<char>(c);
    else
      out += c < 0x20 || c >= 0x7F ? Format("\\x%02X", c) : std::string(1, static_cast<char>(c));
  }
  return out + "\"";
}

std::string Point(double x, double y) { return "(" + DumpNumber(x) + "," + DumpNumber(y) + ")"; }

}  // namespace

std::string DumpNumber(double value) { return Format("%.9g", std::fabs(value) < 1e-9 ? 0.0 : value); }

std::string DumpEntitySet(const EntitySet& set, const char* indent) {
  std::string out;
  for (const Polyline& p : set.polylines) {
    out += Format("%spolyline layer %d colour %d linetype %d width %s%s:", indent, p.layer, p.colour, p.lineType,
                  DumpNumber(p.width).c_str(), p.filled ? " filled" : "");
    for (const WorldPoint& q : p.points) out += " " + Point(q.x, q.y);
    out += "\n";
  }
  for (const TextItem& t : set.texts)
    out += Format("%stext %s height %s rotation %s colour %d layer %d style %d ", indent, Point(t.x, t.y).c_str(),
                  DumpNumber(t.height).c_str(), DumpNumber(t.rotation).c_str(), t.colour, t.layer, t.style) +
           Quote(set.pool.data + t.text) + "\n";
  return out;
}

std::string DumpDrawing(const Drawing& d) {
  std::string out = "extents " + Point(d.extMin.x, d.extMin.y) + " " + Point(d.extMax.x, d.extMax.y) + "\n";
  for (int32_t i = 1; i < d.lineTypes.count; ++i)
    out += Format("linetype %d %s pen %d\n", i, Quote(d.lineTypes[i].name).c_str(), d.lineTypes[i].penStyle);
  for (int32_t i = 1; i < d.layers.count; ++i)
    out += Format("layer %d %s colour %d linetype %d\n", i, Quote(d.layers[i].name).c_str(), d.layers[i].colour,
                  d.layers[i].lineType);
  for (int32_t i = 1; i < d.textStyles.count; ++i)
    out += Format("style %d %s face %s\n", i, Quote(d.textStyles[i].name).c_str(), Quote(d.textStyles[i].face).c_str());
  for (int32_t i = 0; i < d.blocks.count; ++i)
    out += Format("block %d %s\n", i, Quote(d.blocks[i].name).c_str()) + DumpEntitySet(d.blocks[i].entities, "  ");
  out += DumpEntitySet(d.entities);
  for (const Insert& n : d.inserts)
    out += Format("insert block %d at %s scale %s rotation %s\n", n.block, Point(n.x, n.y).c_str(),
                  Point(n.xScale, n.yScale).c_str(), DumpNumber(n.rotation).c_str());
  return out;
}

}  // namespace testing_support
