// Little-endian field readers: the one home for reading the 16- and 32-bit
// fields of the metafile formats (and of the bitmaps inside them). The caller
// has checked that the bytes are there.
#pragma once

#include <cstdint>
#include <cstring>

inline uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
inline uint32_t Le32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24; }
inline int16_t LeI16(const uint8_t* p) { return static_cast<int16_t>(Le16(p)); }
inline int32_t LeI32(const uint8_t* p) { return static_cast<int32_t>(Le32(p)); }
inline float LeF32(const uint8_t* p) {
  uint32_t bits = Le32(p);
  float f;
  std::memcpy(&f, &bits, sizeof f);
  return f;
}
