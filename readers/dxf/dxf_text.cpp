// TEXT, ATTRIB and MTEXT into text items whose reference point is the top-left
// corner of the drawn text. MTEXT formatting splits the content into runs of
// equal font and colour; each run is one item.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

#include "app/supl.h"
#include "model/cp1252.h"
#include "readers/dxf/dxf_internal.h"

namespace dxf {
namespace {

using std::numbers::pi;
constexpr double kDegreesToRadians = pi / 180;
constexpr double kDefaultHeight = 0.5;
constexpr int kStackDepth = 8;
constexpr unsigned char kDegreeSign = 0xB0;
constexpr unsigned char kDiameterSign = 0xD8;

// Removes `count` characters at `at`, moving the rest (and its NUL) left.
void Remove(char* at, size_t count) { std::memmove(at, at + count, std::strlen(at + count) + 1); }

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

void EmitTextItem(const char* string, EntitySet& set, TextItem& item, int hAlign) {
  item.text = set.pool.length;
  if (hAlign != 0) item.x -= static_cast<double>(std::strlen(string)) * item.height * hAlign * 0.5;
  PoolAppend(set.pool, string);
  ArrayAppend(set.texts, item);
}

// The font name of an \F code starting at `s` (just after the letter): up to
// the first "|", "." or ";", leading ones skipped, blanks trimmed, cut to the
// face field.
void FontName(const char* s, const char* semicolon, char* face) {
  while (s < semicolon && (*s == '|' || *s == '.')) ++s;
  const char* e = s;
  while (e < semicolon && *e != '|' && *e != '.') ++e;
  char name[kLineSize];
  size_t n = static_cast<size_t>(e - s);
  std::memcpy(name, s, n);
  name[n] = '\0';
  TrimBlanks(name);
  CopyName(face, kFaceSize, name);
}

int32_t StyleForFont(GrowArray<TextStyle>& styles, const char* face) {
  int32_t style = FindStyleByName(styles, face, 1);
  if (style != 0) return style;
  TextStyle record = {};
  CopyName(record.name, kNameSize, face);
  CopyName(record.face, kFaceSize, face);
  ArrayAppend(styles, record);
  return styles.count - 1;
}

}  // namespace

void FormatMText(char* content, EntitySet& set, GrowArray<TextStyle>& textStyles, TextItem& item, int hAlign) {
  int32_t styleStack[kStackDepth] = {};
  int32_t colourStack[kStackDepth] = {};
  int styleDepth = 0;
  int colourDepth = 0;
  const double startX = item.x;
  char* run = content;  // null: the run was given up
  // Emits the run, which the caller has cut with a NUL; gives its length.
  auto emit = [&]() -> size_t {
    if (!run || *run == '\0') return 0;
    size_t n = std::strlen(run);
    EmitTextItem(run, set, item, hAlign);
    return n;
  };
  char* p = content;
  while (*p) {
    if (*p == '\\') {
      char* backslash = p++;
      const char c = *p;
      if (c == '\0') break;  // a final backslash stays in the run
      switch (c) {
        case 'F':
        case 'f':
        case 'C':
        case 'c':
        case 'P':
        case 'p': {
          *backslash = '\0';
          const size_t n = emit();
          if (c == 'P' || c == 'p') {
            if (n > 0) {
              item.x = startX;
              item.y -= item.height;
            }
            run = p + 1;
            ++p;
            break;
          }
          item.x += static_cast<double>(n) * item.height;
          char* semicolon = std::strchr(p + 1, ';');
          // No ";": the code has no end, and nothing after it can be placed.
          if (!semicolon) return;
          if (c == 'F' || c == 'f') {
            char face[kFaceSize];
            FontName(p + 1, semicolon, face);
            item.style = StyleForFont(textStyles, face);
            styleStack[styleDepth] = item.style;
          } else {
            item.colour = ParseInt(p + 1);
            colourStack[colourDepth] = item.colour;
          }
          *semicolon = '\0';
          run = p = semicolon + 1;
          break;
        }
        case '{':
        case '}':
        case '\\':
        case '~':
          // The character stands for itself and is not looked at again.
          Remove(backslash, 1);
          p = backslash + 1;
          break;
        case 'U':
        case 'u':
          if (p[1] == '+' && p[2] && p[3] && p[4] && p[5]) {
            int d[4] = {HexValue(p[2]), HexValue(p[3]), HexValue(p[4]), HexValue(p[5])};
            bool hex = d[0] >= 0 && d[1] >= 0 && d[2] >= 0 && d[3] >= 0;
            uint32_t code = hex ? static_cast<uint32_t>(d[0] << 12 | d[1] << 8 | d[2] << 4 | d[3]) : 0;
            // U+0000 would end the content: it is no more a character than one the code page lacks.
            *backslash =
                static_cast<char>(hex && code != 0 ? cp1252::FromCodePoint(code, cp1252::Unassigned::kQuestion) : '?');
            Remove(backslash + 1, 6);
            p = backslash + 1;
          } else {
            run = nullptr;
            if (*p) ++p;
          }
          break;
        case 'O':
        case 'o':
        case 'L':
        case 'l':
          Remove(backslash, 2);
          p = backslash;
          break;
        case 'H':
        case 'h':
        case 'S':
        case 's':
        case 'T':
        case 't':
        case 'Q':
        case 'q':
        case 'W':
        case 'w':
        case 'A':
        case 'a': {
          char* semicolon = std::strchr(p, ';');
          if (semicolon)
            Remove(backslash, static_cast<size_t>(semicolon + 1 - backslash));
          else
            *backslash = '\0';
          p = backslash;
          break;
        }
        default:
          // An unknown code loses the text up to the next break.
          run = nullptr;
          if (*p) ++p;
      }
      continue;
    }
    if (*p == '{' || *p == '}') {
      const bool open = *p == '{';
      *p = '\0';
      const size_t n = emit();
      item.x += static_cast<double>(n) * item.height * (open ? 1.0 : 1.5);
      run = p + 1;
      if (open) {
        styleDepth = std::min(styleDepth + 1, kStackDepth - 1);
        colourDepth = std::min(colourDepth + 1, kStackDepth - 1);
      } else {
        if (styleDepth > 0) item.style = styleStack[--styleDepth];
        if (colourDepth > 0) item.colour = colourStack[--colourDepth];
      }
      ++p;
      continue;
    }
    if (p[0] == '%' && p[1] == '%') {
      const char c = p[2];
      if (c == '\0') {
        *p = '\0';
        break;
      }
      size_t length = 3;
      int byte;
      if (c == '%') {
        byte = '%';
      } else if (c == 'D' || c == 'd') {
        byte = kDegreeSign;
      } else if (c == 'C' || c == 'c') {
        byte = kDiameterSign;
      } else if (c >= '0' && c <= '9' && p[3] >= '0' && p[3] <= '9' && p[4] >= '0' && p[4] <= '9') {
        byte = ((c - '0') * 100 + (p[3] - '0') * 10 + (p[4] - '0')) % 256;
        length = 5;
      } else {
        byte = static_cast<unsigned char>(c);
      }
      // A NUL would end the content early: the code is dropped instead.
      if (byte == 0) {
        Remove(p, length);
        continue;
      }
      *p = static_cast<char>(byte);
      Remove(p + 1, length - 1);
    }
    ++p;
  }
  emit();
}

int ReadTextEntity(LineSource& source, EntitySet& set, Drawing& tables, int isMText) {
  char content[kLineSize] = {};
  size_t contentLength = 0;
  TextItem item = {};
  item.height = kDefaultHeight;
  double x11 = 0;
  double y11 = 0;
  int vFactor = isMText ? 1 : 6;  // fifths of the height from the reference point up to the top
  int hAlign = 0;
  int32_t justification = 0;
  int ok = ReadItemPairs(source, [&](LineClass c, char* value) {
    switch (c) {
      case LineClass::kG1:
      case LineClass::kG3: {
        size_t n = std::strlen(value);
        if (n > 0 && value[n - 1] == '\n') value[--n] = '\0';
        if (contentLength + n < sizeof content) {
          std::memcpy(content + contentLength, value, n + 1);
          contentLength += n;
        }
        break;
      }
      case LineClass::kG7: item.style = FindStyleByName(tables.textStyles, value, 0); break;
      case LineClass::kG8: item.layer = FindLayerByName(tables.layers, value); break;
      case LineClass::kG10: item.x = ParseDouble(value); break;
      case LineClass::kG20: item.y = ParseDouble(value); break;
      case LineClass::kG11: x11 = ParseDouble(value); break;
      case LineClass::kG21:
        y11 = ParseDouble(value);
        if (isMText) item.rotation = std::atan2(y11, x11);
        break;
      case LineClass::kG40: item.height = ParseDouble(value); break;
      case LineClass::kG50: item.rotation = ParseDouble(value) * kDegreesToRadians; break;
      case LineClass::kG62: item.colour = ParseInt(value); break;
      case LineClass::kG71:
        if (isMText) {
          const int32_t n = ParseInt(value);
          hAlign = (n == 2 || n == 5 || n == 8) ? 1 : (n == 3 || n == 6 || n == 9) ? 2 : 0;
          vFactor = (n >= 4 && n <= 6) ? 4 : (n >= 7 && n <= 9) ? 7 : 1;
        }
        break;
      case LineClass::kG72: {
        const int32_t n = ParseInt(value);
        if (isMText) {
          item.rotation = n == 2 ? pi : n == 3 ? -pi / 2 : n == 4 ? pi / 2 : 0;
        } else {
          justification |= n;
          hAlign = n == 1 ? 1 : n == 2 ? 2 : 0;
          if (n == 4) vFactor = 3;
        }
        break;
      }
      case LineClass::kG73:
        if (!isMText) {
          const int32_t n = ParseInt(value);
          justification |= n;
          vFactor = n == 0 ? 6 : n == 1 ? 7 : n == 2 ? 3 : 1;
        }
        break;
      default: break;
    }
  });
  if (!ok) return 0;
  const double d = vFactor * item.height * 0.2;
  item.y += d;
  if (!isMText && justification != 0) {
    item.x = x11;
    item.y = y11 + d;
  }
  const char* backslash = std::strchr(content, '\\');
  if (!backslash || backslash[1] == '\\')
    EmitTextItem(content, set, item, hAlign);
  else
    FormatMText(content, set, tables.textStyles, item, hAlign);
  return 1;
}

}  // namespace dxf
