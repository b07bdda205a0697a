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

// A template prepared at compile time for the lines a writer emits thousands
// of times: its text already in output form (each "\n" as CR LF), cut at the
// placeholders, so that Emit copies each piece whole instead of scanning the
// template a character at a time. It writes exactly what Emit writes for the
// same template.
struct TemplatePiece {
  uint32_t offset;  // in the prepared text
  uint32_t length;
  char conversion;  // the placeholder after the piece; none after the last
};

// What follows a template's '%' (`rest` points just after it): "%.6f" is 'f',
// "%%" a percent sign, and a '%' at the very end a placeholder of nothing.
struct Placeholder {
  char conversion;
  int length;  // characters after the '%'
};
constexpr Placeholder ReadPlaceholder(const char* rest) {
  if (rest[0] == '.' && rest[1] == '6' && rest[2] == 'f') return {'f', 3};
  return {rest[0], rest[0] ? 1 : 0};
}

template <size_t N>
struct PreparedTemplate {
  char text[2 * N];
  TemplatePiece pieces[N];
  int32_t count;
};

template <size_t N>
consteval PreparedTemplate<N> PrepareTemplate(const char (&format)[N]) {
  PreparedTemplate<N> t{};
  uint32_t n = 0;
  uint32_t start = 0;
  size_t i = 0;
  while (i < N && format[i]) {
    const char c = format[i++];
    if (c == '\n') {
      t.text[n++] = '\r';
      t.text[n++] = '\n';
    } else if (c != '%') {
      t.text[n++] = c;
    } else {
      const Placeholder placeholder = ReadPlaceholder(format + i);
      const char conversion = placeholder.conversion;
      i += static_cast<size_t>(placeholder.length);
      if (conversion == '%') {
        t.text[n++] = '%';
        continue;
      }
      t.pieces[t.count++] = {start, n - start, conversion};
      start = n;
    }
  }
  t.pieces[t.count++] = {start, n - start, '\0'};
  return t;
}

void EmitPrepared(TextOutput& out, const char* text, const TemplatePiece* pieces, int32_t count,
                  std::initializer_list<FormatArg> args);

template <size_t N>
void Emit(TextOutput& out, const PreparedTemplate<N>& prepared, std::initializer_list<FormatArg> args = {}) {
  EmitPrepared(out, prepared.text, prepared.pieces, prepared.count, args);
}

// Flushes and closes; 1 when every write and the close succeeded.
int CloseTextOutput(TextOutput& out);

// A face name for a double-quoted CSS string (a font-family inside a style
// attribute): a quote, backslash or control character would end the string or
// the rule, so each gets a CSS escape "\XX ". At most kFaceSize bytes of `face`
// are read; `escaped` takes up to kCssEscapeSize bytes per byte and a NUL.
constexpr size_t kCssEscapeSize = 4;
void CssEscapeFace(const char* face, char* escaped, size_t size);
