// The 8-bit and 16-bit texts of metafiles as UTF-8. An ANSI text is read in
// the code page of its font's character set (Windows-1252 by our own table,
// the others through iconv); a wide text is UTF-16. Decoding never fails:
// what cannot be read becomes U+FFFD.
//
// Metafiles give one advance per byte of an ANSI text and one per UTF-16 unit
// of a wide text, while characters may take two of either (a double-byte
// character, a surrogate pair). So each decoded character remembers how many
// source items it came from, and its advance is the sum of theirs.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// Character sets of the logical font, with their GDI values.
enum CharSet : uint8_t {
  kAnsiCharset = 0,
  kDefaultCharset = 1,
  kSymbolCharset = 2,
  kMacCharset = 77,
  kShiftJisCharset = 128,
  kHangulCharset = 129,
  kJohabCharset = 130,
  kGb2312Charset = 134,
  kChineseBig5Charset = 136,
  kGreekCharset = 161,
  kTurkishCharset = 162,
  kVietnameseCharset = 163,
  kHebrewCharset = 177,
  kArabicCharset = 178,
  kBalticCharset = 186,
  kRussianCharset = 204,
  kThaiCharset = 222,
  kEastEuropeCharset = 238,
  kOemCharset = 255,
};

struct DecodedText {
  std::string utf8;
  // Per character: how many source bytes or units it took (0 for the rare
  // second character of one source character).
  std::vector<int32_t> spans;
};

// `length` bytes in the code page of `charSet`. Symbol text (the Symbol
// font's own encoding) becomes the Unicode characters it shows, since the
// faces we draw with are Unicode faces; an unknown character set is read as
// Windows-1252.
DecodedText AnsiToUtf8(const uint8_t* bytes, int64_t length, uint8_t charSet);

// `count` UTF-16 units, little-endian as metafiles store them, from `bytes`
// (no alignment needed). An unpaired surrogate becomes U+FFFD. With the
// symbol character set, units 0x20 to 0xFF and their private-use forms
// U+F020 to U+F0FF are symbol bytes, read as AnsiToUtf8 reads them.
DecodedText Utf16ToUtf8(const uint8_t* bytes, int64_t count, uint8_t charSet = kAnsiCharset);

// Per-character advances from per-source-item ones: each character gets the
// sum of the advances of the items it took. Items beyond `count` add 0.
std::vector<double> CharacterAdvances(const DecodedText& text, const double* itemAdvances, int64_t count);

// The fontconfig language tag that suits a character set ("" for none), so
// that a face asked for by a name we do not have still shows the script.
const char* CharSetLanguage(uint8_t charSet);

}  // namespace platform
