#include "render/canvas.h"

#include <cstdlib>
#include <cstring>

int64_t RowStride(int64_t width, int64_t bitsPerPixel) {
  if (width < 1 || bitsPerPixel < 1) return -1;
  int64_t bits = width * bitsPerPixel;  // both are 32-bit values: no overflow in 64 bits
  int64_t stride = ((bits + 7) / 8 + 3) & ~int64_t{3};
  return stride > INT32_MAX ? -1 : stride;
}

void FillBitmapInfoHeader(uint8_t* info, int32_t width, int32_t height, const PaletteEntry* colours,
                          int32_t bitsPerPixel, uint32_t compression, uint32_t imageSize) {
  auto put32 = [&](int at, uint32_t v) {
    for (int i = 0; i < 4; ++i) info[at + i] = static_cast<uint8_t>(v >> (8 * i));
  };
  std::memset(info, 0, kBitmapInfoHeaderSize);
  put32(0, kBitmapInfoHeaderSize);
  put32(4, static_cast<uint32_t>(width));
  put32(8, static_cast<uint32_t>(height));
  info[12] = 1;
  info[14] = static_cast<uint8_t>(bitsPerPixel);
  info[15] = static_cast<uint8_t>(bitsPerPixel >> 8);
  put32(16, compression);
  put32(20, imageSize);
  if (bitsPerPixel > 8) return;
  int entries = 1 << bitsPerPixel;
  uint8_t* table = info + kBitmapInfoHeaderSize;
  if (colours) {
    std::memcpy(table, colours, static_cast<size_t>(entries) * 4);
  } else {
    std::memset(table, 0, static_cast<size_t>(entries) * 4);
    for (int i = 0; i < entries; ++i) {
      table[2 * i] = static_cast<uint8_t>(i);
      table[2 * i + 1] = static_cast<uint8_t>(i >> 8);
    }
  }
}

// Placeholders until the painter lands.
int CreateCanvas(Canvas& canvas) {
  FreeCanvas(canvas);
  return 0;
}

void FreeCanvas(Canvas& canvas) {
  std::free(canvas.pixels);
  canvas.pixels = nullptr;
}

void FlushCanvas(Canvas&) {}
