#include "writers/raster/jpeg/quant.h"

#include "writers/raster/jpeg/multiversion.h"
#include "writers/raster/jpeg/tables.h"

#if KARTEX_HAVE_AVX2_PATH
#include <immintrin.h>
#endif

namespace jpeg {

namespace {

constexpr int kReciprocalBits = 15;
constexpr int kMaxEntry = 255;  // 8-bit DQT entries

}  // namespace

void ScaleQuantTable(const uint8_t baseNatural[64], int quality, uint8_t scaledZigzag[64]) {
  if (quality < kMinQuality) quality = kMinQuality;
  if (quality > kMaxQuality) quality = kMaxQuality;
  const int scale = quality < 50 ? 5000 / quality : 200 - 2 * quality;
  for (int i = 0; i < 64; ++i) {
    int entry = (baseNatural[kZigzagToNatural[i]] * scale + 50) / 100;
    if (entry < 1) entry = 1;
    if (entry > kMaxEntry) entry = kMaxEntry;
    scaledZigzag[i] = static_cast<uint8_t>(entry);
  }
}

void PrepareQuantiser(const uint8_t scaledZigzag[64], uint16_t reciprocalNatural[64]) {
  for (int i = 0; i < 64; ++i) {
    const int q = scaledZigzag[i] == 0 ? 1 : scaledZigzag[i];
    reciprocalNatural[kZigzagToNatural[i]] = static_cast<uint16_t>((1 << kReciprocalBits) / q);
  }
}

namespace {

#if KARTEX_HAVE_AVX2_PATH

// For zig-zag entries 8j..8j+7: which bytes of natural row r they take (0x80:
// none), and whether they take any.
struct ZigzagShuffles {
  alignas(16) std::array<uint8_t, 16> bytes[8][8];
  bool uses[8][8];
};
constexpr ZigzagShuffles MakeZigzagShuffles() {
  ZigzagShuffles z{};
  for (int j = 0; j < 8; ++j)
    for (int r = 0; r < 8; ++r) {
      z.uses[j][r] = false;
      for (int lane = 0; lane < 8; ++lane) {
        const int natural = kZigzagToNatural[8 * j + lane];
        const bool here = natural / 8 == r;
        z.bytes[j][r][2 * lane] = here ? static_cast<uint8_t>(2 * (natural % 8)) : 0x80;
        z.bytes[j][r][2 * lane + 1] = here ? static_cast<uint8_t>(2 * (natural % 8) + 1) : 0x80;
        z.uses[j][r] = z.uses[j][r] || here;
      }
    }
  return z;
}
alignas(16) constexpr ZigzagShuffles kZigzagShuffles = MakeZigzagShuffles();

// vpmulhrsw computes (a x b + 2^14) >> 15 exactly, the rounding wanted here,
// for 16 coefficients at once; only its 16-bit signed factor cannot hold the
// reciprocal 32768 of q = 1, whose quotient is the coefficient itself.
__attribute__((target("avx2"))) void QuantiseBlockAvx2(const int16_t coefficients[64],
                                                       const uint16_t reciprocalNatural[64], int16_t zigzag[64]) {
  alignas(32) int16_t natural[64];
  const __m256i unity = _mm256_set1_epi16(static_cast<int16_t>(0x8000));
  __m256i any = _mm256_setzero_si256();
  for (int i = 0; i < 64; i += 16) {
    const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(coefficients + i));
    const __m256i m = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(reciprocalNatural + i));
    const __m256i q = _mm256_blendv_epi8(_mm256_mulhrs_epi16(v, m), v, _mm256_cmpeq_epi16(m, unity));
    _mm256_store_si256(reinterpret_cast<__m256i*>(natural + i), q);
    any = _mm256_or_si256(any, i == 0 ? _mm256_and_si256(q, _mm256_setr_epi16(0, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1,
                                                                              -1, -1, -1, -1, -1))
                                      : q);
  }
  if (_mm256_testz_si256(any, any)) {
    const __m256i zero = _mm256_setzero_si256();
    for (int i = 0; i < 64; i += 16) _mm256_storeu_si256(reinterpret_cast<__m256i*>(zigzag + i), zero);
    zigzag[0] = natural[0];
    return;
  }
  // Each run of eight zig-zag entries gathered from the natural rows it
  // draws on, a byte shuffle a row.
  __m128i rows[8];
  for (int r = 0; r < 8; ++r) rows[r] = _mm_load_si128(reinterpret_cast<const __m128i*>(natural + 8 * r));
#pragma GCC unroll 8
  for (int j = 0; j < 8; ++j) {
    __m128i out = _mm_setzero_si128();
#pragma GCC unroll 8
    for (int r = 0; r < 8; ++r) {
      if (!kZigzagShuffles.uses[j][r]) continue;
      const __m128i mask = _mm_load_si128(reinterpret_cast<const __m128i*>(kZigzagShuffles.bytes[j][r].data()));
      out = _mm_or_si128(out, _mm_shuffle_epi8(rows[r], mask));
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(zigzag + 8 * j), out);
  }
}

#endif

}  // namespace

void QuantiseBlock(const int16_t coefficients[64], const uint16_t reciprocalNatural[64], int16_t zigzag[64]) {
#if KARTEX_HAVE_AVX2_PATH
  if (__builtin_cpu_supports("avx2")) return QuantiseBlockAvx2(coefficients, reciprocalNatural, zigzag);
#endif
  QuantiseBlockReference(coefficients, reciprocalNatural, zigzag);
}

void QuantiseBlockReference(const int16_t coefficients[64], const uint16_t reciprocalNatural[64], int16_t zigzag[64]) {
  alignas(32) int16_t natural[64];
  for (int i = 0; i < 64; ++i) {
    natural[i] = static_cast<int16_t>(
        (int32_t{coefficients[i]} * int32_t{reciprocalNatural[i]} + (1 << (kReciprocalBits - 1))) >> kReciprocalBits);
  }
  // Flat blocks, the common case in drawings, need no reordering.
  int16_t anyAc = 0;
  for (int i = 1; i < 64; ++i) anyAc |= natural[i];
  if (anyAc == 0) {
    for (int i = 0; i < 64; ++i) zigzag[i] = 0;
    zigzag[0] = natural[0];
    return;
  }
  for (int i = 0; i < 64; ++i) zigzag[i] = natural[kZigzagToNatural[i]];
}

}  // namespace jpeg
