#include "writers/raster/jpeg/quant.h"

#include "writers/raster/jpeg/multiversion.h"
#include "writers/raster/jpeg/tables.h"

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

KARTEX_VECTOR_CLONES void QuantiseBlock(const int16_t coefficients[64], const uint16_t reciprocalNatural[64], int16_t zigzag[64]) {
  int16_t natural[64];
  for (int i = 0; i < 64; ++i) {
    natural[i] = static_cast<int16_t>(
        (int32_t{coefficients[i]} * int32_t{reciprocalNatural[i]} + (1 << (kReciprocalBits - 1))) >> kReciprocalBits);
  }
  for (int i = 0; i < 64; ++i) zigzag[i] = natural[kZigzagToNatural[i]];
}

}  // namespace jpeg
