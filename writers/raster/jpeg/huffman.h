// Huffman coding of quantised blocks (T.81 F.1.2), with the code tables made
// from the Annex K lists by the procedure of T.81 Annex C at compile time.
#pragma once

#include <bit>
#include <cstdint>

#include "writers/raster/jpeg/bit_writer.h"
#include "writers/raster/jpeg/tables.h"

namespace jpeg {

// EHUFCO and EHUFSI: the code and code length of each symbol (length 0: none).
struct HuffmanCodes {
  uint16_t code[256];
  uint8_t length[256];
};

// C.1 (sizes), C.2 (codes) and C.3 (ordered by symbol).
constexpr HuffmanCodes BuildHuffmanCodes(const HuffmanLists& lists) {
  HuffmanCodes codes{};
  uint32_t code = 0;
  int k = 0;
  for (int length = 1; length <= 16; ++length) {
    for (int i = 0; i < lists.counts[length - 1]; ++i, ++k) {
      codes.code[lists.values[k]] = static_cast<uint16_t>(code);
      codes.length[lists.values[k]] = static_cast<uint8_t>(length);
      ++code;
    }
    code <<= 1;
  }
  return codes;
}

inline constexpr HuffmanCodes kDcLuminanceCodes = BuildHuffmanCodes(kDcLuminance);
inline constexpr HuffmanCodes kAcLuminanceCodes = BuildHuffmanCodes(kAcLuminance);
inline constexpr HuffmanCodes kDcChrominanceCodes = BuildHuffmanCodes(kDcChrominance);
inline constexpr HuffmanCodes kAcChrominanceCodes = BuildHuffmanCodes(kAcChrominance);

// Codes every fitted table must give (Table K.3's size 0 and K.5's end of block).
static_assert(kDcLuminanceCodes.code[0] == 0 && kDcLuminanceCodes.length[0] == 2);
static_assert(kAcLuminanceCodes.code[0x00] == 0xa && kAcLuminanceCodes.length[0x00] == 4);
static_assert(kAcLuminanceCodes.code[0xf0] == 0x7f9 && kAcLuminanceCodes.length[0xf0] == 11);
static_assert(kAcChrominanceCodes.code[0x00] == 0 && kAcChrominanceCodes.length[0x00] == 2);

// Number of bits of |value| (0 for 0): the SSSS category of T.81 F.1.2.
inline int MagnitudeCategory(int value) {
  return static_cast<int>(std::bit_width(static_cast<unsigned>(value < 0 ? -value : value)));
}

// Bit k set when coefficient k (1..63, zig-zag order) is not zero; bit 0 is
// always clear. The first is vectorised, the second the plain reference.
uint64_t NonZeroAcMask(const int16_t zigzag[64]);
uint64_t NonZeroAcMaskReference(const int16_t zigzag[64]);

// Codes one block of quantised coefficients in zig-zag order, updating the
// component's DC predictor.
void EncodeBlock(JpegBitWriter& writer, const int16_t zigzag[64], int16_t& predictor, const HuffmanCodes& dc,
                 const HuffmanCodes& ac);

}  // namespace jpeg
