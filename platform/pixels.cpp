#include "platform/pixels.h"

#include <cstring>

namespace platform {

namespace {

constexpr uint32_t kValid = 0x01000000;

}  // namespace

void ColourMatcher::SetPalette(const uint8_t* entries, int count) {
  count_ = count < 1 ? 1 : count > 256 ? 256 : count;
  for (int i = 0; i < count_; ++i)
    rgb_[i] = entries ? uint32_t{entries[4 * i]} << 16 | uint32_t{entries[4 * i + 1]} << 8 | entries[4 * i + 2] : 0;
  std::memset(keys_, 0, sizeof keys_);
}

int ColourMatcher::Search(uint32_t rgb) const {
  int r = (rgb >> 16) & 0xFF, g = (rgb >> 8) & 0xFF, b = rgb & 0xFF;
  int best = 0;
  int bestDistance = 1 << 30;
  for (int i = 0; i < count_; ++i) {
    int dr = r - static_cast<int>(rgb_[i] >> 16), dg = g - static_cast<int>(rgb_[i] >> 8 & 0xFF),
        db = b - static_cast<int>(rgb_[i] & 0xFF);
    int distance = dr * dr + dg * dg + db * db;
    if (distance < bestDistance) {  // strictly less: ties keep the lowest index
      bestDistance = distance;
      best = i;
      if (distance == 0) break;
    }
  }
  return best;
}

int ColourMatcher::Nearest(uint32_t rgb) {
  uint32_t slot = (rgb ^ (rgb >> 12) ^ (rgb >> 7)) & (kCacheSize - 1);
  if (keys_[slot] == (rgb | kValid)) return values_[slot];
  int index = Search(rgb);
  keys_[slot] = rgb | kValid;
  values_[slot] = static_cast<uint8_t>(index);
  return index;
}

void ArgbToBgrRows(const uint8_t* surface, int surfaceStride, int width, int height, uint8_t* rows, int stride) {
  for (int y = 0; y < height; ++y) {
    const uint32_t* in = reinterpret_cast<const uint32_t*>(surface + static_cast<int64_t>(y) * surfaceStride);
    uint8_t* out = rows + static_cast<int64_t>(y) * stride;
    std::memset(out, 0, static_cast<size_t>(stride));
    for (int x = 0; x < width; ++x) {
      uint32_t argb = in[x];
      if ((argb >> 24) == 0) continue;
      uint32_t rgb = UnpremultipliedRgb(argb);
      out[3 * x] = static_cast<uint8_t>(rgb);
      out[3 * x + 1] = static_cast<uint8_t>(rgb >> 8);
      out[3 * x + 2] = static_cast<uint8_t>(rgb >> 16);
    }
  }
}

void PackIndexRows(const uint8_t* indices, int indexStride, int width, int height, int bitsPerPixel, uint8_t* rows,
                   int stride) {
  for (int y = 0; y < height; ++y) {
    const uint8_t* in = indices + static_cast<int64_t>(y) * indexStride;
    uint8_t* out = rows + static_cast<int64_t>(y) * stride;
    if (bitsPerPixel == 8) {
      std::memcpy(out, in, static_cast<size_t>(width));
      continue;
    }
    std::memset(out, 0, static_cast<size_t>(stride));
    for (int x = 0; x < width; ++x)
      if (in[x] & 1) out[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
  }
}

}  // namespace platform
