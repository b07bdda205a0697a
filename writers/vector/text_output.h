// Formatted text output shared by the vector writers: printf-like templates
// whose "\n" becomes CR LF on every platform, numbers in the "C" locale's form
// whatever the process locale, and strings passed through a writer's encoder so
// that no value can break the file's syntax.
#pragma once

#include <cstdint>
#include <cstdio>
#include <initializer_list>

#include "writers/vector/buffered_file.h"

// One value for a template placeholder.
struct FormatArg {
  enum Kind { kInteger, kReal, kString } kind;
  int64_t integer;
  double real;
  const char* string;

  FormatArg(int32_t v) : kind(kInteger), integer(v), real(0), string(nullptr) {}
  FormatArg(uint32_t v) : kind(kInteger), integer(v), real(0), string(nullptr) {}
  FormatArg(int64_t v) : kind(kInteger), integer(v), real(0), string(nullptr) {}
  FormatArg(double v) : kind(kReal), integer(0), real(v), string(nullptr) {}
  FormatArg(const char* v) : kind(kString), integer(0), real(0), string(v) {}
};

struct TextOutput;
// Writes one string value, encoded for the file's syntax.
using StringEncoder = void (*)(TextOutput& out, const char* value);

struct TextOutput {
  StringEncoder encoder;
  BufferedFile sink;
};

// Opens `fileName` for binary writing; 0 when it cannot be opened.
int OpenTextOutput(TextOutput& out, const char* fileName, StringEncoder encoder);

// Writes `bytes` as they are (no line-end translation).
inline void PutBytes(TextOutput& out, const char* bytes, size_t n) { BufferedWrite(out.sink, bytes, n); }

// Writes `format`, translating "\n" into CR LF and replacing the placeholders
// %d (integer), %x (integer, lower-case hexadecimal), %g and %.6f (reals, as
// the C library formats them in the "C" locale) and %s (string, through the
// encoder) by `args` in order. A placeholder without a fitting argument writes
// nothing.
void Emit(TextOutput& out, const char* format, std::initializer_list<FormatArg> args = {});

// Flushes and closes; 1 when every write and the close succeeded.
int CloseTextOutput(TextOutput& out);

// A face name for a double-quoted CSS string (a font-family inside a style
// attribute): a quote, backslash or control character would end the string or
// the rule, so each gets a CSS escape "\XX ". At most kFaceSize bytes of `face`
// are read; `escaped` takes up to kCssEscapeSize bytes per byte and a NUL.
constexpr size_t kCssEscapeSize = 4;
void CssEscapeFace(const char* face, char* escaped, size_t size);
