#include "writers/vector/text_output.h"

#include <charconv>
#include <cstdio>
#include <cstring>

#include "model/drawing.h"

namespace {

// Enough for any double in fixed notation with 6 decimals (309 digits + sign,
// point and decimals) and for any 64-bit integer.
constexpr size_t kNumberBufferSize = 400;
static_assert(kNumberBufferSize <= kBufferedFileSize);

void PutChars(TextOutput& out, const char* first, const char* last) {
  PutBytes(out, first, static_cast<size_t>(last - first));
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

}  // namespace

int OpenTextOutput(TextOutput& out, const char* fileName, StringEncoder encoder) {
  out.encoder = encoder;
  return OpenBufferedFile(out.sink, fileName);
}

void Emit(TextOutput& out, const char* format, std::initializer_list<FormatArg> args) {
  const FormatArg* arg = args.begin();
  const char* run = format;
  const char* p = format;
  while (*p) {
    if (*p == '\n') {
      PutChars(out, run, p);
      PutBytes(out, "\r\n", 2);
      run = ++p;
      continue;
    }
    if (*p != '%') {
      ++p;
      continue;
    }
    PutChars(out, run, p);
    ++p;
    bool sixDecimals = std::strncmp(p, ".6f", 3) == 0;
    char conversion = sixDecimals ? 'f' : *p;
    p += sixDecimals ? 3 : (*p ? 1 : 0);
    run = p;
    if (conversion == '%') {
      PutBytes(out, "%", 1);
      continue;
    }
    if (arg == args.end()) continue;
    const FormatArg& a = *arg++;
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
        if (a.kind == FormatArg::kReal) PutReal(out, a.real, std::chars_format::fixed, 6);
        break;
      case 's':
        if (a.kind == FormatArg::kString && a.string) out.encoder(out, a.string);
        break;
      default: break;
    }
  }
  PutChars(out, run, p);
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
