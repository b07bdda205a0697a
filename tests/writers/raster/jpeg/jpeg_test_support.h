// Canvases made by hand, an independent decoder, and stream inspection for
// the JPEG tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "render/canvas.h"

namespace jpeg_test {

// A 24-bit canvas with malloc'd pixels (rows padded to 4 bytes), all `bgr`.
struct OwnedCanvas {
  Canvas canvas;
  OwnedCanvas(int width, int height, uint32_t rgb = 0x000000);
  ~OwnedCanvas();
  OwnedCanvas(const OwnedCanvas&) = delete;
  OwnedCanvas& operator=(const OwnedCanvas&) = delete;
  void Set(int x, int y, uint32_t rgb);
  uint32_t Get(int x, int y) const;
};

// Fills with an asymmetric "F", red on blue, so flips and red/blue swaps show.
void DrawF(OwnedCanvas& c);
// Fills with deterministic pseudo-random bytes.
void FillNoise(OwnedCanvas& c, uint32_t seed);

struct Decoded {
  bool ok = false;
  std::string error;
  int width = 0, height = 0, components = 0;
  std::vector<uint8_t> rgb;  // width x height x 3
};
Decoded DecodeJpeg(const std::vector<uint8_t>& file);

// PSNR in dB of the decoded picture against the canvas (all three channels).
double Psnr(const OwnedCanvas& c, const Decoded& d);
// PSNR in dB of two red, green, blue pictures of the same size.
double Psnr(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b);

// Offset of the first marker FF xx at or after `from` outside entropy-coded
// data (marker segments are skipped by their lengths), or -1.
long FindMarker(const std::vector<uint8_t>& file, uint8_t marker);
// The entropy-coded bytes between the SOS segment and EOI.
std::vector<uint8_t> ScanData(const std::vector<uint8_t>& file);
uint16_t Be16(const std::vector<uint8_t>& b, size_t at);

// Encodes `c` to a temporary file and returns its bytes (empty on failure).
std::vector<uint8_t> Encode(const OwnedCanvas& c, int quality);

}  // namespace jpeg_test
