#include "platform/charset.h"

#include <iconv.h>

#include <cerrno>
#include <cstddef>

#include "model/cp1252.h"
#include "model/utf8.h"

namespace platform {
namespace {

// The Symbol face's encoding of 0x20 to 0xFF as the Unicode characters it
// shows (Adobe's published Symbol encoding; Windows' Symbol face adds the euro
// sign at 0xA0). 0 where the face has no character: such bytes go to the
// private-use area at U+F000 + byte, as Windows maps symbol faces.
constexpr char16_t kSymbol[224] = {
    0x0020, 0x0021, 0x2200, 0x0023, 0x2203, 0x0025, 0x0026, 0x220B,  // 0x20
    0x0028, 0x0029, 0x2217, 0x002B, 0x002C, 0x2212, 0x002E, 0x002F,  // 0x28
    0x0030, 0x0031, 0x0032, 0x0033, 0x0034, 0x0035, 0x0036, 0x0037,  // 0x30
    0x0038, 0x0039, 0x003A, 0x003B, 0x003C, 0x003D, 0x003E, 0x003F,  // 0x38
    0x2245, 0x0391, 0x0392, 0x03A7, 0x0394, 0x0395, 0x03A6, 0x0393,  // 0x40
    0x0397, 0x0399, 0x03D1, 0x039A, 0x039B, 0x039C, 0x039D, 0x039F,  // 0x48
    0x03A0, 0x0398, 0x03A1, 0x03A3, 0x03A4, 0x03A5, 0x03C2, 0x03A9,  // 0x50
    0x039E, 0x03A8, 0x0396, 0x005B, 0x2234, 0x005D, 0x22A5, 0x005F,  // 0x58
    0x203E, 0x03B1, 0x03B2, 0x03C7, 0x03B4, 0x03B5, 0x03C6, 0x03B3,  // 0x60
    0x03B7, 0x03B9, 0x03D5, 0x03BA, 0x03BB, 0x03BC, 0x03BD, 0x03BF,  // 0x68
    0x03C0, 0x03B8, 0x03C1, 0x03C3, 0x03C4, 0x03C5, 0x03D6, 0x03C9,  // 0x70
    0x03BE, 0x03C8, 0x03B6, 0x007B, 0x007C, 0x007D, 0x223C, 0,       // 0x78
    0,      0,      0,      0,      0,      0,      0,      0,       // 0x80
    0,      0,      0,      0,      0,      0,      0,      0,       // 0x88
    0,      0,      0,      0,      0,      0,      0,      0,       // 0x90
    0,      0,      0,      0,      0,      0,      0,      0,       // 0x98
    0x20AC, 0x03D2, 0x2032, 0x2264, 0x2044, 0x221E, 0x0192, 0x2663,  // 0xA0
    0x2666, 0x2665, 0x2660, 0x2194, 0x2190, 0x2191, 0x2192, 0x2193,  // 0xA8
    0x00B0, 0x00B1, 0x2033, 0x2265, 0x00D7, 0x221D, 0x2202, 0x2022,  // 0xB0
    0x00F7, 0x2260, 0x2261, 0x2248, 0x2026, 0x23D0, 0x23AF, 0x21B5,  // 0xB8
    0x2135, 0x2111, 0x211C, 0x2118, 0x2297, 0x2295, 0x2205, 0x2229,  // 0xC0
    0x222A, 0x2283, 0x2287, 0x2284, 0x2282, 0x2286, 0x2208, 0x2209,  // 0xC8
    0x2220, 0x2207, 0x00AE, 0x00A9, 0x2122, 0x220F, 0x221A, 0x22C5,  // 0xD0
    0x00AC, 0x2227, 0x2228, 0x21D4, 0x21D0, 0x21D1, 0x21D2, 0x21D3,  // 0xD8
    0x25CA, 0x2329, 0x00AE, 0x00A9, 0x2122, 0x2211, 0x239B, 0x239C,  // 0xE0
    0x239D, 0x23A1, 0x23A2, 0x23A3, 0x23A7, 0x23A8, 0x23A9, 0x23AA,  // 0xE8
    0,      0x232A, 0x222B, 0x2320, 0x23AE, 0x2321, 0x239E, 0x239F,  // 0xF0
    0x23A0, 0x23A4, 0x23A5, 0x23A6, 0x23AB, 0x23AC, 0x23AD, 0,       // 0xF8
};

constexpr char32_t kReplacement = 0xFFFD;

// glibc's iconv names of the code pages; null for Windows-1252 and symbol
// text, which are ours.
const char* CodePage(uint8_t charSet) {
  switch (charSet) {
    case kMacCharset: return "MACINTOSH";
    case kShiftJisCharset: return "CP932";
    case kHangulCharset: return "CP949";
    case kJohabCharset: return "JOHAB";
    case kGb2312Charset: return "CP936";
    case kChineseBig5Charset: return "CP950";
    case kGreekCharset: return "CP1253";
    case kTurkishCharset: return "CP1254";
    case kVietnameseCharset: return "CP1258";
    case kHebrewCharset: return "CP1255";
    case kArabicCharset: return "CP1256";
    case kBalticCharset: return "CP1257";
    case kRussianCharset: return "CP1251";
    case kThaiCharset: return "CP874";
    case kEastEuropeCharset: return "CP1250";
    case kOemCharset: return "CP437";
    default: return nullptr;
  }
}

char32_t SymbolCharacter(uint8_t b) { return b < 0x20 ? b : kSymbol[b - 0x20] ? kSymbol[b - 0x20] : 0xF000 + b; }

void Put(DecodedText& out, char32_t c, int32_t span) {
  AppendUtf8(out.utf8, c);
  out.spans.push_back(span);
}

// iconv one character at a time (the output has room for one code point, or
// a few when one source character gives more), so that each character's span
// is known. Code pages that hold a character back to combine it with the next
// give their spans to the character that comes out.
void DecodeWithIconv(iconv_t cd, const uint8_t* bytes, int64_t length, DecodedText& out) {
  char* in = const_cast<char*>(reinterpret_cast<const char*>(bytes));
  size_t left = static_cast<size_t>(length);
  int32_t pending = 0;
  auto emit = [&](const unsigned char* utf32, size_t n) {
    for (size_t i = 0; i + 4 <= n; i += 4) {
      char32_t c = utf32[i] | utf32[i + 1] << 8 | utf32[i + 2] << 16 | static_cast<char32_t>(utf32[i + 3]) << 24;
      Put(out, c, pending);
      pending = 0;
    }
  };
  unsigned char buffer[16];
  while (left > 0) {
    size_t before = left;
    size_t made = 0;
    for (size_t room : {size_t{4}, sizeof buffer}) {
      char* o = reinterpret_cast<char*>(buffer);
      size_t free = room;
      errno = 0;
      iconv(cd, &in, &left, &o, &free);
      made = room - free;
      if (made > 0 || left < before || errno != E2BIG) break;
    }
    pending += static_cast<int32_t>(before - left);
    emit(buffer, made);
    if (made == 0 && left == before) {
      // Not a character of the code page (or a lead byte with nothing after it).
      ++pending;
      Put(out, kReplacement, pending);
      pending = 0;
      ++in;
      --left;
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
  }
  char* o = reinterpret_cast<char*>(buffer);
  size_t free = sizeof buffer;
  iconv(cd, nullptr, nullptr, &o, &free);
  emit(buffer, sizeof buffer - free);
  if (pending > 0 && !out.spans.empty()) out.spans.back() += pending;
}

}  // namespace

DecodedText AnsiToUtf8(const uint8_t* bytes, int64_t length, uint8_t charSet) {
  DecodedText out;
  if (!bytes || length <= 0) return out;
  if (const char* codePage = CodePage(charSet)) {
    iconv_t cd = iconv_open("UTF-32LE", codePage);
    if (cd != reinterpret_cast<iconv_t>(-1)) {
      DecodeWithIconv(cd, bytes, length, out);
      iconv_close(cd);
      return out;
    }
  }
  out.spans.reserve(static_cast<size_t>(length));
  for (int64_t i = 0; i < length; ++i) {
    uint8_t b = bytes[i];
    const bool symbol = charSet == kSymbolCharset;
    Put(out, symbol ? SymbolCharacter(b) : cp1252::ToCodePoint(b, cp1252::Unassigned::kControl), 1);
  }
  return out;
}

DecodedText Utf16ToUtf8(const uint8_t* bytes, int64_t count, uint8_t charSet) {
  DecodedText out;
  if (!bytes || count <= 0) return out;
  out.spans.reserve(static_cast<size_t>(count));
  auto unit = [&](int64_t i) -> char32_t { return bytes[2 * i] | bytes[2 * i + 1] << 8; };
  for (int64_t i = 0; i < count; ++i) {
    char32_t u = unit(i);
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < count && unit(i + 1) >= 0xDC00 && unit(i + 1) <= 0xDFFF) {
      Put(out, 0x10000 + ((u - 0xD800) << 10) + (unit(i + 1) - 0xDC00), 2);
      ++i;
    } else if (charSet == kSymbolCharset && (u < 0x100 || (u >= 0xF020 && u <= 0xF0FF))) {
      Put(out, SymbolCharacter(static_cast<uint8_t>(u)), 1);
    } else {
      Put(out, u >= 0xD800 && u <= 0xDFFF ? kReplacement : u, 1);
    }
  }
  return out;
}

std::vector<double> CharacterAdvances(const DecodedText& text, const double* itemAdvances, int64_t count) {
  std::vector<double> advances;
  advances.reserve(text.spans.size());
  int64_t item = 0;
  for (int32_t span : text.spans) {
    double sum = 0;
    for (int32_t k = 0; k < span; ++k, ++item)
      if (itemAdvances && item < count) sum += itemAdvances[item];
    advances.push_back(sum);
  }
  return advances;
}

const char* CharSetLanguage(uint8_t charSet) {
  switch (charSet) {
    case kShiftJisCharset: return "ja";
    case kHangulCharset:
    case kJohabCharset: return "ko";
    case kGb2312Charset: return "zh-cn";
    case kChineseBig5Charset: return "zh-tw";
    case kGreekCharset: return "el";
    case kTurkishCharset: return "tr";
    case kVietnameseCharset: return "vi";
    case kHebrewCharset: return "he";
    case kArabicCharset: return "ar";
    case kBalticCharset: return "lt";
    case kRussianCharset: return "ru";
    case kThaiCharset: return "th";
    case kEastEuropeCharset: return "pl";
    default: return "";
  }
}

}  // namespace platform
