// The bottom layer of the DXF reader: lines, their classes, the scans to the
// next group 0, and the look-ups every entity and table reader shares.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "model/numbers.h"
#include "readers/dxf/dxf_internal.h"

namespace dxf {
namespace {

bool Refill(LineSource& source) {
  if (!source.file) return false;
  size_t got = std::fread(source.chunk, 1, kChunkSize, source.file);
  if (got == 0) return false;
  source.data = source.chunk;
  source.pos = 0;
  source.size = got;
  return true;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool IsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

bool StartsWith(const char* s, const char* key) { return std::strncmp(s, key, std::strlen(key)) == 0; }

// Group codes; `s` starts at c0, which is a digit.
LineClass ClassifyCode(const char* s) {
  const char c1 = s[1];
  const bool end1 = !IsDigit(c1);
  const bool end2 = !end1 && !IsDigit(s[2]);
  switch (s[0]) {
    case '0': return end1 ? LineClass::kG0 : LineClass::kNone;
    case '1':
      if (end1) return LineClass::kG1;
      if (c1 == '0' && s[2] == '0' && s[3] == '0' && !IsDigit(s[4])) return LineClass::kG1000;
      if (end2 && c1 <= '3') return static_cast<LineClass>(static_cast<int>(LineClass::kG10) + (c1 - '0'));
      return LineClass::kNone;
    case '2':
      if (end1) return LineClass::kG2;
      if (end2 && c1 <= '3') return static_cast<LineClass>(static_cast<int>(LineClass::kG20) + (c1 - '0'));
      return LineClass::kNone;
    case '3':
      if (end1) return LineClass::kG3;
      return end2 && c1 == '9' ? LineClass::kG39 : LineClass::kNone;
    case '4':
      if (!end2) return LineClass::kNone;
      if (c1 <= '3') return static_cast<LineClass>(static_cast<int>(LineClass::kG40) + (c1 - '0'));
      return c1 == '9' ? LineClass::kG49 : LineClass::kNone;
    case '5':
      if (end2 && c1 == '0') return LineClass::kG50;
      return end2 && c1 == '1' ? LineClass::kG51 : LineClass::kNone;
    case '6':
      if (end1) return LineClass::kG6;
      return end2 && c1 == '2' ? LineClass::kG62 : LineClass::kNone;
    case '7':
      if (end1) return LineClass::kG7;
      if (end2 && c1 <= '3') return static_cast<LineClass>(static_cast<int>(LineClass::kG70) + (c1 - '0'));
      return LineClass::kNone;
    case '8': return end1 ? LineClass::kG8 : LineClass::kNone;
    case '9': return end1 ? LineClass::kG9 : LineClass::kNone;
  }
  return LineClass::kNone;
}

struct Keyword {
  const char* text;
  LineClass cls;
};

// Prefix matches, case-sensitive, first match wins (BLOCKS before BLOCK,
// TABLES before TABLE).
constexpr Keyword kKeywords[] = {
    {"$EXTMIN", LineClass::kExtMin},      {"$EXTMAX", LineClass::kExtMax},    {"ARC", LineClass::kArcOrCircle},
    {"ATTRIB", LineClass::kTextOrAttrib}, {"BLOCKS", LineClass::kBlocks},     {"BLOCK", LineClass::kBlock},
    {"BYBLOCK", LineClass::kByBlock},     {"BYLAYER", LineClass::kByLayer},   {"CIRCLE", LineClass::kArcOrCircle},
    {"ELLIPSE", LineClass::kEllipse},     {"ENDBLK", LineClass::kEndBlk},     {"ENDSEC", LineClass::kEndSec},
    {"ENDTAB", LineClass::kEndTab},       {"ENTITIES", LineClass::kEntities}, {"EOF", LineClass::kEof},
    {"HEADER", LineClass::kHeader},       {"INSERT", LineClass::kInsert},     {"LAYER", LineClass::kLayer},
    {"LINE", LineClass::kLine},           {"LTYPE", LineClass::kLtype},       {"LWPOLYLINE", LineClass::kLwPolyline},
    {"MTEXT", LineClass::kMText},         {"POLYLINE", LineClass::kPolyline}, {"SECTION", LineClass::kSection},
    {"SEQEND", LineClass::kSeqEnd},       {"SOLID", LineClass::kSolidLike},   {"STYLE", LineClass::kStyle},
    {"TABLES", LineClass::kTables},       {"TABLE", LineClass::kTable},       {"TEXT", LineClass::kTextOrAttrib},
    {"TRACE", LineClass::kSolidLike},     {"VERTEX", LineClass::kVertex},
};

}  // namespace

void OpenFileSource(LineSource& source, FILE* file, char* chunk) {
  source = {};
  source.file = file;
  source.chunk = chunk;
  source.data = chunk;
}

void OpenMemorySource(LineSource& source, const char* data, size_t size) {
  source = {};
  source.data = data;
  source.size = size;
}

int ReadGroupLine(LineSource& source, char* line) {
  constexpr size_t kRoom = kLineSize - 2;  // leaves space for "\n" and the NUL
  size_t n = 0;
  bool any = false;
  bool cut = false;
  for (;;) {
    if (source.pos == source.size && !Refill(source)) break;
    const char* start = source.data + source.pos;
    const size_t available = source.size - source.pos;
    const char* newline = static_cast<const char*>(std::memchr(start, '\n', available));
    const size_t take = newline ? static_cast<size_t>(newline - start) : available;
    any = true;
    const size_t copy = std::min(take, kRoom - n);
    std::memcpy(line + n, start, copy);
    n += copy;
    if (copy < take) cut = true;
    if (newline) {
      source.pos += take + 1;
      if (!cut && n > 0 && line[n - 1] == '\r') --n;
      line[n++] = '\n';
      line[n] = '\0';
      ++source.lineNumber;
      return 1;
    }
    source.pos += take;
  }
  if (!any) return 0;
  if (!cut && n > 0 && line[n - 1] == '\r') --n;
  line[n] = '\0';
  ++source.lineNumber;
  return 1;
}

int ReadCodeLine(LineSource& source, LineClass& cls) {
  constexpr size_t kRoom = kLineSize - 2;  // as ReadGroupLine: longer lines are cut
  const char* start = source.data + source.pos;
  const size_t available = source.size - source.pos;
  const char* newline = available ? static_cast<const char*>(std::memchr(start, '\n', available)) : nullptr;
  if (newline && static_cast<size_t>(newline - start) <= kRoom) {
    // Classifying stops at the first byte that cannot continue a code or a
    // keyword, so the line end (with or without its CR) ends it here too.
    cls = ClassifyLine(start);
    source.pos += static_cast<size_t>(newline - start) + 1;
    ++source.lineNumber;
    return 1;
  }
  char line[kLineSize];
  if (!ReadGroupLine(source, line)) return 0;
  cls = ClassifyLine(line);
  return 1;
}

LineClass ClassifyLine(const char* line) {
  while (*line == ' ' || *line == '\t') ++line;
  const char c0 = *line;
  if (c0 < '$' || c0 > 'V') return LineClass::kNone;
  if (IsDigit(c0)) {
    // Code lines never begin with "3D", so the keyword goes first here.
    if (c0 == '3' && StartsWith(line, "3DFACE")) return LineClass::kFace3d;
    return ClassifyCode(line);
  }
  for (const Keyword& k : kKeywords) {
    if (k.text[0] > c0) break;
    if (k.text[0] == c0 && StartsWith(line, k.text)) return k.cls;
  }
  return LineClass::kNone;
}

int SkipToGroupZero(LineSource& source) {
  char line[kLineSize];
  for (;;) {
    LineClass c;
    if (!ReadCodeLine(source, c)) return 0;
    if (c == LineClass::kG0) return 1;
    if (!ReadGroupLine(source, line)) return 0;
  }
}

int SeekGroupZero(LineSource& source, LineClass wanted, LineClass stop) {
  char line[kLineSize];
  for (;;) {
    LineClass c;
    if (!ReadCodeLine(source, c)) return 0;
    const bool groupZero = c == LineClass::kG0;
    if (!ReadGroupLine(source, line)) return 0;
    if (!groupZero) continue;
    const LineClass value = ClassifyLine(line);
    if (value == stop) return -1;
    if (value == wanted) return 1;
  }
}

double ParseDouble(const char* text) {
  while (IsSpace(*text)) ++text;
  return ParseDecimal(text, text + std::strlen(text));
}

int32_t ParseInt(const char* text) {
  constexpr int64_t kLimit = INT32_MAX;
  while (IsSpace(*text)) ++text;
  bool negative = false;
  if (*text == '+' || *text == '-') negative = *text++ == '-';
  int64_t value = 0;
  for (; IsDigit(*text); ++text) value = std::min(value * 10 + (*text - '0'), kLimit);
  return static_cast<int32_t>(negative ? -value : value);
}

int32_t FindLayerByName(const GrowArray<Layer>& layers, const char* name) {
  char key[kNameSize];
  CopyName(key, kNameSize, name);
  return FindTableEntry(layers, key);
}

int32_t FindLineTypeByName(const GrowArray<LineType>& lineTypes, const char* name) {
  LineClass c = ClassifyLine(name);
  if (c == LineClass::kByLayer || c == LineClass::kByBlock) return 0;
  char key[kNameSize];
  CopyName(key, kNameSize, name);
  return FindTableEntry(lineTypes, key);
}

int32_t FindStyleByName(const GrowArray<TextStyle>& styles, const char* name, int byFace) {
  LineClass c = ClassifyLine(name);
  if (c == LineClass::kByLayer || c == LineClass::kByBlock) return 0;
  char key[kNameSize];
  CopyName(key, byFace ? kFaceSize : kNameSize, name);
  return FindTextStyle(styles, key, byFace);
}

void ApplyCommonGroup(LineClass code, const char* value, const Drawing& tables, Polyline& polyline) {
  switch (code) {
    case LineClass::kG6: polyline.lineType = FindLineTypeByName(tables.lineTypes, value); break;
    case LineClass::kG8: polyline.layer = FindLayerByName(tables.layers, value); break;
    case LineClass::kG62: polyline.colour = ParseInt(value); break;
    default: break;
  }
}

}  // namespace dxf
