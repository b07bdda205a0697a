// The JPEG encoder on pictures the input describes: size (capped), quality,
// row padding, pixel order, bottom-up rows, and the pixel bytes, repeated.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "writers/raster/jpeg/encoder.h"

namespace {

constexpr int kMaxSide = 300;  // keeps each run fast
constexpr size_t kHeader = 6;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < kHeader) return 0;
  const int width = 1 + (data[0] | data[1] << 8) % kMaxSide;
  const int height = 1 + (data[2] | data[3] << 8) % kMaxSide;
  const int quality = static_cast<int8_t>(data[4]);
  const int padding = data[5] & 7;
  const bool rgb = data[5] & 8, bottomUp = data[5] & 16;
  const size_t rowBytes = size_t(width) * 3 + padding;
  std::vector<uint8_t> pixels(rowBytes * height);
  const size_t available = size - kHeader;
  for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = available ? data[kHeader + i % available] : 0;
  static const std::string path = "/tmp/kartex_jpeg_fuzz_" + std::to_string(getpid()) + ".jpg";

  JPEG_PROPERTIES properties;
  JpegEncoderState state;
  JpegInit(properties, state);
  properties.sourcePixels = pixels.data();
  properties.sourceWidth = properties.outputWidth = width;
  properties.sourceHeight = bottomUp ? -height : height;
  properties.outputHeight = height;
  properties.sourceRowPadding = padding;
  properties.sourceColourOrder = rgb ? kJpegOrderRgb : kJpegOrderBgr;
  properties.outputFileName = path.c_str();
  properties.quality = quality;
  const int status = EncodeJpegFile(properties, state, kJpegWholeImageToFile);
  JpegRelease(state);
  if (status != kJpegSuccess) std::abort();  // every such record is valid
  return 0;
}
