// From the painter's working surface to the rows a device-independent bitmap
// holds: colours matched to the nearest palette entry, or stored as B, G, R.
#pragma once

#include <cstdint>

namespace platform {

// The palette entry of least squared RGB distance, ties to the lowest index.
// Answers are cached, so matching a whole picture costs little.
class ColourMatcher {
 public:
  // `entries`: `count` four-byte entries red, green, blue, flags; count 1..256.
  void SetPalette(const uint8_t* entries, int count);
  int Nearest(uint32_t rgb);  // rgb as 0x00RRGGBB

 private:
  static constexpr int kCacheSize = 4096;  // direct-mapped, a power of two
  int Search(uint32_t rgb) const;
  uint8_t palette_[256][3] = {};
  int count_ = 0;
  uint32_t keys_[kCacheSize] = {};  // rgb | kValid
  uint8_t values_[kCacheSize] = {};
};

// Working surface: cairo ARGB32 pixels (0xAARRGGBB words, premultiplied). A pixel
// with alpha 0 was never drawn and keeps the zero the bitmap started with.
// Drawn pixels: 24 bits: blue, green, red; 8 bits: the nearest palette index;
// 1 bit (most significant bit leftmost): 1 with `drawnIsInk`, otherwise the
// nearest of the palette's two entries.
void ConvertSurfaceRows(const uint8_t* surface, int surfaceStride, int width, int height, int bitsPerPixel,
                        bool drawnIsInk, ColourMatcher& matcher, uint8_t* rows, int stride);

}  // namespace platform
