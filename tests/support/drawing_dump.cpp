#include "tests/support/drawing_dump.h"

#include <cmath>
#include <cstdio>

namespace testing_support {
namespace {

std::string Quote(const char* s) {
  std::string out = "\"";
  for (; *s; ++s) {
    unsigned char c = static_cast<unsigned char>(*s);
    if (c == '\n') {
      out += "\\n";
    } else if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20 || c >= 0x7F) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

std::string Point(double x, double y) { return "(" + DumpNumber(x) + "," + DumpNumber(y) + ")"; }

}  // namespace

std::string DumpNumber(double value) {
  if (std::fabs(value) < 1e-9) value = 0;
  char text[32];
  std::snprintf(text, sizeof text, "%.9g", value);
  return text;
}

std::string DumpEntitySet(const EntitySet& set, const char* indent) {
  std::string out;
  for (int32_t i = 0; i < set.polylines.count; ++i) {
    const Polyline& p = set.polylines[i];
    out += indent;
    out += "polyline layer " + std::to_string(p.layer) + " colour " + std::to_string(p.colour) + " linetype " +
           std::to_string(p.lineType) + " width " + DumpNumber(p.width) + (p.filled ? " filled" : "") + ":";
    for (int32_t j = 0; j < p.points.count; ++j) out += " " + Point(p.points[j].x, p.points[j].y);
    out += "\n";
  }
  for (int32_t i = 0; i < set.texts.count; ++i) {
    const TextItem& t = set.texts[i];
    out += indent;
    out += "text " + Point(t.x, t.y) + " height " + DumpNumber(t.height) + " rotation " + DumpNumber(t.rotation) +
           " colour " + std::to_string(t.colour) + " layer " + std::to_string(t.layer) + " style " +
           std::to_string(t.style) + " " + Quote(set.pool.data + t.text) + "\n";
  }
  return out;
}

std::string DumpDrawing(const Drawing& d) {
  std::string out = "extents " + Point(d.extMin.x, d.extMin.y) + " " + Point(d.extMax.x, d.extMax.y) + "\n";
  for (int32_t i = 1; i < d.lineTypes.count; ++i)
    out += "linetype " + std::to_string(i) + " " + Quote(d.lineTypes[i].name) + " pen " +
           std::to_string(d.lineTypes[i].penStyle) + "\n";
  for (int32_t i = 1; i < d.layers.count; ++i)
    out += "layer " + std::to_string(i) + " " + Quote(d.layers[i].name) + " colour " +
           std::to_string(d.layers[i].colour) + " linetype " + std::to_string(d.layers[i].lineType) + "\n";
  for (int32_t i = 1; i < d.textStyles.count; ++i)
    out += "style " + std::to_string(i) + " " + Quote(d.textStyles[i].name) + " face " +
           Quote(d.textStyles[i].face) + "\n";
  for (int32_t i = 0; i < d.blocks.count; ++i) {
    out += "block " + std::to_string(i) + " " + Quote(d.blocks[i].name) + "\n";
    out += DumpEntitySet(d.blocks[i].entities, "  ");
  }
  out += DumpEntitySet(d.entities);
  for (int32_t i = 0; i < d.inserts.count; ++i) {
    const Insert& n = d.inserts[i];
    out += "insert block " + std::to_string(n.block) + " at " + Point(n.x, n.y) + " scale " +
           Point(n.xScale, n.yScale) + " rotation " + DumpNumber(n.rotation) + "\n";
  }
  return out;
}

}  // namespace testing_support
