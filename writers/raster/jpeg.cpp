// A rendered 24-bit Canvas as a baseline JFIF file: fills the encoder's
// settings and reports its failure as one line.
#include "writers/raster/jpeg.h"

#include <cstdint>
#include <cstdio>

#include "writers/raster/jpeg/encoder.h"

namespace {

// The dialog's quality box can hold any number; only its low 7 bits count.
constexpr int kQualityMask = 127;

}  // namespace

int WriteJpegFile(const Canvas& canvas, const char* fileName, int quality) {
  if (canvas.bitsPerPixel != 24) return 0;
  JPEG_PROPERTIES properties;
  JpegEncoderState state;
  if (JpegInit(properties, state) != kJpegSuccess) {
    JpegRelease(state);
    return 0;
  }
  properties.sourcePixels = canvas.pixels;
  properties.sourceWidth = canvas.width;
  properties.sourceHeight = canvas.height;
  const int64_t padding = int64_t{canvas.stride} - int64_t{3} * canvas.width;
  properties.sourceRowPadding = padding < 0 || padding > INT32_MAX ? -1 : static_cast<int32_t>(padding);
  properties.sourceChannels = 3;
  properties.sourceColourOrder = kJpegOrderBgr;
  properties.sourceSubsampling = 0;
  properties.outputFileName = fileName;
  properties.outputWidth = canvas.width;
  properties.outputHeight = canvas.height;
  properties.outputComponents = 3;
  properties.outputColourSpace = kJpegSpaceYCbCr;
  properties.outputSampling = kJpegSampling420;
  properties.quality = quality & kQualityMask;
  const int status = EncodeJpegFile(properties, state, kJpegWholeImageToFile);
  JpegRelease(state);
  if (status != kJpegSuccess) {
    std::printf("%s\n", JpegErrorText(status));
    return 0;
  }
  return 1;
}
