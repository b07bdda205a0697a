// The Drawing as an HTML page of VML shapes: the drawing is fitted into a square
// of 1000 units, flattened a polyline at a time (the device points are never
// all held at once), and written as one v:polyline per device polyline
// and one text-path v:shape per device text, after a page background.
//
// Every attribute value the drawing supplies is escaped, and the page is kept
// pure ASCII: bytes of 0x80 and above (the drawing's 8-bit characters, read as
// windows-1252) go out as character references, so the page reads the same
// under any charset a browser or an XML parser assumes, and its head stays as
// it is.
#include "writers/vector/vml.h"

#include <cmath>
#include <cstring>

#include "model/cp1252.h"
#include "model/flatten.h"
#include "render/colours.h"
#include "writers/vector/text_output.h"

namespace {

// The side of the square the drawing is fitted into.
constexpr double kPageUnits = 1000.0;

constexpr char kHead[] =
    "<html>\n<head>\n<xml:namespace prefix=\"v\"/>\n<style>\nv\\:* {behavior:url(#default#VML);}\n</style>\n"
    "</head>\n<body>\n";
constexpr char kBackground[] = "<v:background fill='t' fillcolor='#%x'/>";
constexpr char kPolylineStart[] = "<v:polyline strokecolor='rgb(%d,%d,%d)' strokeweight='%d' filled='f'";
constexpr char kPointsStart[] = "\npoints='";
constexpr auto kPoint = PrepareTemplate("%d,%d,");  // prepared: most of a page is points
constexpr char kPointsEnd[] = "'>\n";
constexpr char kStroke[] = "<v:stroke dashstyle='%s'/>\n";
constexpr char kPolylineEnd[] = "</v:polyline>\n";
constexpr char kTextStart[] =
    "<v:shape path='m0,0l1000,0m0,1000l1000,1000e' fillcolor='rgb(%d,%d,%d)' "
    "style='position:absolute;margin-left:%d;margin-top:%d;width:%d;height:%d;";
constexpr char kRotation[] = "rotation:%ddeg;";
constexpr char kTextEnd[] =
    "'>\n<v:path textpathok='t'/>\n<v:textpath on='t' fitpath='t' fitshape='t' "
    "style='font-family:\"%s\";' string='%s'/>\n</v:shape>\n";
constexpr char kTail[] = "</body>\n</html>\n";

// A text box allows half the height in width per character.
constexpr double kCharacterWidth = 0.5;

constexpr uint16_t kReplacement = 0xFFFD;
// "&#65533;" and its NUL.
constexpr size_t kReferenceSize = 16;
// The character reference that stands for byte `c`, or null when it goes out as is.
const char* Reference(unsigned char c, char* buffer, size_t size) {
  switch (c) {
    case '&': return "&amp;";
    case '<': return "&lt;";
    case '>': return "&gt;";
    case '\'': return "&#39;";
    case '"': return "&quot;";
    default: break;
  }
  unsigned code;
  if (c == '\t' || c == '\n' || c == '\r')
    code = c;  // would be folded into blanks if written raw
  else if (c < 0x20 || c == 0x7F)
    code = kReplacement;  // not allowed in markup at all
  else if (c >= 0x80)
    code = cp1252::ToCodePoint(c, cp1252::Unassigned::kReplacement);
  else
    return nullptr;
  std::snprintf(buffer, size, "&#%u;", code);
  return buffer;
}

void PutAttributeEscaped(TextOutput& out, const char* value) {
  char buffer[kReferenceSize];
  const char* run = value;
  const char* p = value;
  for (; *p; ++p) {
    const char* reference = Reference(static_cast<unsigned char>(*p), buffer, sizeof buffer);
    if (!reference) continue;
    PutBytes(out, run, static_cast<size_t>(p - run));
    PutBytes(out, reference, std::strlen(reference));
    run = p + 1;
  }
  PutBytes(out, run, static_cast<size_t>(p - run));
}

const char* DashStyle(int32_t penStyle) {
  switch (penStyle) {
    case 1: return "dash";
    case 2: return "dot";
    case 3: return "dashdot";
    default: return "";
  }
}

void WritePolyline(TextOutput& out, const DevicePolyline& line, const ColourRef* colours) {
  ColourRef c = colours[line.colour];
  Emit(out, kPolylineStart, {int32_t{RedOf(c)}, int32_t{GreenOf(c)}, int32_t{BlueOf(c)}, line.penWidth});
  Emit(out, kPointsStart);
  for (const DevicePoint& p : line.points) Emit(out, kPoint, {p.x, p.y});
  Emit(out, kPointsEnd);
  if (line.penStyle != 0) Emit(out, kStroke, {DashStyle(line.penStyle)});
  Emit(out, kPolylineEnd);
}

void WriteText(TextOutput& out, const DeviceText& text, const ColourRef* colours) {
  ColourRef c = colours[text.colour];
  const char* string = text.text ? text.text : "";
  double width = static_cast<double>(std::strlen(string)) * text.height * kCharacterWidth;
  Emit(out, kTextStart,
       {int32_t{RedOf(c)}, int32_t{GreenOf(c)}, int32_t{BlueOf(c)}, text.x, text.y, ToDevice(width), text.height});
  // VML turns clockwise; the escapement counts counter-clockwise tenths.
  if (text.escapement != 0) Emit(out, kRotation, {-static_cast<int64_t>(text.escapement) / 10});
  char face[kFaceSize * kCssEscapeSize + 1];
  CssEscapeFace(text.face ? text.face : "", face, sizeof face);
  Emit(out, kTextEnd, {face, string});
}

}  // namespace

double VmlPageScale(const Drawing& drawing) {
  return FitScale(drawing.extMax.x - drawing.extMin.x, drawing.extMax.y - drawing.extMin.y, kPageUnits, kPageUnits);
}

int WriteVmlFile(const Drawing& drawing, const char* fileName, uint32_t background) {
  TextOutput out{};
  if (!OpenTextOutput(out, fileName, PutAttributeEscaped)) return 0;
  Emit(out, kHead);
  Emit(out, kBackground, {background});
  double scale = VmlPageScale(drawing);
  if (scale > 0) {
    GrowArray<DeviceText> texts{nullptr, 0, 0, sizeof(DeviceText)};
    const ColourRef* colours = CurrentColourTable();
    FlattenEachPolyline(
        drawing, scale,
        [&](const DevicePolyline& line) {
          WritePolyline(out, line, colours);
          return 1;
        },
        texts);
    for (const DeviceText& text : texts) WriteText(out, text, colours);
    ArrayFree(texts);
  }
  Emit(out, kTail);
  return CloseTextOutput(out);
}
