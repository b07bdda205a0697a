// The Drawing as an ASCII DXF file of the R12 kind: HEADER with the extents, a
// fixed TABLES section, one BLOCK per block definition, and ENTITIES. Layers are
// not carried over: every entity goes to layer 0 with its colour and line type
// resolved. Polylines are written as open chains; `filled` is not written.
#include "writers/vector/dxf_writer.h"

#include <cstring>
#include <numbers>

#include "writers/vector/text_output.h"

namespace {

constexpr char kHeader[] =
    "  0\nSECTION\n  2\nHEADER\n  9\n$EXTMIN\n 10\n%g\n 20\n%g\n  9\n$EXTMAX\n 10\n%g\n 20\n%g\n  0\nENDSEC\n";

// Five line types, the single layer 0 and the single text style STANDARD.
constexpr char kTables[] =
    "  0\nSECTION\n  2\nTABLES\n  0\nTABLE\n  2\nLTYPE\n 70\n5\n"
    "  0\nLTYPE\n  2\nBYBLOCK\n  3\n\n 70\n0\n 72\n65\n 73\n0\n 40\n0.0\n"
    "  0\nLTYPE\n  2\nCONTINUOUS\n  3\n\n 70\n0\n 72\n65\n 73\n0\n 40\n0.0\n"
    "  0\nLTYPE\n  2\nDASHED\n  3\n\n 70\n0\n 72\n65\n 73\n2\n 40\n0.75\n 49\n0.5\n 49\n-0.25\n"
    "  0\nLTYPE\n  2\nDOT\n  3\n\n 70\n0\n 72\n65\n 73\n2\n 40\n0.25\n 49\n0.0\n 49\n-0.25\n"
    "  0\nLTYPE\n  2\nDASHDOT\n  3\n\n 70\n0\n 72\n65\n 73\n4\n 40\n1.0\n 49\n0.5\n 49\n-0.25\n 49\n0.0\n"
    " 49\n-0.25\n"
    "  0\nENDTAB\n  0\nTABLE\n  2\nLAYER\n 70\n1\n  0\nLAYER\n 70\n0\n  2\n0\n 62\n  7\n  6\nCONTINUOUS\n"
    "  0\nENDTAB\n  0\nTABLE\n  2\nSTYLE\n 70\n1\n  0\nSTYLE\n  2\nSTANDARD\n 70\n0\n 40\n0.0\n 41\n1.0\n"
    " 50\n0.0\n 71\n0\n 42\n0.18\n  3\n\n  0\nENDTAB\n  0\nENDSEC\n";
static_assert(sizeof kTables - 1 == 605, "the TABLES section is 605 bytes with LF line ends");

constexpr char kBlocksStart[] = "  0\nSECTION\n  2\nBLOCKS\n";
constexpr char kBlockStart[] = "  0\nBLOCK\n  8\n0\n  2\n%s\n 70\n0\n 10\n0.0\n 20\n0.0\n";
// Inside a block the line-type group code has no leading blanks; in ENTITIES it has two.
constexpr char kBlockPolyline[] =
    "  0\nPOLYLINE\n  8\n0\n 62\n%d\n6\n%s\n 10\n0.0\n 20\n0.0\n 40\n%g\n 41\n%g\n 66\n1\n";
constexpr char kEntityPolyline[] =
    "  0\nPOLYLINE\n  8\n0\n 62\n%d\n  6\n%s\n 10\n0.0\n 20\n0.0\n 40\n%g\n 41\n%g\n 66\n1\n";
// Prepared: most of a file is vertices.
constexpr auto kVertex = PrepareTemplate("  0\nVERTEX\n  8\n0\n 62\n%d\n 10\n%.6f\n 20\n%.6f\n");
constexpr auto kSeqEnd = PrepareTemplate("  0\nSEQEND\n");
constexpr char kText[] = "  0\nTEXT\n  8\n0\n 10\n%g\n 20\n%g\n 40\n%g\n  62\n%d\n 50\n%g\n  7\n%s\n  1\n%s\n";
constexpr char kBlockEnd[] = "  0\nENDBLK\n";
constexpr char kEntitiesStart[] = "  0\nENDSEC\n  0\nSECTION\n  2\nENTITIES\n";
constexpr char kInsert[] = "  0\nINSERT\n  8\n0\n  2\n%s\n 10\n%g\n 20\n%g\n 41\n%g\n 42\n%g\n 50\n%g\n";
constexpr char kEnd[] = "  0\nENDSEC\n  0\nEOF\n";

constexpr double kRadiansToDegrees = 180.0 / std::numbers::pi;

// A value line must stay one line: control characters go out in caret
// notation (LF as ^J, CR as ^M, tab as ^I) and a caret itself as "^ ".
void PutCaretEncoded(TextOutput& out, const char* value) {
  const char* run = value;
  const char* p = value;
  for (; *p; ++p) {
    unsigned char c = static_cast<unsigned char>(*p);
    if (c >= 0x20 && c != '^') continue;
    PutBytes(out, run, static_cast<size_t>(p - run));
    char pair[2] = {'^', c == '^' ? ' ' : static_cast<char>(c + '@')};
    PutBytes(out, pair, 2);
    run = p + 1;
  }
  PutBytes(out, run, static_cast<size_t>(p - run));
}

// Names read from a DXF file keep the line end of their value line.
void RemoveLineEnd(char* name) {
  size_t n = strnlen(name, kNameSize - 1);
  name[n] = '\0';
  if (n > 0 && name[n - 1] == '\n') name[--n] = '\0';
  if (n > 0 && name[n - 1] == '\r') name[--n] = '\0';
}

// Table indices come from the readers; one out of range falls back to the
// default record rather than reading outside the table.
template <class T>
const T& Record(const GrowArray<T>& table, int32_t index) {
  static const T kDefault{};
  if (table.count <= 0) return kDefault;
  return index > 0 && index < table.count ? table.data[index] : table.data[0];
}

int32_t ResolveColour(const Drawing& drawing, int32_t colour, int32_t layer) {
  return colour != 0 ? colour : Record(drawing.layers, layer).colour;
}

const char* LineTypeName(const Drawing& drawing, const Polyline& line) {
  int32_t index = line.lineType != 0 ? line.lineType : Record(drawing.layers, line.layer).lineType;
  switch (Record(drawing.lineTypes, index).penStyle) {
    case 1: return "DASHED";
    case 2: return "DOT";
    case 3: return "DASHDOT";
    default: return "CONTINUOUS";
  }
}

// Degrees without a negative zero: an unrotated item says 0, not -0.
double Degrees(double radians) { return radians * kRadiansToDegrees + 0.0; }

void WritePolyline(TextOutput& out, const Drawing& drawing, const Polyline& line, const char* format) {
  int32_t colour = ResolveColour(drawing, line.colour, line.layer);
  Emit(out, format, {colour, LineTypeName(drawing, line), line.width, line.width});
  for (const WorldPoint& p : line.points) Emit(out, kVertex, {colour, p.x, p.y});
  Emit(out, kSeqEnd);
}

void WriteText(TextOutput& out, const Drawing& drawing, const EntitySet& set, const TextItem& item) {
  const char* string = item.text >= 0 && item.text < set.pool.length ? set.pool.data + item.text : "";
  Emit(out, kText,
       {item.x, item.y, item.height, ResolveColour(drawing, item.colour, item.layer), Degrees(item.rotation),
        Record(drawing.textStyles, item.style).name, string});
}

void WriteEntities(TextOutput& out, const Drawing& drawing, const EntitySet& set, const char* polylineFormat) {
  for (const Polyline& line : set.polylines) WritePolyline(out, drawing, line, polylineFormat);
  for (const TextItem& item : set.texts) WriteText(out, drawing, set, item);
}

}  // namespace

