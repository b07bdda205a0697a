#include "writers/vector/text_output.h"

#include <charconv>
#include <cstdio>
#include <cstring>

#include "model/drawing.h"

namespace {

// Enough for any double in fixed notation with 6 decimals (309 digits + sign,
// point and decimals) and for any 64-bit integer.
constexpr size_t kNumberBufferSize = 400;

void PutChars(TextOutput& out, const char* first, const char* last) {
  PutBytes(out, first, static_cast<size_t>(last - first));
}

void PutInteger(TextOutput& out, int64_t v, int base) {
  char buffer[kNumberBufferSize];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, v, base);
  PutChars(out, buffer, result.ptr);
}

// std::to_chars with a precision formats exactly as printf does in the "C"
// locale, independent of any setlocale call.
void PutReal(TextOutput& out, double v, std::chars_format format, int precision) {
  char buffer[kNumberBufferSize];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, v, format, precision);
  PutChars(out, buffer, result.ptr);
}

}  // namespace

int OpenTextOutput(TextOutput& out, const char* fileName, StringEncoder encoder) {
  out.encoder = encoder;
  out.file = fileName ? std::fopen(fileName, "wb") : nullptr;
  return out.file != nullptr;
}

void PutBytes(TextOutput& out, const char* bytes, size_t n) {
  if (n) std::fwrite(bytes, 1, n, out.file);
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
      default:
        break;
    }
  }
  PutChars(out, run, p);
}

int CloseTextOutput(TextOutput& out) {
  if (!out.file) return 0;
  // A write that failed earlier (a full disk) is remembered by the stream;
  // fclose alone would only report the last flush.
  int ok = std::fflush(out.file) == 0 && !std::ferror(out.file);
  if (std::fclose(out.file) != 0) ok = 0;
  out.file = nullptr;
  return ok;
}

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
