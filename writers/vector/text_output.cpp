#include "writers/vector/text_output.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "model/drawing.h"

namespace {

// Enough for any double in fixed notation with 6 decimals (309 digits + sign,
// point and decimals) and for any 64-bit integer.
constexpr size_t kNumberBufferSize = 400;
static_assert(kNumberBufferSize <= kBufferedFileSize);

// A template's text up to its next placeholder or its end, "\n" as CR LF,
// copied a character at a time into the buffer: the lines of a template are
// short, and a copy call for each cost more than the copying. Returns where
// it stopped.
const char* PutLiteral(TextOutput& out, const char* p) {
  constexpr size_t kChunk = 256;
  static_assert(2 * kChunk <= kBufferedFileSize);
  while (*p && *p != '%') {
    char* at = BufferedReserve(out.sink, 2 * kChunk);
    char* q = at;
    for (size_t n = 0; n < kChunk && *p && *p != '%'; ++n, ++p) {
      if (*p == '\n') *q++ = '\r';
      *q++ = *p;
    }
    out.sink.used += static_cast<size_t>(q - at);
  }
  return p;
}

// Numbers are formatted straight into the sink's buffer.
void PutInteger(TextOutput& out, int64_t v, int base) {
  char* at = BufferedReserve(out.sink, kNumberBufferSize);
  out.sink.used += static_cast<size_t>(std::to_chars(at, at + kNumberBufferSize, v, base).ptr - at);
}

// std::to_chars with a precision formats exactly as printf does in the "C"
// locale, independent of any setlocale call.
void PutReal(TextOutput& out, double v, std::chars_format format, int precision) {
  char* at = BufferedReserve(out.sink, kNumberBufferSize);
  out.sink.used += static_cast<size_t>(std::to_chars(at, at + kNumberBufferSize, v, format, precision).ptr - at);
}

// "%.6f" is most of what a vector file holds, and std::to_chars spends some
// 600 instructions on each. Below this bound the value times 10^6 fits 64 bits,
// and is found exactly from the binary value with 128-bit products, rounded
// half to even as printf rounds the exact value; larger, infinite and NaN
// values go to std::to_chars.
constexpr double kFastFixedLimit = 1e12;
constexpr uint64_t kMillion = 1000000;
constexpr int kFractionDigits = 6;

// |v| x 10^6 rounded half to even, for finite |v| below kFastFixedLimit.
uint64_t ScaledMillionths(double v) {
  const uint64_t bits = std::bit_cast<uint64_t>(std::fabs(v));
  const int biased = static_cast<int>(bits >> 52);
  uint64_t mantissa = bits & ((uint64_t{1} << 52) - 1);
  if (biased != 0) mantissa |= uint64_t{1} << 52;
  const int shift = 1075 - (biased != 0 ? biased : 1);  // |v| = mantissa / 2^shift
  if (shift <= 0) return (mantissa << -shift) * kMillion;
  // The product is below 2^73, so from here on it is below one half.
  if (shift > 74) return 0;
  using U128 = unsigned __int128;
  const U128 product = static_cast<U128>(mantissa) * kMillion;
  uint64_t scaled = static_cast<uint64_t>(product >> shift);
  const U128 rest = product - (static_cast<U128>(scaled) << shift);
  const U128 half = U128{1} << (shift - 1);
  if (rest > half || (rest == half && (scaled & 1) != 0)) ++scaled;
  return scaled;
}

void PutFixed6(TextOutput& out, double v) {
  if (!(std::fabs(v) < kFastFixedLimit)) return PutReal(out, v, std::chars_format::fixed, kFractionDigits);
  char* at = BufferedReserve(out.sink, kNumberBufferSize);
  char* p = at;
  if (std::signbit(v)) *p++ = '-';
  const uint64_t scaled = ScaledMillionths(v);
  p = std::to_chars(p, at + kNumberBufferSize, scaled / kMillion).ptr;
  *p++ = '.';
  uint64_t fraction = scaled % kMillion;
  for (int i = kFractionDigits; i > 0; --i) {
    p[i - 1] = static_cast<char>('0' + fraction % 10);
    fraction /= 10;
  }
  out.sink.used += static_cast<size_t>(p + kFractionDigits - at);
}

// One placeholder's value; a value of the wrong kind, or an unknown
// conversion, writes nothing.
void PutArg(TextOutput& out, char conversion, const FormatArg& a) {
  switch (conversion) {
    case 'd':
      if (a.kind == FormatArg::kInteger) PutInteger(out, a.integer, 10);
      break;
    case 'x':
      if (a.kind == FormatArg::kInteger) PutInteger(out, static_cast<uint32_t>(a.integer), 16);
      break;
    case 'g':
      if (a.kind == FormatArg::kReal) PutReal(out, a.real, std::chars_format::general, 6);
      break;
    case 'f':
      if (a.kind == FormatArg::kReal) PutFixed6(out, a.real);
      break;
    case 's':
      if (a.kind == FormatArg::kString && a.string) out.encoder(out, a.string);
      break;
    default: break;
  }
}

}  // namespace

int OpenTextOutput(TextOutput& out, const char* fileName, StringEncoder encoder) {
  out.encoder = encoder;
  return OpenBufferedFile(out.sink, fileName);
}

void Emit(TextOutput& out, const char* format, std::initializer_list<FormatArg> args) {
  const FormatArg* arg = args.begin();
  const char* p = format;
  for (;;) {
    p = PutLiteral(out, p);
    if (!*p) return;
    const Placeholder placeholder = ReadPlaceholder(++p);
    const char conversion = placeholder.conversion;
    p += placeholder.length;
    if (conversion == '%') {
      PutBytes(out, "%", 1);
      continue;
    }
    if (arg != args.end()) PutArg(out, conversion, *arg++);
  }
}

void EmitPrepared(TextOutput& out, const char* text, const TemplatePiece* pieces, int32_t count,
                  std::initializer_list<FormatArg> args) {
  const FormatArg* arg = args.begin();
  for (int32_t i = 0; i < count; ++i) {
    PutBytes(out, text + pieces[i].offset, pieces[i].length);
    if (i + 1 < count && arg != args.end()) PutArg(out, pieces[i].conversion, *arg++);
  }
}

int CloseTextOutput(TextOutput& out) { return CloseBufferedFile(out.sink); }

void CssEscapeFace(const char* face, char* escaped, size_t size) {
  size_t n = 0;
  for (size_t i = 0; i < kFaceSize && face[i] && n + kCssEscapeSize < size; ++i) {
    unsigned char c = static_cast<unsigned char>(face[i]);
    if (c == '"' || c == '\\' || c < 0x20 || c == 0x7F)
      n += static_cast<size_t>(std::snprintf(escaped + n, size - n, "\\%x ", c));
    else
      escaped[n++] = static_cast<char>(c);
  }
  escaped[n] = '\0';
}