int WriteDxf(Drawing& drawing, const char* fileName) {
  TextOutput out{};
  if (!OpenTextOutput(out, fileName, PutCaretEncoded)) return 0;
  Emit(out, kHeader, {drawing.extMin.x, drawing.extMin.y, drawing.extMax.x, drawing.extMax.y});
  Emit(out, kTables);
  Emit(out, kBlocksStart);
  for (TextStyle& style : drawing.textStyles) RemoveLineEnd(style.name);
  for (Block& block : drawing.blocks) {
    RemoveLineEnd(block.name);
    Emit(out, kBlockStart, {block.name});
    WriteEntities(out, drawing, block.entities, kBlockPolyline);
    Emit(out, kBlockEnd);
  }
  Emit(out, kEntitiesStart);
  WriteEntities(out, drawing, drawing.entities, kEntityPolyline);
  for (const Insert& insert : drawing.inserts) {
    const char* name =
        insert.block >= 0 && insert.block < drawing.blocks.count ? drawing.blocks[insert.block].name : "";
    // The Drawing holds the clockwise angle; DXF states it counter-clockwise.
    Emit(out, kInsert, {name, insert.x, insert.y, insert.xScale, insert.yScale, Degrees(-insert.rotation)});
  }
  Emit(out, kEnd);
  return CloseTextOutput(out);
}
