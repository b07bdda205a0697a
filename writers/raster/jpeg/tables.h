// The tables of ITU-T T.81 the encoder uses, each kept once in the standard's
// own form, with the zig-zag order derived from Figure A.6.
#pragma once

#include <array>
#include <cstdint>

namespace jpeg {

// Zig-zag index -> natural (row-major) index, walking the anti-diagonals of
// Figure A.6 alternately up and down.
constexpr std::array<uint8_t, 64> MakeZigzag() {
  std::array<uint8_t, 64> order{};
  int i = 0;
  for (int diagonal = 0; diagonal < 15; ++diagonal) {
    for (int step = 0; step <= diagonal; ++step) {
      const int row = (diagonal % 2 == 0) ? diagonal - step : step;
      const int column = diagonal - row;
      if (row < 8 && column < 8) order[i++] = static_cast<uint8_t>(8 * row + column);
    }
  }
  return order;
}
inline constexpr std::array<uint8_t, 64> kZigzagToNatural = MakeZigzag();
static_assert(kZigzagToNatural[1] == 1 && kZigzagToNatural[2] == 8 && kZigzagToNatural[3] == 16);
static_assert(kZigzagToNatural[10] == 32 && kZigzagToNatural[63] == 63 && kZigzagToNatural[62] == 62);

// Tables K.1 and K.2, natural order.
inline constexpr std::array<uint8_t, 64> kLuminanceQuant = {16, 11, 10, 16, 24,  40,  51,  61,   //
                                                            12, 12, 14, 19, 26,  58,  60,  55,   //
                                                            14, 13, 16, 24, 40,  57,  69,  56,   //
                                                            14, 17, 22, 29, 51,  87,  80,  62,   //
                                                            18, 22, 37, 56, 68,  109, 103, 77,   //
                                                            24, 35, 55, 64, 81,  104, 113, 92,   //
                                                            49, 64, 78, 87, 103, 121, 120, 101,  //
                                                            72, 92, 95, 98, 112, 100, 103, 99};
inline constexpr std::array<uint8_t, 64> kChrominanceQuant = {17, 18, 24, 47, 99, 99, 99, 99,  //
                                                              18, 21, 26, 66, 99, 99, 99, 99,  //
                                                              24, 26, 56, 99, 99, 99, 99, 99,  //
                                                              47, 66, 99, 99, 99, 99, 99, 99,  //
                                                              99, 99, 99, 99, 99, 99, 99, 99,  //
                                                              99, 99, 99, 99, 99, 99, 99, 99,  //
                                                              99, 99, 99, 99, 99, 99, 99, 99,  //
                                                              99, 99, 99, 99, 99, 99, 99, 99};

// A Huffman table as DHT carries it: BITS (codes of each length 1..16) and
// HUFFVAL (the symbols in order of increasing code length).
struct HuffmanLists {
  std::array<uint8_t, 16> counts;
  const uint8_t* values;
  int valueCount;
};

// Tables K.3 to K.6.
inline constexpr uint8_t kDcValues[12] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
inline constexpr uint8_t kAcLuminanceValues[162] = {
    0x01, 0x02, 0x03, 0x00, 0x04, 0x11, 0x05, 0x12, 0x21, 0x31, 0x41, 0x06, 0x13, 0x51, 0x61, 0x07, 0x22, 0x71,
    0x14, 0x32, 0x81, 0x91, 0xa1, 0x08, 0x23, 0x42, 0xb1, 0xc1, 0x15, 0x52, 0xd1, 0xf0, 0x24, 0x33, 0x62, 0x72,
    0x82, 0x09, 0x0a, 0x16, 0x17, 0x18, 0x19, 0x1a, 0x25, 0x26, 0x27, 0x28, 0x29, 0x2a, 0x34, 0x35, 0x36, 0x37,
    0x38, 0x39, 0x3a, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48, 0x49, 0x4a, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58, 0x59,
    0x5a, 0x63, 0x64, 0x65, 0x66, 0x67, 0x68, 0x69, 0x6a, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x79, 0x7a, 0x83,
    0x84, 0x85, 0x86, 0x87, 0x88, 0x89, 0x8a, 0x92, 0x93, 0x94, 0x95, 0x96, 0x97, 0x98, 0x99, 0x9a, 0xa2, 0xa3,
    0xa4, 0xa5, 0xa6, 0xa7, 0xa8, 0xa9, 0xaa, 0xb2, 0xb3, 0xb4, 0xb5, 0xb6, 0xb7, 0xb8, 0xb9, 0xba, 0xc2, 0xc3,
    0xc4, 0xc5, 0xc6, 0xc7, 0xc8, 0xc9, 0xca, 0xd2, 0xd3, 0xd4, 0xd5, 0xd6, 0xd7, 0xd8, 0xd9, 0xda, 0xe1, 0xe2,
    0xe3, 0xe4, 0xe5, 0xe6, 0xe7, 0xe8, 0xe9, 0xea, 0xf1, 0xf2, 0xf3, 0xf4, 0xf5, 0xf6, 0xf7, 0xf8, 0xf9, 0xfa};
inline constexpr uint8_t kAcChrominanceValues[162] = {
    0x00, 0x01, 0x02, 0x03, 0x11, 0x04, 0x05, 0x21, 0x31, 0x06, 0x12, 0x41, 0x51, 0x07, 0x61, 0x71, 0x13, 0x22,
    0x32, 0x81, 0x08, 0x14, 0x42, 0x91, 0xa1, 0xb1, 0xc1, 0x09, 0x23, 0x33, 0x52, 0xf0, 0x15, 0x62, 0x72, 0xd1,
    0x0a, 0x16, 0x24, 0x34, 0xe1, 0x25, 0xf1, 0x17, 0x18, 0x19, 0x1a, 0x26, 0x27, 0x28, 0x29, 0x2a, 0x35, 0x36,
    0x37, 0x38, 0x39, 0x3a, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48, 0x49, 0x4a, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58,
    0x59, 0x5a, 0x63, 0x64, 0x65, 0x66, 0x67, 0x68, 0x69, 0x6a, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x79, 0x7a,
    0x82, 0x83, 0x84, 0x85, 0x86, 0x87, 0x88, 0x89, 0x8a, 0x92, 0x93, 0x94, 0x95, 0x96, 0x97, 0x98, 0x99, 0x9a,
    0xa2, 0xa3, 0xa4, 0xa5, 0xa6, 0xa7, 0xa8, 0xa9, 0xaa, 0xb2, 0xb3, 0xb4, 0xb5, 0xb6, 0xb7, 0xb8, 0xb9, 0xba,
    0xc2, 0xc3, 0xc4, 0xc5, 0xc6, 0xc7, 0xc8, 0xc9, 0xca, 0xd2, 0xd3, 0xd4, 0xd5, 0xd6, 0xd7, 0xd8, 0xd9, 0xda,
    0xe2, 0xe3, 0xe4, 0xe5, 0xe6, 0xe7, 0xe8, 0xe9, 0xea, 0xf2, 0xf3, 0xf4, 0xf5, 0xf6, 0xf7, 0xf8, 0xf9, 0xfa};

inline constexpr HuffmanLists kDcLuminance = {{0, 1, 5, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0}, kDcValues, 12};
inline constexpr HuffmanLists kDcChrominance = {{0, 3, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0}, kDcValues, 12};
inline constexpr HuffmanLists kAcLuminance = {
    {0, 2, 1, 3, 3, 2, 4, 3, 5, 5, 4, 4, 0, 0, 1, 0x7d}, kAcLuminanceValues, 162};
inline constexpr HuffmanLists kAcChrominance = {
    {0, 2, 1, 2, 4, 4, 3, 4, 7, 5, 4, 4, 0, 1, 2, 0x77}, kAcChrominanceValues, 162};

// Checks a list: the counts add up to its values, no symbol repeats, and the
// Kraft sum leaves the all-ones code of every length unused (Annex C).
constexpr bool IsSoundHuffmanLists(const HuffmanLists& lists) {
  int total = 0;
  int64_t kraft = 0;
  for (int length = 1; length <= 16; ++length) {
    total += lists.counts[length - 1];
    kraft += int64_t{lists.counts[length - 1]} << (16 - length);
  }
  if (total != lists.valueCount || kraft >= (int64_t{1} << 16)) return false;
  bool seen[256] = {};
  for (int i = 0; i < lists.valueCount; ++i) {
    if (seen[lists.values[i]]) return false;
    seen[lists.values[i]] = true;
  }
  return true;
}

// Every baseline AC symbol (end of block, sixteen zeros, runs 0..15 with sizes
// 1..10) and nothing else.
constexpr bool CoversAcSymbols(const HuffmanLists& lists) {
  bool seen[256] = {};
  for (int i = 0; i < lists.valueCount; ++i) seen[lists.values[i]] = true;
  int count = 0;
  for (int symbol = 0; symbol < 256; ++symbol) {
    const int size = symbol & 15;
    const bool valid = symbol == 0x00 || symbol == 0xf0 || (size >= 1 && size <= 10);
    if (seen[symbol] != valid) return false;
    count += valid;
  }
  return count == 162;
}

static_assert(IsSoundHuffmanLists(kDcLuminance) && IsSoundHuffmanLists(kDcChrominance));
static_assert(IsSoundHuffmanLists(kAcLuminance) && IsSoundHuffmanLists(kAcChrominance));
static_assert(CoversAcSymbols(kAcLuminance) && CoversAcSymbols(kAcChrominance));

}  // namespace jpeg
