// Colours to the pixels a device-independent bitmap holds: the nearest
// palette entry for palette bitmaps, B, G, R for 24-bit ones.
#pragma once

#include <cstdint>

#include "platform/gdi.h"

namespace platform {

// The palette entry of least squared RGB distance, ties to the lowest index.
// Answers are cached, so matching every pixel of a picture costs little.
class ColourMatcher {
 public:
  // `entries`: `count` four-byte entries red, green, blue, flags; count 1..256.
  void SetPalette(const uint8_t* entries, int count);
  int Nearest(uint32_t rgb);  // rgb as 0x00RRGGBB
  // Entry `index` as 0x00RRGGBB; black beyond the palette.
  uint32_t Rgb(int index) const { return index >= 0 && index < count_ ? rgb_[index] : 0; }

 private:
  static constexpr int kCacheSize = 4096;  // direct-mapped, a power of two
  int Search(uint32_t rgb) const;
  uint32_t rgb_[256] = {};
  int count_ = 0;
  uint32_t keys_[kCacheSize] = {};  // rgb | kValid
  uint8_t values_[kCacheSize] = {};
};

// Palette bitmaps are drawn as one palette index a pixel: a colour is matched
// once when it is set, not once a pixel, and no four-byte working surface is
// needed. Drawing is aliased and replaces what it covers, so an index never
// blends with its neighbours.
struct IndexedColours {
  ColourMatcher* matcher = nullptr;
  int ink = -1;  // >= 0: every drawn pixel takes this index
  // `colour` as 0x00BBGGRR.
  int Index(uint32_t colour) const { return ink >= 0 ? ink : matcher->Nearest(RedBlueSwapped(colour)); }
  // An 0x00RRGGBB colour.
  int IndexOfRgb(uint32_t rgb) const { return ink >= 0 ? ink : matcher->Nearest(rgb); }
};

// A premultiplied 0xAARRGGBB pixel as plain 0x00RRGGBB (one never drawn, alpha
// 0, is black).
inline uint32_t UnpremultipliedRgb(uint32_t argb) {
  const uint32_t alpha = argb >> 24;
  if (alpha == 0xFF || alpha == 0) return argb & 0xFFFFFF;
  // Partly covered pixels only come from translucent sources.
  auto channel = [&](int shift) {
    const uint32_t v = (argb >> shift & 0xFF) * 255 / alpha;
    return (v > 255 ? 255 : v) << shift;
  };
  return channel(16) | channel(8) | channel(0);
}

// A 24-bit bitmap's rows from a cairo ARGB32 surface (0xAARRGGBB words,
// premultiplied): blue, green, red. A pixel with alpha 0 was never drawn and
// keeps the zero the bitmap started with.
void ArgbToBgrRows(const uint8_t* surface, int surfaceStride, int width, int height, uint8_t* rows, int stride);

// Palette bitmap rows from one palette index a byte: 8 bits a pixel as they
// are, 1 bit a pixel packed most significant bit leftmost.
void PackIndexRows(const uint8_t* indices, int indexStride, int width, int height, int bitsPerPixel, uint8_t* rows,
                   int stride);

}  // namespace platform
