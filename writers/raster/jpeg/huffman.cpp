#include "writers/raster/jpeg/huffman.h"

#include "writers/raster/jpeg/multiversion.h"

#include <bit>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace jpeg {

namespace {

constexpr int kZeroRunSymbol = 0xf0;  // sixteen zeros
constexpr int kEndOfBlock = 0x00;
constexpr int kMaxRun = 15;

// A symbol's code followed by `size` bits of the value (two's complement less
// one when negative, as F.1.2.1 wants), in one put: at most 16 + 11 bits.
inline void PutSymbol(BitAccumulator& bits, const HuffmanCodes& table, int symbol, int value, int size) {
  // value - 1 when negative, without a branch.
  const uint32_t extra = static_cast<uint32_t>(value + (value >> 31)) & ((uint32_t{1} << size) - 1);
  bits.Put((uint32_t{table.code[symbol]} << size) | extra, table.length[symbol] + size);
}

}  // namespace

uint64_t NonZeroAcMaskReference(const int16_t zigzag[64]) {
  uint64_t mask = 0;
  for (int k = 1; k < 64; ++k) mask |= uint64_t{zigzag[k] != 0} << k;
  return mask;
}

[[gnu::always_inline]] inline uint64_t NonZeroAcMaskInline(const int16_t zigzag[64]) {
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  uint64_t zeros = 0;
  for (int i = 0; i < 4; ++i) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(zigzag + 16 * i));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(zigzag + 16 * i + 8));
    const __m128i packed = _mm_packs_epi16(_mm_cmpeq_epi16(a, zero), _mm_cmpeq_epi16(b, zero));
    zeros |= uint64_t{static_cast<uint16_t>(_mm_movemask_epi8(packed))} << (16 * i);
  }
  return ~zeros & ~uint64_t{1};
#else
  return NonZeroAcMaskReference(zigzag);
#endif
}

uint64_t NonZeroAcMask(const int16_t zigzag[64]) { return NonZeroAcMaskInline(zigzag); }

KARTEX_BITS_CLONES void EncodeBlock(JpegBitWriter& writer, const int16_t zigzag[64], int16_t& predictor,
                                    const HuffmanCodes& dc, const HuffmanCodes& ac) {
  BitAccumulator bits(writer);
  const int diff = zigzag[0] - predictor;
  predictor = zigzag[0];
  const int dcSize = MagnitudeCategory(diff);
  PutSymbol(bits, dc, dcSize, diff, dcSize);

  // Visit only the non-zero coefficients.
  uint64_t nonZero = NonZeroAcMaskInline(zigzag);
  int last = 0;
  while (nonZero != 0) {
    const int k = std::countr_zero(nonZero);
    nonZero &= nonZero - 1;
    int run = k - last - 1;
    last = k;
    while (run > kMaxRun) {
      bits.Put(ac.code[kZeroRunSymbol], ac.length[kZeroRunSymbol]);
      run -= kMaxRun + 1;
    }
    const int v = zigzag[k];
    // v is not zero here, so the count of leading zeros is defined.
    const int size = 32 - __builtin_clz(static_cast<unsigned>(v < 0 ? -v : v));
    PutSymbol(bits, ac, 16 * run + size, v, size);
  }
  if (last != 63) bits.Put(ac.code[kEndOfBlock], ac.length[kEndOfBlock]);
  bits.Store(writer);
  if (writer.used >= kBitWriterBufferSize) BitWriterDrain(writer);
}

}  // namespace jpeg
