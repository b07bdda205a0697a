// The raster image every raster path draws into and every raster writer reads.
//
// Pixels as the writers receive them: `height` rows of `stride` bytes, top row
// first. 8 bpp: one palette index per byte. 1 bpp: most significant bit is the
// leftmost pixel, each bit a palette index. 24 bpp: blue, green, red per pixel.
#pragma once

#include <cstdint>

namespace platform {
struct DeviceContext;
struct GdiObject;
}  // namespace platform

struct PaletteEntry {
  uint8_t red;
  uint8_t green;
  uint8_t blue;
  uint8_t flags;
};

struct LogPalette {
  uint16_t version;  // 0x300
  uint16_t count;
  PaletteEntry entries[256];
};

constexpr int kBitmapInfoHeaderSize = 40;

struct Canvas {
  uint8_t* pixels;
  int32_t width;
  int32_t height;
  int32_t bitsPerPixel;  // 1, 8 or 24
  int32_t stride;        // bytes per row, a multiple of 4
  platform::GdiObject* paletteObject;
  platform::GdiObject* bitmapObject;
  platform::DeviceContext* deviceContext;
  LogPalette palette;
  uint8_t bitmapInfo[kBitmapInfoHeaderSize + 256 * 4];
  // On a 1-bit canvas, every pixel drawn becomes ink (1) whatever its colour,
  // instead of the nearest of palette entries 0 and 1. Set for DXF input, whose
  // palette is the built-in table (black and red) and would lose most colours.
  int32_t drawnIsInk;
};

// A canvas whose working surface (four bytes a pixel) would exceed this, or
// with a side longer than kMaxCanvasSide, cannot be made.
constexpr int64_t kMaxWorkingSurfaceBytes = int64_t{1} << 30;  // 1 GiB
constexpr int32_t kMaxCanvasSide = 32767;

// Stride of a row: bytes of bitsPerPixel x width rounded up to a multiple of 4,
// computed in 64 bits; -1 when it does not fit a signed 32-bit value.
int64_t RowStride(int64_t width, int64_t bitsPerPixel);

// Creates the device context, palette and bitmap for the canvas's width, height,
// bitsPerPixel, stride and palette, and fills it with the background (light
// grey, matched to the palette; a 1-bit canvas stays all 0). 1 or 0; on failure
// everything made is released again.
int CreateCanvas(Canvas& canvas);

// Releases what the canvas holds and clears those fields; safe to repeat.
void FreeCanvas(Canvas& canvas);

// Brings `pixels` up to date with everything drawn into the device context.
void FlushCanvas(Canvas& canvas);

// Zeroes and fills a 40-byte info header; for bitsPerPixel <= 8 it is followed by
// 2^bpp four-byte colour-table entries: `colours` copied as they stand, or, when
// `colours` is null, the 16-bit indices 0, 1, 2, ...
void FillBitmapInfoHeader(uint8_t* info, int32_t width, int32_t height, const PaletteEntry* colours,
                          int32_t bitsPerPixel, uint32_t compression, uint32_t imageSize);
