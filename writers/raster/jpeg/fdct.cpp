#include "writers/raster/jpeg/fdct.h"

#include "writers/raster/jpeg/multiversion.h"

#if KARTEX_HAVE_AVX2_PATH
#include <immintrin.h>
#elif defined(__SSE2__)
#include <emmintrin.h>
#endif

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

namespace {

#if defined(__SSE2__)
// An 8 x 8 transpose of 16-bit values held in eight registers (SSE2, so the
// plain path and the AVX2 path share it).
inline void TransposeRegisters(__m128i (&r)[8]) {
  const __m128i a0 = _mm_unpacklo_epi16(r[0], r[1]), a1 = _mm_unpackhi_epi16(r[0], r[1]);
  const __m128i a2 = _mm_unpacklo_epi16(r[2], r[3]), a3 = _mm_unpackhi_epi16(r[2], r[3]);
  const __m128i a4 = _mm_unpacklo_epi16(r[4], r[5]), a5 = _mm_unpackhi_epi16(r[4], r[5]);
  const __m128i a6 = _mm_unpacklo_epi16(r[6], r[7]), a7 = _mm_unpackhi_epi16(r[6], r[7]);
  const __m128i b0 = _mm_unpacklo_epi32(a0, a2), b1 = _mm_unpackhi_epi32(a0, a2);
  const __m128i b2 = _mm_unpacklo_epi32(a1, a3), b3 = _mm_unpackhi_epi32(a1, a3);
  const __m128i b4 = _mm_unpacklo_epi32(a4, a6), b5 = _mm_unpackhi_epi32(a4, a6);
  const __m128i b6 = _mm_unpacklo_epi32(a5, a7), b7 = _mm_unpackhi_epi32(a5, a7);
  r[0] = _mm_unpacklo_epi64(b0, b4);
  r[1] = _mm_unpackhi_epi64(b0, b4);
  r[2] = _mm_unpacklo_epi64(b1, b5);
  r[3] = _mm_unpackhi_epi64(b1, b5);
  r[4] = _mm_unpacklo_epi64(b2, b6);
  r[5] = _mm_unpackhi_epi64(b2, b6);
  r[6] = _mm_unpacklo_epi64(b3, b7);
  r[7] = _mm_unpackhi_epi64(b3, b7);
}
#endif

// An 8 x 8 transpose of 16-bit values: in[r][c] -> out[c][r].
inline void Transpose(const int16_t* in, int16_t* out) {
#if defined(__SSE2__)
  __m128i r[8];
  for (int i = 0; i < 8; ++i) r[i] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 8 * i));
  TransposeRegisters(r);
  for (int i = 0; i < 8; ++i) _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 8 * i), r[i]);
#else
  for (int r = 0; r < 8; ++r)
    for (int c = 0; c < 8; ++c) out[8 * c + r] = in[8 * r + c];
#endif
}

// One pass over eight transforms side by side: x[k][lane] is value k of the
// transform in `lane`. Every statement is the same across lanes, so each
// becomes one vector operation.
template <bool kRow>
[[gnu::always_inline]] inline void LanePass(const int16_t (&x)[8][8], int16_t (&y)[8][8]) {
  const int shift = kRow ? kConstBits : kColumnShift;
  const int32_t round = int32_t{1} << (shift - 1);
  const int32_t round12 = 1 << (kConstBits - 1);
  for (int lane = 0; lane < 8; ++lane) {
    const int32_t x0 = x[0][lane], x1 = x[1][lane], x2 = x[2][lane], x3 = x[3][lane];
    const int32_t x4 = x[4][lane], x5 = x[5][lane], x6 = x[6][lane], x7 = x[7][lane];
    const int32_t s07 = x0 + x7, s16 = x1 + x6, s25 = x2 + x5, s34 = x3 + x4;
    const int32_t d16 = x1 - x6, d25 = x2 - x5;
    const int32_t t0 = s07 + s34, t1 = s07 - s34, t2 = s16 + s25, t3 = s16 - s25;
    const int32_t e = d25 + d16, f = d16 - d25;
    const int32_t g = (kFix11_313708499 * (x3 - x4) + round12) >> kConstBits;
    const int32_t h = (kFix11_313708499 * (x0 - x7) + round12) >> kConstBits;
    const int32_t p = h + 8 * e, q = h - 8 * e, r = g + 8 * f, s = g - 8 * f;
    y[0][lane] = static_cast<int16_t>(kRow ? 8 * (t0 + t2) : (t0 + t2 + 32) >> 6);
    y[4][lane] = static_cast<int16_t>(kRow ? 8 * (t0 - t2) : (t0 - t2 + 32) >> 6);
    y[2][lane] = static_cast<int16_t>((kFix10_452503261 * t1 + kFix4_329568801 * t3 + round) >> shift);
    y[6][lane] = static_cast<int16_t>((kFix4_329568801 * t1 - kFix10_452503261 * t3 + round) >> shift);
    y[1][lane] = static_cast<int16_t>((kFix0_980785280 * p + kFix0_195090322 * r + round) >> shift);
    y[7][lane] = static_cast<int16_t>((kFix0_195090322 * p - kFix0_980785280 * r + round) >> shift);
    y[5][lane] = static_cast<int16_t>((kFix0_555570233 * q + kFix0_831469612 * s + round) >> shift);
    y[3][lane] = static_cast<int16_t>((kFix0_831469612 * q - kFix0_555570233 * s + round) >> shift);
  }
}

