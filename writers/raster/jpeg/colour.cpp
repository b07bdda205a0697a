#include "writers/raster/jpeg/colour.h"

#include <array>

#include "writers/raster/jpeg/multiversion.h"

#if KARTEX_HAVE_AVX2_PATH
#include <immintrin.h>
#endif

namespace jpeg {

namespace {

// BT.601 weights in 8 fractional bits. The colour differences use 128 for
// their own channel and split 128 between the other two (43 + 85, 107 + 21),
// so grey gives exactly 0.
constexpr int kYR = 77, kYG = 150, kYB = 29;
constexpr int kCbR = 43, kCbG = 85;   // Cb = (128B - 43R - 85G) / 256
constexpr int kCrG = 107, kCrB = 21;  // Cr = (128R - 107G - 21B) / 256
// 128 x 256 level shift, less half a step for rounding.
constexpr int kYOffset = 128 * 256 - 128;

inline int Luma(int b, int g, int r) { return (kYR * r + kYG * g + kYB * b - kYOffset) >> 8; }

}  // namespace

// Sixteen pixels a row in 16-bit lanes: 77R + 150G + 29B + 128 stays below
// 2^16, so luminance needs no wider arithmetic; the chroma sums of a 2 x 2
// group need 32 bits.
void ConvertFullMcuReference(const uint8_t* top, ptrdiff_t rowStep, McuBlocks& out, PixelOrder order) {
  const int bi = order == PixelOrder::kBgr ? 0 : 2, ri = 2 - bi;
  for (int pair = 0; pair < kMcuSize / 2; ++pair) {
    int32_t sumB[8], sumG[8], sumR[8];
    for (int half = 0; half < 2; ++half) {
      const int y = 2 * pair + half;
      const uint8_t* p = top + y * rowStep;
      // Read straight from the pixels in each loop: staging them in small
      // arrays made the compiler split and re-join vectors through memory.
      int16_t lum[kMcuSize];
      for (int x = 0; x < kMcuSize; ++x) {
        const uint16_t weighted =
            static_cast<uint16_t>(kYR * p[3 * x + ri] + kYG * p[3 * x + 1] + kYB * p[3 * x + bi] + 128);
        lum[x] = static_cast<int16_t>((weighted >> 8) - 128);
      }
      int16_t* left = out.block[2 * (y / 8)] + 8 * (y % 8);
      int16_t* right = out.block[2 * (y / 8) + 1] + 8 * (y % 8);
      for (int x = 0; x < 8; ++x) {
        left[x] = lum[x];
        right[x] = lum[x + 8];
      }
      for (int i = 0; i < 8; ++i) {
        const int32_t pb = p[6 * i + bi] + p[6 * i + 3 + bi], pg = p[6 * i + 1] + p[6 * i + 4],
                      pr = p[6 * i + ri] + p[6 * i + 3 + ri];
        sumB[i] = half == 0 ? pb : sumB[i] + pb;
        sumG[i] = half == 0 ? pg : sumG[i] + pg;
        sumR[i] = half == 0 ? pr : sumR[i] + pr;
      }
    }
    for (int i = 0; i < 8; ++i) {
      out.block[4][8 * pair + i] = static_cast<int16_t>((128 * sumB[i] - kCbR * sumR[i] - kCbG * sumG[i] + 512) >> 10);
      out.block[5][8 * pair + i] = static_cast<int16_t>((128 * sumR[i] - kCrG * sumG[i] - kCrB * sumB[i] + 512) >> 10);
    }
  }
}

#if KARTEX_HAVE_AVX2_PATH

namespace {

// Byte shuffles that pick channel `channel` of 16 pixels out of the three
// 16-byte pieces of a 48-byte row: one mask per piece, 0x80 for "none".
constexpr std::array<uint8_t, 16> ChannelMask(int channel, int piece) {
  std::array<uint8_t, 16> mask{};
  for (int j = 0; j < 16; ++j) {
    const int source = 3 * j + channel;
    mask[j] = static_cast<uint8_t>(source / 16 == piece ? source % 16 : 0x80);
  }
  return mask;
}

alignas(16) constexpr std::array<uint8_t, 16> kChannelMasks[3][3] = {
    {ChannelMask(0, 0), ChannelMask(0, 1), ChannelMask(0, 2)},
    {ChannelMask(1, 0), ChannelMask(1, 1), ChannelMask(1, 2)},
    {ChannelMask(2, 0), ChannelMask(2, 1), ChannelMask(2, 2)}};

constexpr ptrdiff_t kPrefetchAhead = 4 * 3 * kMcuSize;

__attribute__((target("avx2"))) inline __m256i Channel(__m128i v0, __m128i v1, __m128i v2, int channel) {
  const auto mask = [channel](int piece) {
    return _mm_load_si128(reinterpret_cast<const __m128i*>(kChannelMasks[channel][piece].data()));
  };
  const __m128i bytes = _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(v0, mask(0)), _mm_shuffle_epi8(v1, mask(1))),
                                     _mm_shuffle_epi8(v2, mask(2)));
  return _mm256_cvtepu8_epi16(bytes);
}

