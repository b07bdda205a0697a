#include "writers/raster/jpeg/fdct.h"

namespace jpeg {

namespace {

// Constants in 12 fractional bits. The row pass keeps its outputs 8x larger
// than the DCT (3 extra bits of precision, at most 8 x 1024 for 8-bit input);
// the column pass removes that with the final shift of 21 = 12 + 3 + 6 (the 6
// being the 1/8 of both passes' normalisation). Worst case in the column pass
// is 237518 x 8192 < 2^31, so every product fits 32 bits.
constexpr int32_t kFix0_195090322 = 799;     // sin(pi/16)
constexpr int32_t kFix0_555570233 = 2276;    // sin(3pi/16)
constexpr int32_t kFix0_831469612 = 3406;    // cos(3pi/16)
constexpr int32_t kFix0_980785280 = 4017;    // cos(pi/16)
constexpr int32_t kFix4_329568801 = 17734;   // 8 sqrt2 sin(pi/8)
constexpr int32_t kFix10_452503261 = 42813;  // 8 sqrt2 cos(pi/8)
constexpr int32_t kFix11_313708499 = 46341;  // 8 sqrt2
constexpr int kConstBits = 12;
constexpr int kColumnShift = 21;

// One 1-D transform of x[0..7] taken `stride` apart. Row pass when kRow.
template <bool kRow>
inline void Transform(int16_t* x, int stride) {
  const int32_t x0 = x[0], x1 = x[stride], x2 = x[2 * stride], x3 = x[3 * stride];
  const int32_t x4 = x[4 * stride], x5 = x[5 * stride], x6 = x[6 * stride], x7 = x[7 * stride];
  const int32_t s07 = x0 + x7, s16 = x1 + x6, s25 = x2 + x5, s34 = x3 + x4;
  const int32_t d16 = x1 - x6, d25 = x2 - x5;
  const int32_t t0 = s07 + s34, t1 = s07 - s34, t2 = s16 + s25, t3 = s16 - s25;
  const int32_t e = d25 + d16, f = d16 - d25;
  const int32_t round12 = 1 << (kConstBits - 1);
  const int32_t g = (kFix11_313708499 * (x3 - x4) + round12) >> kConstBits;
  const int32_t h = (kFix11_313708499 * (x0 - x7) + round12) >> kConstBits;
  const int32_t p = h + 8 * e, q = h - 8 * e, r = g + 8 * f, s = g - 8 * f;
  const int shift = kRow ? kConstBits : kColumnShift;
  const int32_t round = int32_t{1} << (shift - 1);
  int32_t y0, y4;
  if (kRow) {
    y0 = 8 * (t0 + t2);
    y4 = 8 * (t0 - t2);
  } else {
    y0 = (t0 + t2 + 32) >> 6;
    y4 = (t0 - t2 + 32) >> 6;
  }
  x[0] = static_cast<int16_t>(y0);
  x[4 * stride] = static_cast<int16_t>(y4);
  x[2 * stride] = static_cast<int16_t>((kFix10_452503261 * t1 + kFix4_329568801 * t3 + round) >> shift);
  x[6 * stride] = static_cast<int16_t>((kFix4_329568801 * t1 - kFix10_452503261 * t3 + round) >> shift);
  x[stride] = static_cast<int16_t>((kFix0_980785280 * p + kFix0_195090322 * r + round) >> shift);
  x[7 * stride] = static_cast<int16_t>((kFix0_195090322 * p - kFix0_980785280 * r + round) >> shift);
  x[5 * stride] = static_cast<int16_t>((kFix0_555570233 * q + kFix0_831469612 * s + round) >> shift);
  x[3 * stride] = static_cast<int16_t>((kFix0_831469612 * q - kFix0_555570233 * s + round) >> shift);
}

}  // namespace

void ForwardDct8x8Reference(int16_t block[64]) {
  for (int row = 0; row < 8; ++row) Transform<true>(block + 8 * row, 1);
  for (int column = 0; column < 8; ++column) Transform<false>(block + column, 8);
}

void ForwardDct8x8(int16_t block[64]) { ForwardDct8x8Reference(block); }

}  // namespace jpeg
