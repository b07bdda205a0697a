// Windows-1252 and UTF-16: the 8-bit texts of Windows metafiles and the wide
// texts of enhanced metafiles. Shared by the WMF-to-EMF converter and the EMF
// translator so that a text survives the trip unchanged.
#pragma once

#include <cstdint>

namespace cp1252 {

// Code points of bytes 0x80 to 0x9F (Microsoft's published table). The five
// bytes the code page leaves unassigned map to the C1 control of the same
// value, as the platform's own conversion does.
inline constexpr uint16_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

constexpr uint16_t ToUtf16(uint8_t byte) {
  return byte >= 0x80 && byte <= 0x9F ? kHigh[byte - 0x80] : byte;
}

// The byte of `unit`, or '?' when the code page has no such character
// (surrogates included; callers fold a pair into one '?').
constexpr uint8_t FromUtf16(uint16_t unit) {
  if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF)) return static_cast<uint8_t>(unit);
  for (int i = 0; i < 32; ++i)
    if (kHigh[i] == unit) return static_cast<uint8_t>(0x80 + i);
  return '?';
}

static_assert(FromUtf16(0x20AC) == 0x80 && ToUtf16(0x80) == 0x20AC);
static_assert(FromUtf16(0x0085) == '?' && FromUtf16(0x0081) == 0x81);

}  // namespace cp1252