__attribute__((target("avx2"))) void ConvertFullMcuAvx2(const uint8_t* top, ptrdiff_t rowStep, McuBlocks& out,
                                                        PixelOrder order) {
  const int bi = order == PixelOrder::kBgr ? 0 : 2, ri = 2 - bi;
  const __m256i ones = _mm256_set1_epi16(1);
  for (int pair = 0; pair < kMcuSize / 2; ++pair) {
    __m256i sumB = _mm256_setzero_si256(), sumG = sumB, sumR = sumB;
    for (int half = 0; half < 2; ++half) {
      const int y = 2 * pair + half;
      const uint8_t* p = top + y * rowStep;
      // Sixteen rows are read side by side, more streams than the hardware
      // prefetcher follows: ask for the row's bytes a few MCUs ahead. A
      // prefetch past the row's end is harmless.
      _mm_prefetch(reinterpret_cast<const char*>(p + kPrefetchAhead), _MM_HINT_T0);
      const __m128i v0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
      const __m128i v1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16));
      const __m128i v2 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 32));
      const __m256i b = Channel(v0, v1, v2, bi), g = Channel(v0, v1, v2, 1), r = Channel(v0, v1, v2, ri);
      __m256i weighted = _mm256_add_epi16(_mm256_mullo_epi16(r, _mm256_set1_epi16(kYR)),
                                          _mm256_mullo_epi16(g, _mm256_set1_epi16(kYG)));
      weighted = _mm256_add_epi16(weighted, _mm256_mullo_epi16(b, _mm256_set1_epi16(kYB)));
      weighted = _mm256_add_epi16(weighted, _mm256_set1_epi16(128));
      const __m256i lum = _mm256_sub_epi16(_mm256_srli_epi16(weighted, 8), _mm256_set1_epi16(128));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out.block[2 * (y / 8)] + 8 * (y % 8)), _mm256_castsi256_si128(lum));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out.block[2 * (y / 8) + 1] + 8 * (y % 8)),
                       _mm256_extracti128_si256(lum, 1));
      // Adjacent pairs summed into 32-bit lanes.
      sumB = _mm256_add_epi32(sumB, _mm256_madd_epi16(b, ones));
      sumG = _mm256_add_epi32(sumG, _mm256_madd_epi16(g, ones));
      sumR = _mm256_add_epi32(sumR, _mm256_madd_epi16(r, ones));
    }
    const __m256i half = _mm256_set1_epi32(512);
    const __m256i cb = _mm256_srai_epi32(
        _mm256_add_epi32(_mm256_sub_epi32(_mm256_slli_epi32(sumB, 7),
                                          _mm256_add_epi32(_mm256_mullo_epi32(sumR, _mm256_set1_epi32(kCbR)),
                                                           _mm256_mullo_epi32(sumG, _mm256_set1_epi32(kCbG)))),
                         half),
        10);
    const __m256i cr = _mm256_srai_epi32(
        _mm256_add_epi32(_mm256_sub_epi32(_mm256_slli_epi32(sumR, 7),
                                          _mm256_add_epi32(_mm256_mullo_epi32(sumG, _mm256_set1_epi32(kCrG)),
                                                           _mm256_mullo_epi32(sumB, _mm256_set1_epi32(kCrB)))),
                         half),
        10);
    // packs works per 128-bit half: cb0-3 cr0-3 | cb4-7 cr4-7; put each row together.
    const __m256i packed = _mm256_permute4x64_epi64(_mm256_packs_epi32(cb, cr), 0xd8);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out.block[4] + 8 * pair), _mm256_castsi256_si128(packed));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out.block[5] + 8 * pair), _mm256_extracti128_si256(packed, 1));
  }
}

}  // namespace

#endif

void ConvertFullMcu(const uint8_t* top, ptrdiff_t rowStep, McuBlocks& out, PixelOrder order) {
#if KARTEX_HAVE_AVX2_PATH
  if (__builtin_cpu_supports("avx2")) return ConvertFullMcuAvx2(top, rowStep, out, order);
#endif
  ConvertFullMcuReference(top, rowStep, out, order);
}

void ConvertEdgeMcu(const uint8_t* top, ptrdiff_t rowStep, int validColumns, int validRows, McuBlocks& out,
                    PixelOrder order) {
  const int bi = order == PixelOrder::kBgr ? 0 : 2, ri = 2 - bi;
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
      const int b = p[3 * x + bi], g = p[3 * x + 1], r = p[3 * x + ri];
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
