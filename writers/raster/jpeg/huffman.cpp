#include "writers/raster/jpeg/huffman.h"

#include <bit>

namespace jpeg {

namespace {

constexpr int kZeroRunSymbol = 0xf0;  // sixteen zeros
constexpr int kEndOfBlock = 0x00;
constexpr int kMaxRun = 15;

// A symbol's code followed by `size` bits of the value (two's complement less
// one when negative, as F.1.2.1 wants), in one put: at most 16 + 11 bits.
inline void PutSymbol(JpegBitWriter& writer, const HuffmanCodes& table, int symbol, int value, int size) {
  const uint32_t bits = static_cast<uint32_t>(value < 0 ? value - 1 : value) & ((uint32_t{1} << size) - 1);
  BitWriterPut(writer, (uint32_t{table.code[symbol]} << size) | bits, table.length[symbol] + size);
}

}  // namespace

void EncodeBlock(JpegBitWriter& writer, const int16_t zigzag[64], int16_t& predictor, const HuffmanCodes& dc,
                 const HuffmanCodes& ac) {
  const int diff = zigzag[0] - predictor;
  predictor = zigzag[0];
  const int dcSize = MagnitudeCategory(diff);
  PutSymbol(writer, dc, dcSize, diff, dcSize);

  // Visit only the non-zero coefficients, found through a bit mask.
  uint64_t nonZero = 0;
  for (int k = 1; k < 64; ++k) nonZero |= uint64_t{zigzag[k] != 0} << k;
  int last = 0;
  while (nonZero != 0) {
    const int k = std::countr_zero(nonZero);
    nonZero &= nonZero - 1;
    int run = k - last - 1;
    last = k;
    while (run > kMaxRun) {
      BitWriterPut(writer, ac.code[kZeroRunSymbol], ac.length[kZeroRunSymbol]);
      run -= kMaxRun + 1;
    }
    const int v = zigzag[k];
    const int size = MagnitudeCategory(v);
    PutSymbol(writer, ac, 16 * run + size, v, size);
  }
  if (last != 63) BitWriterPut(writer, ac.code[kEndOfBlock], ac.length[kEndOfBlock]);
}

}  // namespace jpeg
