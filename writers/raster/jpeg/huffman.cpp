#include "writers/raster/jpeg/huffman.h"

#include <bit>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace jpeg {

namespace {

constexpr int kZeroRunSymbol = 0xf0;  // sixteen zeros
constexpr int kEndOfBlock = 0x00;
constexpr int kMaxRun = 15;

// The bit writer's state held in registers while one block is coded; the
// buffer has room for a whole block (kBitWriterSlack).
struct BlockBits {
  uint64_t pending;
  int count;
  uint8_t* out;

  explicit BlockBits(const JpegBitWriter& w) : pending(w.pending), count(w.pendingBits), out(w.buffer + w.used) {}
  void Store(JpegBitWriter& w) const {
    w.pending = pending;
    w.pendingBits = count;
    w.used = static_cast<int>(out - w.buffer);
  }
  // `length` <= 32 bits of `bits`, already free of higher bits.
  inline void Put(uint32_t bits, int length) {
    pending = (pending << length) | bits;
    count += length;
    if (count < 32) return;
    count -= 32;
    const uint32_t word = static_cast<uint32_t>(pending >> count);
    const uint32_t inverse = ~word;
    if (((inverse - 0x01010101u) & ~inverse & 0x80808080u) == 0) {
      out[0] = static_cast<uint8_t>(word >> 24);
      out[1] = static_cast<uint8_t>(word >> 16);
      out[2] = static_cast<uint8_t>(word >> 8);
      out[3] = static_cast<uint8_t>(word);
      out += 4;
      return;
    }
    for (int shift = 24; shift >= 0; shift -= 8) {
      const uint8_t byte = static_cast<uint8_t>(word >> shift);
      *out++ = byte;
      if (byte == 0xff) *out++ = 0;
    }
  }
  // A symbol's code followed by `size` bits of the value (two's complement less
  // one when negative, as F.1.2.1 wants): at most 16 + 11 bits.
  inline void PutSymbol(const HuffmanCodes& table, int symbol, int value, int size) {
    const uint32_t bits = static_cast<uint32_t>(value < 0 ? value - 1 : value) & ((uint32_t{1} << size) - 1);
    Put((uint32_t{table.code[symbol]} << size) | bits, table.length[symbol] + size);
  }
};

}  // namespace

uint64_t NonZeroAcMaskReference(const int16_t zigzag[64]) {
  uint64_t mask = 0;
  for (int k = 1; k < 64; ++k) mask |= uint64_t{zigzag[k] != 0} << k;
  return mask;
}

uint64_t NonZeroAcMask(const int16_t zigzag[64]) {
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

void EncodeBlock(JpegBitWriter& writer, const int16_t zigzag[64], int16_t& predictor, const HuffmanCodes& dc,
                 const HuffmanCodes& ac) {
  BlockBits bits(writer);
  const int diff = zigzag[0] - predictor;
  predictor = zigzag[0];
  const int dcSize = MagnitudeCategory(diff);
  bits.PutSymbol(dc, dcSize, diff, dcSize);

  // Visit only the non-zero coefficients.
  uint64_t nonZero = NonZeroAcMask(zigzag);
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
    const int size = MagnitudeCategory(v);
    bits.PutSymbol(ac, 16 * run + size, v, size);
  }
  if (last != 63) bits.Put(ac.code[kEndOfBlock], ac.length[kEndOfBlock]);
  bits.Store(writer);
  if (writer.used >= kBitWriterBufferSize) BitWriterDrain(writer);
}

}  // namespace jpeg
