#include "writers/raster/jpeg/colour.h"

namespace jpeg {

namespace {

// BT.601 weights scaled by 256 (luminance) and by 256 x 128 / 128 for the
// colour differences, which need no table since 43 + 85 = 128 = 107 + 21.
constexpr int kYR = 77, kYG = 150, kYB = 29;
constexpr int kCbR = 43, kCbG = 85;    // Cb = B - (43R + 85G) / 128, halved
constexpr int kCrG = 107, kCrB = 21;   // Cr = R - (107G + 21B) / 128, halved
// 128 x 256 level shift, less half a step for rounding.
constexpr int kYOffset = 128 * 256 - 128;

inline int Luma(int b, int g, int r) { return (kYR * r + kYG * g + kYB * b - kYOffset) >> 8; }

}  // namespace

void ConvertFullMcu(const uint8_t* top, ptrdiff_t rowStep, McuBlocks& out) {
  // Sums of each 2 x 2 group, gathered while the rows go by.
  int32_t sumB[64] = {}, sumG[64] = {}, sumR[64] = {};
  for (int y = 0; y < kMcuSize; ++y) {
    const uint8_t* p = top + y * rowStep;
    int16_t* left = out.block[2 * (y / 8)] + 8 * (y % 8);
    int16_t* right = out.block[2 * (y / 8) + 1] + 8 * (y % 8);
    int32_t* rowB = sumB + 8 * (y / 2);
    int32_t* rowG = sumG + 8 * (y / 2);
    int32_t* rowR = sumR + 8 * (y / 2);
    for (int x = 0; x < 8; ++x) {
      const int b0 = p[6 * x], g0 = p[6 * x + 1], r0 = p[6 * x + 2];
      const int b1 = p[6 * x + 3], g1 = p[6 * x + 4], r1 = p[6 * x + 5];
      int16_t* target = x < 4 ? left + 2 * x : right + 2 * x - 8;
      target[0] = static_cast<int16_t>(Luma(b0, g0, r0));
      target[1] = static_cast<int16_t>(Luma(b1, g1, r1));
      rowB[x] += b0 + b1;
      rowG[x] += g0 + g1;
      rowR[x] += r0 + r1;
    }
  }
  for (int i = 0; i < 64; ++i) {
    out.block[4][i] = static_cast<int16_t>((128 * sumB[i] - kCbR * sumR[i] - kCbG * sumG[i] + 512) >> 10);
    out.block[5][i] = static_cast<int16_t>((128 * sumR[i] - kCrG * sumG[i] - kCrB * sumB[i] + 512) >> 10);
  }
}

void ConvertEdgeMcu(const uint8_t* top, ptrdiff_t rowStep, int validColumns, int validRows, McuBlocks& out) {
  int16_t lum[kMcuSize][kMcuSize], cb[kMcuSize][kMcuSize], cr[kMcuSize][kMcuSize];
  for (int y = 0; y < kMcuSize; ++y) {
    if (y >= validRows) {
      for (int x = 0; x < kMcuSize; ++x) {
        lum[y][x] = lum[y - 1][x];
        cb[y][x] = cb[y - 1][x];
        cr[y][x] = cr[y - 1][x];
      }
      continue;
    }
    const uint8_t* p = top + y * rowStep;
    for (int x = 0; x < kMcuSize; ++x) {
      if (x >= validColumns) {
        lum[y][x] = lum[y][x - 1];
        cb[y][x] = cb[y][x - 1];
        cr[y][x] = cr[y][x - 1];
        continue;
      }
      const int b = p[3 * x], g = p[3 * x + 1], r = p[3 * x + 2];
      lum[y][x] = static_cast<int16_t>(Luma(b, g, r));
      cb[y][x] = static_cast<int16_t>((128 * b - kCbG * g - kCbR * r + 128) >> 8);
      cr[y][x] = static_cast<int16_t>((128 * r - kCrG * g - kCrB * b + 128) >> 8);
    }
  }
  for (int y = 0; y < kMcuSize; ++y) {
    for (int x = 0; x < kMcuSize; ++x) out.block[2 * (y / 8) + x / 8][8 * (y % 8) + x % 8] = lum[y][x];
  }
  for (int j = 0; j < 8; ++j) {
    for (int i = 0; i < 8; ++i) {
      const int y = 2 * j, x = 2 * i;
      out.block[4][8 * j + i] =
          static_cast<int16_t>((cb[y][x] + cb[y][x + 1] + cb[y + 1][x] + cb[y + 1][x + 1] + 2) >> 2);
      out.block[5][8 * j + i] =
          static_cast<int16_t>((cr[y][x] + cr[y][x + 1] + cr[y + 1][x] + cr[y + 1][x + 1] + 2) >> 2);
    }
  }
}

}  // namespace jpeg