#if KARTEX_HAVE_AVX2_PATH

__attribute__((target("avx2"))) inline __m256i Mul(__m256i v, int32_t c) {
  return _mm256_mullo_epi32(v, _mm256_set1_epi32(c));
}

__attribute__((target("avx2"))) inline __m256i RoundShift(__m256i sum, __m256i round, int shift) {
  return _mm256_srai_epi32(_mm256_add_epi32(sum, round), shift);
}

// The column pass written out for eight 32-bit lanes of AVX2.
__attribute__((target("avx2"))) inline void Avx2ColumnPass(__m256i (&x)[8]) {
  const int shift = kColumnShift;
  const __m256i round = _mm256_set1_epi32(int32_t{1} << (shift - 1));
  const __m256i round12 = _mm256_set1_epi32(1 << (kConstBits - 1));
  const __m256i s07 = _mm256_add_epi32(x[0], x[7]), s16 = _mm256_add_epi32(x[1], x[6]);
  const __m256i s25 = _mm256_add_epi32(x[2], x[5]), s34 = _mm256_add_epi32(x[3], x[4]);
  const __m256i d16 = _mm256_sub_epi32(x[1], x[6]), d25 = _mm256_sub_epi32(x[2], x[5]);
  const __m256i t0 = _mm256_add_epi32(s07, s34), t1 = _mm256_sub_epi32(s07, s34);
  const __m256i t2 = _mm256_add_epi32(s16, s25), t3 = _mm256_sub_epi32(s16, s25);
  const __m256i e8 = _mm256_slli_epi32(_mm256_add_epi32(d25, d16), 3);
  const __m256i f8 = _mm256_slli_epi32(_mm256_sub_epi32(d16, d25), 3);
  const __m256i g =
      _mm256_srai_epi32(_mm256_add_epi32(Mul(_mm256_sub_epi32(x[3], x[4]), kFix11_313708499), round12), kConstBits);
  const __m256i h =
      _mm256_srai_epi32(_mm256_add_epi32(Mul(_mm256_sub_epi32(x[0], x[7]), kFix11_313708499), round12), kConstBits);
  const __m256i p = _mm256_add_epi32(h, e8), q = _mm256_sub_epi32(h, e8);
  const __m256i r = _mm256_add_epi32(g, f8), s = _mm256_sub_epi32(g, f8);
  const __m256i r32 = _mm256_set1_epi32(32);
  x[0] = _mm256_srai_epi32(_mm256_add_epi32(_mm256_add_epi32(t0, t2), r32), 6);
  x[4] = _mm256_srai_epi32(_mm256_add_epi32(_mm256_sub_epi32(t0, t2), r32), 6);
  x[2] = RoundShift(_mm256_add_epi32(Mul(t1, kFix10_452503261), Mul(t3, kFix4_329568801)), round, shift);
  x[6] = RoundShift(_mm256_sub_epi32(Mul(t1, kFix4_329568801), Mul(t3, kFix10_452503261)), round, shift);
  x[1] = RoundShift(_mm256_add_epi32(Mul(p, kFix0_980785280), Mul(r, kFix0_195090322)), round, shift);
  x[7] = RoundShift(_mm256_sub_epi32(Mul(p, kFix0_195090322), Mul(r, kFix0_980785280)), round, shift);
  x[5] = RoundShift(_mm256_add_epi32(Mul(q, kFix0_555570233), Mul(s, kFix0_831469612)), round, shift);
  x[3] = RoundShift(_mm256_sub_epi32(Mul(q, kFix0_831469612), Mul(s, kFix0_555570233)), round, shift);
}

// (a * c0 + b * c1 + round) >> shift for eight pairs of 16-bit values, the
// products summed in 32 bits by one multiply-add.
__attribute__((target("avx2"))) inline __m128i PairSum(__m128i a, __m128i b, int16_t c0, int16_t c1, int shift) {
  const __m256i pairs = _mm256_set_m128i(_mm_unpackhi_epi16(a, b), _mm_unpacklo_epi16(a, b));
  const __m256i c = _mm256_set1_epi32(static_cast<int32_t>(static_cast<uint16_t>(c0)) | int32_t{c1} * 65536);
  const __m256i sum = _mm256_srai_epi32(
      _mm256_add_epi32(_mm256_madd_epi16(pairs, c), _mm256_set1_epi32(int32_t{1} << (shift - 1))), shift);
  return _mm_packs_epi32(_mm256_castsi256_si128(sum), _mm256_extracti128_si256(sum, 1));
}

