#include "writers/raster/jpeg/encoder.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "writers/raster/jpeg/colour.h"
#include "writers/raster/jpeg/fdct.h"
#include "writers/raster/jpeg/huffman.h"
#include "writers/raster/jpeg/markers.h"
#include "writers/raster/jpeg/tables.h"

const char kJpegEncoderIdentification[] = "Kartex JPEG encoder 1.0";

namespace {

constexpr int kBytesPerPixel = 3;
constexpr int kLuminanceBlocks = 4;

int Validate(const JPEG_PROPERTIES& p) {
  const bool valid = p.sourcePixels != nullptr && p.sourceWidth >= 1 && p.sourceWidth <= kJpegMaxDimension &&
                     p.sourceHeight >= -kJpegMaxDimension && p.sourceHeight <= kJpegMaxDimension &&
                     p.sourceRowPadding >= 0 && p.sourceChannels >= 1 && p.sourceChannels <= kJpegMaxChannels &&
                     p.outputWidth >= 1 && p.outputWidth <= kJpegMaxDimension && p.outputHeight >= 1 &&
                     p.outputHeight <= kJpegMaxDimension && p.outputFileName != nullptr &&
                     p.outputFileName[0] != '\0' && p.outputComponents >= 1 && p.outputComponents <= kJpegMaxComponents;
  if (!valid) return kJpegInvalidProperties;
  if (p.sourceSubsampling != 0) return kJpegUnsupportedSubsampling;
  // The encoder neither scales nor converts layouts: anything but the one
  // layout it codes would read the pixels wrongly or past their end.
  if (p.sourceChannels != kBytesPerPixel) return kJpegUnsupportedBytesPerPixel;
  const int32_t sourceRows = p.sourceHeight < 0 ? -p.sourceHeight : p.sourceHeight;
  if (p.outputWidth != p.sourceWidth || p.outputHeight != sourceRows) return kJpegInvalidProperties;
  const bool knownOrder = p.sourceColourOrder == kJpegOrderBgr || p.sourceColourOrder == kJpegOrderRgb;
  if (!knownOrder || p.outputComponents != 3 || p.outputColourSpace != kJpegSpaceYCbCr ||
      p.outputSampling != kJpegSampling420 || p.separateChromaTables != 1) {
    return kJpegNotSupported;
  }
  return kJpegSuccess;
}

// Codes every MCU in raster order.
void EncodeScan(JpegEncoderState& state) {
  const JPEG_PROPERTIES& p = state.settings;
  const int width = p.outputWidth, height = p.outputHeight;
  ptrdiff_t rowStep = ptrdiff_t{kBytesPerPixel} * width + p.sourceRowPadding;
  const uint8_t* top = p.sourcePixels;
  if (p.sourceHeight < 0) {
    top += (height - 1) * rowStep;
    rowStep = -rowStep;
  }
  const int mcuColumns = (width + jpeg::kMcuSize - 1) / jpeg::kMcuSize;
  const int mcuRows = (height + jpeg::kMcuSize - 1) / jpeg::kMcuSize;
  const jpeg::PixelOrder order = p.sourceColourOrder == kJpegOrderRgb ? jpeg::PixelOrder::kRgb : jpeg::PixelOrder::kBgr;
  jpeg::McuBlocks mcu;
  alignas(32) int16_t zigzag[64];
  for (int my = 0; my < mcuRows && !state.writer.failed; ++my) {
    const int validRows = std::min(height - my * jpeg::kMcuSize, jpeg::kMcuSize);
    const uint8_t* rowTop = top + ptrdiff_t{my} * jpeg::kMcuSize * rowStep;
    for (int mx = 0; mx < mcuColumns; ++mx) {
      const int validColumns = std::min(width - mx * jpeg::kMcuSize, jpeg::kMcuSize);
      const uint8_t* mcuTop = rowTop + ptrdiff_t{mx} * jpeg::kMcuSize * kBytesPerPixel;
      if (validRows == jpeg::kMcuSize && validColumns == jpeg::kMcuSize) {
        jpeg::ConvertFullMcu(mcuTop, rowStep, mcu, order);
      } else {
        jpeg::ConvertEdgeMcu(mcuTop, rowStep, validColumns, validRows, mcu, order);
      }
      for (auto& block : mcu.block) jpeg::ForwardDct8x8(block);
      for (int b = 0; b < kLuminanceBlocks; ++b) {
        jpeg::QuantiseBlock(mcu.block[b], state.reciprocals[0], zigzag);
        jpeg::EncodeBlock(state.writer, zigzag, state.predictors[0], jpeg::kDcLuminanceCodes, jpeg::kAcLuminanceCodes);
      }
      for (int c = 1; c <= 2; ++c) {
        jpeg::QuantiseBlock(mcu.block[kLuminanceBlocks + c - 1], state.reciprocals[1], zigzag);
        jpeg::EncodeBlock(state.writer, zigzag, state.predictors[c], jpeg::kDcChrominanceCodes,
                          jpeg::kAcChrominanceCodes);
      }
    }
  }
}

}  // namespace

