// Quantisation tables scaled by quality, and quantisation by reciprocal
// multiplication.
#pragma once

#include <cstdint>

namespace jpeg {

constexpr int kMinQuality = 1;
constexpr int kMaxQuality = 100;

// Scales a base table (natural order) by `quality` (folded into 1..100) into
// the entries DQT carries, in zig-zag order, each 1..255.
void ScaleQuantTable(const uint8_t baseNatural[64], int quality, uint8_t scaledZigzag[64]);

// Reciprocals 32768 / q of a scaled table, in natural order.
void PrepareQuantiser(const uint8_t scaledZigzag[64], uint16_t reciprocalNatural[64]);

// Quantises DCT coefficients (natural order) and stores them in zig-zag order,
// rounding halves towards plus infinity.
void QuantiseBlock(const int16_t coefficients[64], const uint16_t reciprocalNatural[64], int16_t zigzag[64]);
// The plain version the vectorised one must match bit for bit.
void QuantiseBlockReference(const int16_t coefficients[64], const uint16_t reciprocalNatural[64], int16_t zigzag[64]);

}  // namespace jpeg
