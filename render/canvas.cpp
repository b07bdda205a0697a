#include "render/canvas.h"

#include <cstdlib>
#include <cstring>

#include "platform/gdi.h"

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

int CreateCanvas(Canvas& canvas) {
  FreeCanvas(canvas);  // a canvas is made afresh, never on top of an old one
  int32_t bpp = canvas.bitsPerPixel;
  if (bpp != 1 && bpp != 8 && bpp != 24) return 0;
  if (canvas.width < 1 || canvas.height < 1 || canvas.stride != RowStride(canvas.width, bpp)) return 0;
  // The working surface (four bytes a pixel) dominates; the limit is checked
  // before anything is made. Both factors are 32-bit: no overflow in 64 bits.
  if (int64_t{canvas.width} * canvas.height * 4 > kMaxWorkingSurfaceBytes || canvas.width > kMaxCanvasSide ||
      canvas.height > kMaxCanvasSide)
    return 0;

  platform::DeviceContext* dc = platform::CreateCompatibleDC();
  canvas.deviceContext = dc;
  if (!dc || !dc->SetBkMode(platform::kTransparent) || !dc->SetStretchBltMode(platform::kColourOnColour)) {
    FreeCanvas(canvas);
    return 0;
  }
  if (bpp <= 8) {
    canvas.palette.version = 0x300;
    canvas.palette.count = static_cast<uint16_t>(1 << bpp);
    canvas.paletteObject =
        dc->CreatePalette(reinterpret_cast<const uint8_t*>(canvas.palette.entries), canvas.palette.count);
    if (!canvas.paletteObject || !dc->SelectPalette(canvas.paletteObject, 1) || dc->RealizePalette() == 0) {
      FreeCanvas(canvas);
      return 0;
    }
  }
  FillBitmapInfoHeader(canvas.bitmapInfo, canvas.width, -canvas.height, nullptr, bpp, 0, 0);
  canvas.bitmapObject =
      dc->CreateDIBSection(canvas.bitmapInfo, bpp <= 8 ? platform::kDibPalColours : platform::kDibRgbColours,
                           canvas.drawnIsInk, &canvas.pixels);
  if (!canvas.bitmapObject || !dc->SelectObject(canvas.bitmapObject)) {
    FreeCanvas(canvas);
    return 0;
  }
  if (bpp > 1) {
    platform::Rect all{0, 0, canvas.width, canvas.height};
    if (!dc->FillRect(all, dc->GetStockObject(platform::StockObject::kLightGreyBrush))) {
      FreeCanvas(canvas);
      return 0;
    }
  }
  dc->GdiFlush();
  return 1;
}

void FreeCanvas(Canvas& canvas) {
  platform::DeviceContext* dc = canvas.deviceContext;
  if (canvas.paletteObject) {
    if (dc) dc->DeleteObject(canvas.paletteObject);
    canvas.paletteObject = nullptr;
  }
  if (canvas.bitmapObject) {
    if (dc) dc->DeleteObject(canvas.bitmapObject);  // its rows go with it
    canvas.bitmapObject = nullptr;
    canvas.pixels = nullptr;
  } else if (canvas.pixels) {
    std::free(canvas.pixels);
    canvas.pixels = nullptr;
  }
  if (dc) {
    platform::DeleteDC(dc);
    canvas.deviceContext = nullptr;
  }
}

void FlushCanvas(Canvas& canvas) {
  if (canvas.deviceContext) canvas.deviceContext->GdiFlush();
}
