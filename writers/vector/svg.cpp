// The Drawing as a standalone SVG 1.1 file, fitted into the same 1000-unit
// square as the VML page and on its background: one polyline, or polygon when
// filled, per device polyline and one text per device text, in the order the
// raster painter draws them. Styles follow the painter, so the file shown at
// its own size looks like the bitmap of a page 1001 pixels square: pens up to
// one unit wide are one unit wide and carry the dash patterns, wider pens are
// solid with round ends, polygons fill even-odd, and a text hangs below its
// reference point (its baseline one ascent of the matched face down) and turns
// about it. Records that draw nothing there (fewer than two points, no height,
// no characters) are left out.
//
// Texts are Windows-1252 and go out as UTF-8, escaped. The file is built in
// memory and written with one call.
#include "writers/vector/svg.h"

#include <charconv>
#include <cstring>
#include <string>

#include "app/supl.h"
#include "model/cp1252.h"
#include "model/flatten.h"
#include "model/utf8.h"
#include "platform/fonts.h"
#include "platform/gdi.h"
#include "render/colours.h"
#include "writers/vector/text_output.h"
#include "writers/vector/vml.h"

namespace {

constexpr char kHead[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\n"
    "<!DOCTYPE svg PUBLIC \"-//W3C//DTD SVG 1.1//EN\" \"http://www.w3.org/Graphics/SVG/1.1/DTD/svg11.dtd\">\n";
// The page of a drawing with nothing to draw.
constexpr int32_t kEmptyPageUnits = 1000;
// Enough for any 64-bit integer or a double in general notation.
constexpr size_t kNumberSize = 32;
constexpr int kBaselineDecimals = 2;
constexpr int kAngleDigits = 10;
constexpr char32_t kReplacement = 0xFFFD;

void PutInteger(std::string& s, int64_t v) {
  char buffer[kNumberSize];
  auto r = std::to_chars(buffer, buffer + sizeof buffer, v);
  s.append(buffer, r.ptr);
}

void PutReal(std::string& s, double v, std::chars_format format, int precision) {
  char buffer[kNumberSize];
  auto r = std::to_chars(buffer, buffer + sizeof buffer, v, format, precision);
  if (r.ec == std::errc()) s.append(buffer, r.ptr);
}

void PutRgb(std::string& s, uint32_t red, uint32_t green, uint32_t blue) {
  static constexpr char kHex[] = "0123456789abcdef";
  s += '#';
  for (uint32_t v : {red, green, blue}) {
    s += kHex[(v >> 4) & 15];
    s += kHex[v & 15];
  }
}

void PutColour(std::string& s, ColourRef c) { PutRgb(s, RedOf(c), GreenOf(c), BlueOf(c)); }

// Windows-1252 text as UTF-8 fit for element content and attribute values.
void PutEscaped(std::string& s, const char* text) {
  for (const char* p = text; *p; ++p) {
    unsigned char c = static_cast<unsigned char>(*p);
    switch (c) {
      case '&': s += "&amp;"; break;
      case '<': s += "&lt;"; break;
      case '>': s += "&gt;"; break;
      case '"': s += "&quot;"; break;
      case '\'': s += "&apos;"; break;
      case '\t': s += "&#9;"; break;
      case '\n': s += "&#10;"; break;
      case '\r': s += "&#13;"; break;
      default:
        // Other control characters are not allowed in XML at all.
        AppendUtf8(s, c < 0x20 ? kReplacement : cp1252::ToCodePoint(c, cp1252::Unassigned::kReplacement));
    }
  }
}

void PutDashes(std::string& s, int32_t penStyle) {
  const double* lengths = nullptr;
  size_t n = 0;
  switch (penStyle) {
    case platform::kPenDash: lengths = platform::kDash, n = std::size(platform::kDash); break;
    case platform::kPenDot: lengths = platform::kDot, n = std::size(platform::kDot); break;
    case platform::kPenDashDot: lengths = platform::kDashDot, n = std::size(platform::kDashDot); break;
    case platform::kPenDashDotDot: lengths = platform::kDashDotDot, n = std::size(platform::kDashDotDot); break;
    default: return;
  }
  s += "\" stroke-dasharray=\"";
  for (size_t i = 0; i < n; ++i) {
    if (i) s += ',';
    PutInteger(s, static_cast<int64_t>(lengths[i]));
  }
}

void PutPolyline(std::string& s, const DevicePolyline& line, const ColourRef* colours) {
  s += line.filled ? "<polygon points=\"" : "<polyline points=\"";
  for (int32_t i = 0; i < line.points.count; ++i) {
    if (i) s += ' ';
    PutInteger(s, line.points[i].x);
    s += ',';
    PutInteger(s, line.points[i].y);
  }
  s += "\" stroke=\"";
  PutColour(s, colours[line.colour]);
  if (line.filled) {
    s += "\" fill=\"";
    PutColour(s, colours[line.colour]);
    s += "\" fill-rule=\"evenodd";
  }
  if (line.penWidth > 1) {
    s += "\" stroke-width=\"";
    PutInteger(s, line.penWidth);
    s += "\" stroke-linecap=\"round\" stroke-linejoin=\"round";
  } else {
    PutDashes(s, line.penStyle);
  }
  s += "\"/>\n";
}

void PutText(std::string& s, const DeviceText& text, double ascentPerEm, const ColourRef* colours) {
  s += "<text x=\"";
  PutInteger(s, text.x);
  s += "\" y=\"";
  PutReal(s, text.y + ascentPerEm * text.height, std::chars_format::fixed, kBaselineDecimals);
  s += "\" font-family=\"";
  char face[kFaceSize * kCssEscapeSize + 1];
  CssEscapeFace(text.face ? text.face : "", face, sizeof face);
  if (*face) {
    s += "&quot;";
    PutEscaped(s, face);
    s += "&quot;, ";
  }
  s += "sans-serif\" font-size=\"";
  PutInteger(s, text.height);
  s += "\" fill=\"";
  PutColour(s, colours[text.colour]);
  if (text.escapement != 0) {
    // SVG turns clockwise; the escapement counts counter-clockwise tenths.
    s += "\" transform=\"rotate(";
    PutReal(s, -static_cast<double>(text.escapement) / 10, std::chars_format::general, kAngleDigits);
    s += ' ';
    PutInteger(s, text.x);
    s += ' ';
    PutInteger(s, text.y);
    s += ')';
  }
  s += "\">";
  PutEscaped(s, text.text);
  s += "</text>\n";
}

void PutPage(std::string& s, int32_t width, int32_t height, uint32_t background) {
  s += kHead;
  s += "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" xml:space=\"preserve\" width=\"";
  PutInteger(s, width);
  s += "\" height=\"";
  PutInteger(s, height);
  s += "\" viewBox=\"0 0 ";
  PutInteger(s, width);
  s += ' ';
  PutInteger(s, height);
  s += "\">\n<rect width=\"100%\" height=\"100%\" fill=\"";
  PutRgb(s, (background >> 16) & 255, (background >> 8) & 255, background & 255);
  s += "\"/>\n";
}

}  // namespace

int WriteSvgFile(const Drawing& drawing, const char* fileName, uint32_t background) {
  std::string s;
  double scale = VmlPageScale(drawing);
  if (scale <= 0) {
    PutPage(s, kEmptyPageUnits, kEmptyPageUnits, background);
  } else {
    // The page ends where the flattened extents do, as a fitted canvas does.
    int32_t width = ToDevice((drawing.extMax.x - drawing.extMin.x) * scale);
    int32_t height = ToDevice((drawing.extMax.y - drawing.extMin.y) * scale);
    PutPage(s, width > 0 ? width : 1, height > 0 ? height : 1, background);
    GrowArray<DevicePolyline> polylines{nullptr, 0, 0, sizeof(DevicePolyline)};
    GrowArray<DeviceText> texts{nullptr, 0, 0, sizeof(DeviceText)};
    FlattenDrawing(drawing, scale, polylines, texts);
    const ColourRef* colours = CurrentColourTable();
    // Points sit on pixel centres, as the painter places them.
    s += "<g fill=\"none\" transform=\"translate(0.5 0.5)\">\n";
    for (const DevicePolyline& line : polylines)
      if (line.points.count >= 2) PutPolyline(s, line, colours);
    s += "</g>\n";
    platform::FontLibrary fonts;
    const char* lastFace = nullptr;
    double ascent = 0;
    for (const DeviceText& text : texts) {
      if (text.height <= 0 || !text.text || !*text.text) continue;
      const char* face = text.face ? text.face : "";
      if (!lastFace || std::strcmp(face, lastFace) != 0) ascent = fonts.AscentPerEm(face);
      lastFace = face;
      PutText(s, text, ascent, colours);
    }
    FreeDeviceLists(polylines, texts);
  }
  s += "</svg>\n";
  return supl_bwrite(fileName, s.data(), static_cast<int64_t>(s.size()));
}
