// Windows-1252, the 8-bit character set of DXF texts and of the ANSI texts of
// Windows metafiles: Microsoft's published table of the bytes 0x80 to 0x9F
// (every other byte is its own code point). Five of those bytes are left
// unassigned; what they become is the caller's choice.
#pragma once

#include <cstdint>

namespace cp1252 {

enum class Unassigned {
  kControl,      // the C1 control of the same value, as Windows converts them
  kReplacement,  // U+FFFD; a code point of U+0080..U+009F has no byte
  kQuestion,     // '?'; a code point of U+0080..U+009F has no byte
};

// 0 marks the five unassigned bytes.
inline constexpr char16_t kHigh[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

constexpr char32_t ToCodePoint(uint8_t byte, Unassigned unassigned) {
  if (byte < 0x80 || byte >= 0xA0) return byte;
  if (char16_t c = kHigh[byte - 0x80]) return c;
  switch (unassigned) {
    case Unassigned::kControl: return byte;
    case Unassigned::kReplacement: return 0xFFFD;
    case Unassigned::kQuestion: break;
  }
  return '?';
}

// The byte of `c`, or '?' when the code page has none (surrogates included).
constexpr uint8_t FromCodePoint(char32_t c, Unassigned unassigned) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<uint8_t>(c);
  for (int i = 0; i < 32; ++i) {
    if (kHigh[i] == 0 ? unassigned == Unassigned::kControl && c == 0x80u + i : kHigh[i] == c)
      return static_cast<uint8_t>(0x80 + i);
  }
  return '?';
}

using enum Unassigned;
static_assert(ToCodePoint(0x80, kControl) == 0x20AC && FromCodePoint(0x20AC, kQuestion) == 0x80);
static_assert(ToCodePoint(0x81, kControl) == 0x81 && FromCodePoint(0x81, kControl) == 0x81);
static_assert(ToCodePoint(0x8D, kReplacement) == 0xFFFD && FromCodePoint(0x8D, kReplacement) == '?');
static_assert(ToCodePoint(0x9D, kQuestion) == '?' && FromCodePoint(0x85, kControl) == '?');
// Every assigned byte comes back from its code point.
constexpr bool RoundTrips() {
  for (int b = 0; b < 256; ++b)
    if (FromCodePoint(ToCodePoint(static_cast<uint8_t>(b), kControl), kControl) != b) return false;
  return true;
}
static_assert(RoundTrips());

}  // namespace cp1252