// The row pass in 16-bit lanes: for 8-bit samples every value of it fits 16
// bits and every product sum 32 (budget above). A constant above 32767 is
// split: (a * (c - 65536) + b * d + round) >> 12, plus 16 a, is the same sum.
__attribute__((target("avx2"))) inline void Avx2RowPass(__m128i (&x)[8]) {
  const __m128i s07 = _mm_add_epi16(x[0], x[7]), s16 = _mm_add_epi16(x[1], x[6]);
  const __m128i s25 = _mm_add_epi16(x[2], x[5]), s34 = _mm_add_epi16(x[3], x[4]);
  const __m128i d16 = _mm_sub_epi16(x[1], x[6]), d25 = _mm_sub_epi16(x[2], x[5]);
  const __m128i t0 = _mm_add_epi16(s07, s34), t1 = _mm_sub_epi16(s07, s34);
  const __m128i t2 = _mm_add_epi16(s16, s25), t3 = _mm_sub_epi16(s16, s25);
  const __m128i e8 = _mm_slli_epi16(_mm_add_epi16(d25, d16), 3);
  const __m128i f8 = _mm_slli_epi16(_mm_sub_epi16(d16, d25), 3);
  // 8 sqrt2 = 23170 + 23171, each a 16-bit constant.
  const __m128i v34 = _mm_sub_epi16(x[3], x[4]), v07 = _mm_sub_epi16(x[0], x[7]);
  static_assert(kFix11_313708499 == 23170 + 23171);
  const __m128i g = PairSum(v34, v34, 23170, 23171, kConstBits);
  const __m128i h = PairSum(v07, v07, 23170, 23171, kConstBits);
  const __m128i p = _mm_add_epi16(h, e8), q = _mm_sub_epi16(h, e8);
  const __m128i r = _mm_add_epi16(g, f8), s = _mm_sub_epi16(g, f8);
  constexpr int16_t kFix10Low = static_cast<int16_t>(kFix10_452503261 - 65536);
  x[0] = _mm_slli_epi16(_mm_add_epi16(t0, t2), 3);
  x[4] = _mm_slli_epi16(_mm_sub_epi16(t0, t2), 3);
  x[2] = _mm_add_epi16(PairSum(t1, t3, kFix10Low, kFix4_329568801, kConstBits), _mm_slli_epi16(t1, 4));
  x[6] = _mm_sub_epi16(PairSum(t1, t3, kFix4_329568801, -kFix10Low, kConstBits), _mm_slli_epi16(t3, 4));
  x[1] = PairSum(p, r, kFix0_980785280, kFix0_195090322, kConstBits);
  x[7] = PairSum(p, r, kFix0_195090322, -kFix0_980785280, kConstBits);
  x[5] = PairSum(q, s, kFix0_555570233, kFix0_831469612, kConstBits);
  x[3] = PairSum(q, s, kFix0_831469612, -kFix0_555570233, kConstBits);
}

// Row outputs fit 16 bits (see the budget above), so saturating packs are
// plain truncations here.
__attribute__((target("avx2"))) void ForwardDct8x8Avx2(int16_t block[64]) {
  __m128i r[8];
  __m256i x[8];
  for (int i = 0; i < 8; ++i) r[i] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + 8 * i));
  // A flat block, common in drawings, transforms to 8k and zeros exactly.
  const __m128i first = _mm_set1_epi16(block[0]);
  __m128i differ = _mm_setzero_si128();
  for (int i = 0; i < 8; ++i) differ = _mm_or_si128(differ, _mm_xor_si128(r[i], first));
  if (_mm_testz_si128(differ, differ)) {
    const int16_t dc = static_cast<int16_t>(8 * block[0]);
    for (int i = 0; i < 8; ++i) _mm_storeu_si128(reinterpret_cast<__m128i*>(block + 8 * i), _mm_setzero_si128());
    block[0] = dc;
    return;
  }
  TransposeRegisters(r);
  Avx2RowPass(r);
  TransposeRegisters(r);
  for (int k = 0; k < 8; ++k) x[k] = _mm256_cvtepi16_epi32(r[k]);
  Avx2ColumnPass(x);
  for (int k = 0; k < 8; ++k) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(block + 8 * k),
                     _mm_packs_epi32(_mm256_castsi256_si128(x[k]), _mm256_extracti128_si256(x[k], 1)));
  }
}

#endif

// Eight rows at once as lanes of a transposed block, then eight columns at
// once as lanes of the block itself.
void ForwardDct8x8Lanes(int16_t block[64]) {
  alignas(32) int16_t lanes[8][8], rows[8][8];
  Transpose(block, &lanes[0][0]);
  LanePass<true>(lanes, rows);  // rows[u][r]: coefficient u of row r
  Transpose(&rows[0][0], &lanes[0][0]);
  LanePass<false>(lanes, *reinterpret_cast<int16_t(*)[8][8]>(block));
}

}  // namespace

void ForwardDct8x8(int16_t block[64]) {
#if KARTEX_HAVE_AVX2_PATH
  if (__builtin_cpu_supports("avx2")) return ForwardDct8x8Avx2(block);
#endif
  ForwardDct8x8Lanes(block);
}

void ForwardDct8x8Portable(int16_t block[64]) { ForwardDct8x8Lanes(block); }

}  // namespace jpeg
