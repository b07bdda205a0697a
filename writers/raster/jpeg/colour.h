// Colour conversion of one 16 x 16 MCU of blue, green, red pixels into the four
// luminance blocks and the 2 x 2 averaged Cb and Cr blocks, level-shifted to be
// centred on zero.
#pragma once

#include <cstddef>
#include <cstdint>

namespace jpeg {

constexpr int kMcuSize = 16;

// Six blocks of 64 samples, row-major: Y0 (top left), Y1 (top right),
// Y2 (bottom left), Y3 (bottom right), Cb, Cr.
struct McuBlocks {
  alignas(32) int16_t block[6][64];
};

// Byte order of a pixel.
enum class PixelOrder { kBgr, kRgb };

// An MCU wholly inside the image. `top` is its top-left pixel, `rowStep` the
// distance between rows in bytes (negative for bottom-up sources).
void ConvertFullMcu(const uint8_t* top, ptrdiff_t rowStep, McuBlocks& out, PixelOrder order = PixelOrder::kBgr);
// The plain version, which the vectorised one must match bit for bit.
void ConvertFullMcuReference(const uint8_t* top, ptrdiff_t rowStep, McuBlocks& out,
                             PixelOrder order = PixelOrder::kBgr);

// An MCU cut by the right or bottom edge: `validColumns` x `validRows` pixels
// (1..16 each) exist; the rest repeat the last column, then the last row.
void ConvertEdgeMcu(const uint8_t* top, ptrdiff_t rowStep, int validColumns, int validRows, McuBlocks& out,
                    PixelOrder order = PixelOrder::kBgr);

}  // namespace jpeg