int JpegInit(JPEG_PROPERTIES& properties, JpegEncoderState& state) {
  properties = JPEG_PROPERTIES{};
  properties.sourceChannels = kBytesPerPixel;
  properties.sourceColourOrder = kJpegOrderBgr;
  properties.outputComponents = 3;
  properties.outputColourSpace = kJpegSpaceYCbCr;
  properties.outputSampling = kJpegSampling420;
  properties.separateChromaTables = 1;
  properties.quality = kJpegDefaultQuality;
  state = JpegEncoderState{};
  state.jfifMajor = 1;
  state.jfifMinor = 1;
  state.densityUnits = 0;
  state.xDensity = 1;
  state.yDensity = 1;
  state.interleavedScans = 1;
  return kJpegSuccess;
}

int EncodeJpegFile(JPEG_PROPERTIES& properties, JpegEncoderState& state, int32_t mode) {
  if (mode != kJpegWholeImageToFile) return kJpegNotSupported;
  const int check = Validate(properties);
  if (check != kJpegSuccess) return check;

  state.outputBuffer = static_cast<uint8_t*>(std::malloc(jpeg::kBitWriterBufferSize + jpeg::kBitWriterSlack));
  if (state.outputBuffer == nullptr) return kJpegMemoryError;
  state.file = std::fopen(properties.outputFileName, "w+b");
  if (state.file == nullptr) return kJpegInvalidFileName;
  // The bit writer buffers 4096 bytes itself; a failed write shows at once.
  std::setvbuf(state.file, nullptr, _IONBF, 0);

  state.settings = properties;
  for (int16_t& predictor : state.predictors) predictor = 0;
  jpeg::BitWriterInit(state.writer, state.outputBuffer, state.file);
  jpeg::JpegBitWriter& w = state.writer;

  jpeg::WriteSoi(w);
  jpeg::WriteApp0(w, {state.jfifMajor, state.jfifMinor, state.densityUnits, state.xDensity, state.yDensity});
  jpeg::WriteComment(w, state.comment != nullptr ? state.comment : kJpegEncoderIdentification);
  jpeg::ScaleQuantTable(jpeg::kLuminanceQuant.data(), properties.quality, state.scaledQuant[0]);
  jpeg::ScaleQuantTable(jpeg::kChrominanceQuant.data(), properties.quality, state.scaledQuant[1]);
  for (int t = 0; t < 2; ++t) {
    jpeg::WriteDqt(w, t, state.scaledQuant[t]);
    jpeg::PrepareQuantiser(state.scaledQuant[t], state.reciprocals[t]);
  }
  jpeg::WriteDht(w);
  jpeg::WriteSof0(w, properties.outputWidth, properties.outputHeight);
  jpeg::WriteSos(w);
  EncodeScan(state);
  jpeg::WriteEoi(w);
  jpeg::BitWriterFlush(w);

  FILE* file = state.file;
  state.file = nullptr;
  const bool writeFailed = w.failed != 0;
  if (std::fclose(file) != 0) return writeFailed ? kJpegFileError : kJpegCloseError;
  return writeFailed ? kJpegFileError : kJpegSuccess;
}

void JpegRelease(JpegEncoderState& state) {
  if (state.file != nullptr) std::fclose(state.file);
  std::free(state.outputBuffer);
  state = JpegEncoderState{};
}

const char* JpegErrorText(int status) {
  static const char* const kMessages[] = {
      "ROI Success",
      "Interrupt Success",
      "Success",
      "Exception detected",
      "Invalid Encoder",
      "Unsupported subsampling",
      "Unsupported bytes per pixel",
      "Memory error",
      "Bad Huffman table",
      "Bad Quantization table",
      "Invalid JPEG_PROPERTIES",
      "Error close file",
      "Invalid file name",
      "Error EOF",
      "Not supported",
      "Not JPEG",
      "Error COMP",
      "Error SOF",
      "Error DNL",
      "No Huffman table",
      "No Quantization table",
      "No frame",
      "Multiply frame",
      "Data error",
      "No image",
      "File error",
      "Internal error",
      "Bad RST marker",
      "Thumbnail too small",
      "Thumbnail has wrong color",
      "Output buffer too small",
      "Unsupported frame was found",
      "Error access to jpeg_comment buffer",
  };
  if (status == kJpegReserved) return "Reserved";
  if (status > kJpegRoiSuccess || status < kJpegCommentAccess) return "Unknown error code";
  return kMessages[kJpegRoiSuccess - status];
}
