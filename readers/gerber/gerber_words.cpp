#include "readers/gerber/gerber_words.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "model/numbers.h"

namespace gerber {
namespace {

constexpr int kMaxParameterText = 63;
// Digit runs up to this length are converted without the number text.
constexpr int kMaxDirectDigits = 15;
constexpr int64_t kFirstCapacity = 8;

// cos and sin of k x 22.5 degrees, k = 0..16, to the six decimals the
// outlines have always been drawn with (not quite symmetric in the last digit).
constexpr WorldPoint kUnitCircle[17] = {
    {1.0, 0.0},  {0.92388, 0.382683},   {0.707107, 0.707107},   {0.382684, 0.923879},
    {0.0, 1.0},  {-0.382683, 0.92388},  {-0.707106, 0.707107},  {-0.923879, 0.382684},
    {-1.0, 0.0}, {-0.92388, -0.382683}, {-0.707107, -0.707106}, {-0.382684, -0.923879},
    {0.0, -1.0}, {0.382683, -0.92388},  {0.707106, -0.707108},  {0.923879, -0.382685},
    {1.0, 0.0},
};

// The old plotters' scale steps, kept in single precision.
constexpr double kScaleTenth = static_cast<double>(0.1f);
constexpr double kScaleHundredth = static_cast<double>(0.01f);

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsBlank(char c) { return c == ' ' || c == '\t'; }

const char* SkipBlanks(const char* p, const char* end) {
  while (p < end && IsBlank(*p)) ++p;
  return p;
}

const char* SkipTo(const char* p, const char* end, char stop) {
  while (p < end && *p != stop) ++p;
  return p;
}

// Number text with a length cap; characters beyond the cap are dropped. The
// spare room takes an inserted point or an exponent suffix.
struct NumberText {
  char text[kMaxNumberText + 16];
  int length = 0;
  void Add(char c) {
    if (length < kMaxNumberText) text[length++] = c;
  }
  void InsertPoint(int at) {
    std::memmove(text + at + 1, text + at, static_cast<size_t>(length - at));
    text[at] = '.';
    ++length;
  }
  // Format digits are 0..6, so the exponent is one digit.
  static_assert(kMaxFormatDigits <= 9);
  void AddNegativeExponent(int digit) {
    text[length++] = 'e';
    text[length++] = '-';
    text[length++] = static_cast<char>('0' + digit);
  }
  double Value() const { return ParseDecimal(text, text + length); }
};

// Digits, passing over blanks between them, into `text`; returns their count.
const char* CollectDigits(const char* p, const char* end, NumberText& text, int64_t* count) {
  *count = 0;
  while (p < end) {
    if (IsDigit(*p)) {
      text.Add(*p);
      ++*count;
    } else if (!IsBlank(*p)) {
      break;
    }
    ++p;
  }
  return p;
}

// A decimal number as the standard conversion reads it, from at most
// kMaxParameterText characters of number syntax (no hex, inf or nan).
double ReadParameterValue(const char* p, const char* end) {
  while (p < end && (IsBlank(*p) || *p == '\r' || *p == '\n')) ++p;
  const char* first = p;
  while (p < end && p - first < kMaxParameterText &&
         (IsDigit(*p) || *p == '.' || *p == '-' || *p == '+' || *p == 'e' || *p == 'E'))
    ++p;
  return ParseDecimal(first, p);
}

void ParseFormat(const char* p, const char* end, GerberState& state) {
  if (p >= end) return;
  state.trailingZerosOmitted = *p++ == 'T';
  if (p >= end) return;
  state.incremental = *p++ == 'I';
  int32_t* digits[2][2] = {{&state.xIntegerDigits, &state.xDecimalDigits},
                           {&state.yIntegerDigits, &state.yDecimalDigits}};
  const char letters[2] = {'X', 'Y'};
  for (int axis = 0; axis < 2; ++axis) {
    while (p < end && *p != letters[axis] && *p != '%') ++p;
    if (p >= end || *p == '%') return;
    ++p;
    for (int k = 0; k < 2; ++k) {
      int32_t value;
      if (p < end && IsDigit(*p)) {
        value = *p++ - '0';
        if (value > kMaxFormatDigits) value = kMaxFormatDigits;
      } else {
        value = axis == 0 ? kMaxFormatDigits : *digits[0][k];
      }
      *digits[axis][k] = value;
    }
  }
}

void ParseApertureDefinition(const char* p, const char* end, GerberState& state) {
  if (p >= end || *p != 'D') return;
  int32_t code;
  p = ReadDigits(p + 1, end, 3, &code);
  if (code < kFirstAperture || code > kLastAperture) return;
  ApertureDef& def = state.apertures[code - kFirstAperture];
  if (p >= end || (*p != 'C' && *p != 'R' && *p != 'O' && *p != 'P' && *p != 'M')) return;
  def.shape = *p++;
  if (p >= end || *p != ',') return;
  ++p;
  def.parameterCount = 0;
  while (def.parameterCount < kMaxApertureParameters && p < end && *p != '*' && *p != '%') {
    def.parameters[def.parameterCount] = ReadParameterValue(p, end);
    // A '%' ends the block even when its '*' is missing: the next block's
    // words are not this definition's parameters.
    while (p < end && *p != 'X' && *p != '*' && *p != '%') ++p;
    if (p < end && *p != '%') ++p;
    ++def.parameterCount;
  }
}

double CheckedScale(double scale) { return scale < kMinScale || scale > kMaxScale ? 1.0 : scale; }

void ParseScaleFactor(const char* p, const char* end, GerberState& state) {
  if (p < end && *p == 'A') {
    p = ReadGerberNumber(p + 1, end, 0, 0, ZeroMode::kPlain, &state.scaleX);
    state.scaleX = CheckedScale(state.scaleX);
  }
  if (p < end && *p == 'B') {
    ReadGerberNumber(p + 1, end, 0, 0, ZeroMode::kPlain, &state.scaleY);
    state.scaleY = CheckedScale(state.scaleY);
  }
}

void SetExposure(GerberState& state, int32_t on, int32_t flash, int32_t newStroke) {
  state.exposureOn = on;
  state.flash = flash;
  state.newStroke = newStroke;
}

void SwitchOn(GerberState& state) { SetExposure(state, 1, 0, state.exposureOn ? 0 : 1); }

Polyline NewOutline() {
  Polyline line{};
  line.colour = 1;
  line.points.elementSize = sizeof(WorldPoint);
  return line;
}

void AppendCircle(EntitySet& set, double diameter, const GerberState& state) {
  Polyline line = NewOutline();
  double r = diameter / 2;
  for (const WorldPoint& u : kUnitCircle) AppendPoint(line.points, {r * u.x * state.scaleX, r * u.y * state.scaleY});
  AppendGrowing(set.polylines, line);
}

void AppendRectangle(EntitySet& set, double width, double height, const GerberState& state) {
  Polyline line = NewOutline();
  double x = width / 2 * state.scaleX;
  double y = height / 2 * state.scaleY;
  for (WorldPoint p : {WorldPoint{-x, -y}, {x, -y}, {x, y}, {-x, y}, {-x, -y}}) AppendPoint(line.points, p);
  AppendGrowing(set.polylines, line);
}

}  // namespace

void GerberStateInit(GerberState& state) {
  std::memset(static_cast<void*>(&state), 0, sizeof state);
  state.xIntegerDigits = state.yIntegerDigits = 2;
  state.xDecimalDigits = state.yDecimalDigits = 3;
  state.scaleX = state.scaleY = 1.0;
  for (int32_t& index : state.blockOf) index = -1;
}

const char* ReadGerberNumber(const char* p, const char* end, int integerDigits, int decimalDigits, ZeroMode mode,
                             double* value) {
  p = SkipBlanks(p, end);
  if (mode == ZeroMode::kLeadingOmitted) {
    // The usual coordinate: a run of digits that ends without a point or a
    // blank, its integer times 10^-decimals, as the text below would convert.
    const char* q = p < end && *p == '-' ? p + 1 : p;
    const char* const first = q;
    uint64_t digits = 0;
    for (; q < end && IsDigit(*q) && q - first < kMaxDirectDigits; ++q) digits = digits * 10 + (*q - '0');
    const bool ended = q == end || (!IsDigit(*q) && !IsBlank(*q) && *q != '.');
    if (q > first && ended && ExactDecimal(digits, -decimalDigits, first > p, *value)) return q;
  }
  NumberText text;
  if (p < end && *p == '-') {
    text.Add('-');
    ++p;
  }
  int sign = text.length;
  int64_t count;
  p = CollectDigits(p, end, text, &count);
  if (p < end && *p == '.') {
    text.Add('.');
    int64_t fraction;
    p = CollectDigits(p + 1, end, text, &fraction);
    *value = text.Value();
    return p;
  }
  if (mode == ZeroMode::kTrailingOmitted) {
    // The digits are the leading ones: pad short numbers with the zeros the
    // writer left off, then place the point after the integer digits.
    while (count < integerDigits) {
      text.Add('0');
      ++count;
    }
    int at = sign + integerDigits;
    if (at < text.length) text.InsertPoint(at);
  } else if (mode == ZeroMode::kLeadingOmitted && count > 0) {
    // The last digits are the fraction: the integer times 10^-decimals, which
    // the conversion rounds exactly as it would the text with its point.
    text.AddNegativeExponent(decimalDigits);
  }
  *value = text.Value();
  return p;
}

const char* ReadDigits(const char* p, const char* end, int n, int32_t* value) {
  *value = 0;
  for (int k = 0; k < n && p < end && IsDigit(*p); ++k, ++p) *value = *value * 10 + (*p - '0');
  return p;
}

const char* SkipBlockEnd(const char* p, const char* end) {
  p = SkipBlanks(p, end);
  for (char c : {'*', '%', '\r', '\n'})
    if (p < end && *p == c) ++p;
  return p;
}

const char* SkipCommandEnd(const char* p, const char* end) {
  p = SkipBlanks(p, end);
  for (char c : {'*', '\r', '\n'})
    if (p < end && *p == c) ++p;
  return p;
}

const char* ParseGerberParameter(const char* p, const char* end, GerberState& state) {
  p = SkipBlanks(p, end);
  if (end - p >= 2) {
    const char* rest = p + 2;
    if (p[0] == 'F' && p[1] == 'S')
      ParseFormat(rest, end, state);
    else if (p[0] == 'A' && p[1] == 'D')
      ParseApertureDefinition(rest, end, state);
    else if (p[0] == 'S' && p[1] == 'F')
      ParseScaleFactor(rest, end, state);
  }
  return SkipBlockEnd(SkipTo(p, end, '%'), end);
}

const char* ParseGCode(const char* p, const char* end, GerberState& state) {
  int32_t code;
  p = ReadDigits(p, end, 2, &code);
  switch (code) {
    case 1: state.interpolation = kLinear; break;
    case 2: state.interpolation = kClockwise; break;
    case 3: state.interpolation = kCounterClockwise; break;
    case 4:
      while (p < end && *p != '*' && *p != '%') ++p;
      return SkipCommandEnd(p, end);
    case 10:
      state.interpolation = kLinear;
      state.scaleX = state.scaleY = 10.0;
      break;
    case 11:
      state.interpolation = kLinear;
      state.scaleX = state.scaleY = kScaleTenth;
      break;
    case 12:
      state.interpolation = kLinear;
      state.scaleX = state.scaleY = kScaleHundredth;
      break;
    case 74: state.multiQuadrant = 0; break;
    case 75: state.multiQuadrant = 1; break;
    case 90: state.incremental = 0; break;
    case 91: state.incremental = 1; break;
    default: break;
  }
  return p;
}

const char* ParseDCode(const char* p, const char* end, GerberState& state) {
  int32_t code;
  p = ReadDigits(p, end, 3, &code);
  if (code == 1) {
    SwitchOn(state);
  } else if (code == 2) {
    SetExposure(state, 0, 0, 0);
  } else if (code == 3) {
    SetExposure(state, 0, 1, 0);
  } else {
    if (code >= kFirstAperture) {
      state.aperture = code;
      SetExposure(state, 0, 0, 0);
    }
    p = SkipCommandEnd(SkipTo(p, end, '*'), end);
  }
  return p;
}

const char* ParseMCode(const char* p, const char* end, GerberState& state) {
  int32_t code;
  p = ReadDigits(p, end, 2, &code);
  if (code == 0 || code == 1 || code == 2 || code == 5)
    SetExposure(state, 0, 0, 0);
  else if (code == 3 || code == 4)
    SwitchOn(state);
  return p;
}

int32_t MakeApertureBlock(GerberState& state, Drawing& drawing) {
  int32_t n = state.aperture;
  if (n < kFirstAperture) n = kFirstAperture;
  if (n > kLastAperture) n = kLastAperture;
  // The reader's drawing gets blocks from here alone, so this cache stands in
  // for a search of the blocks by name.
  int32_t& cached = state.blockOf[n - kFirstAperture];
  if (cached >= 0) return cached;

  Block block{};
  std::snprintf(block.name, sizeof block.name, "APR_%03d", n);
  const ApertureDef& def = state.apertures[n - kFirstAperture];
  const double* q = def.parameters;
  int32_t count = def.parameterCount;
  bool circle = def.shape == 'C' && count >= 1;
  bool rectangle = (def.shape == 'R' || def.shape == 'O') && count >= 2;
  if (!circle && !rectangle) return -1;

  EntitySetInit(block.entities);
  // The hole's parameters follow the outline's.
  int first = circle ? 1 : 2;
  if (circle)
    AppendCircle(block.entities, q[0], state);
  else
    AppendRectangle(block.entities, q[0], q[1], state);
  if (count == first + 1)
    AppendCircle(block.entities, q[first], state);
  else if (count >= first + 2)
    AppendRectangle(block.entities, q[first], q[first + 1], state);

  ArrayAppend(drawing.blocks, block);
  return cached = drawing.blocks.count - 1;
}

void ReserveOneMore(void** data, int32_t count, int32_t* capacity, int64_t elementSize) {
  GrowArrayReserveUncleared(data, capacity, static_cast<int32_t>(elementSize),
                            count ? int64_t{count} * 2 : kFirstCapacity);
}

void ReservePoints(GrowArray<WorldPoint>& points, int64_t more) {
  const int64_t need = points.count + (more > 0 ? more : 0);
  if (need <= points.capacity) return;
  // A stroke of many arcs still grows geometrically, not by a copy per arc.
  const int64_t grown = std::max(need, 2 * static_cast<int64_t>(points.capacity));
  void* data = points.data;
  GrowArrayReserveUncleared(&data, &points.capacity, static_cast<int32_t>(sizeof(WorldPoint)), grown);
  points.data = static_cast<WorldPoint*>(data);
  points.elementSize = static_cast<int32_t>(sizeof(WorldPoint));
}

}  // namespace gerber
