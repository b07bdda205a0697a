// The JPEG encoder's entry: a settings record, the state that goes with it,
// and one mode, a whole image of blue, green, red pixels to a baseline file.
#pragma once

#include <cstdint>
#include <cstdio>

#include "writers/raster/jpeg/bit_writer.h"
#include "writers/raster/jpeg/quant.h"

// Status codes: 0 and above succeed, negative codes fail.
enum JpegStatus : int {
  kJpegRoiSuccess = 2,
  kJpegInterruptSuccess = 1,
  kJpegSuccess = 0,
  kJpegException = -1,
  kJpegInvalidEncoder = -2,
  kJpegUnsupportedSubsampling = -3,
  kJpegUnsupportedBytesPerPixel = -4,
  kJpegMemoryError = -5,
  kJpegBadHuffmanTable = -6,
  kJpegBadQuantTable = -7,
  kJpegInvalidProperties = -8,
  kJpegCloseError = -9,
  kJpegInvalidFileName = -10,
  kJpegEof = -11,
  kJpegNotSupported = -12,
  kJpegNotJpeg = -13,
  kJpegErrorComp = -14,
  kJpegErrorSof = -15,
  kJpegErrorDnl = -16,
  kJpegNoHuffmanTable = -17,
  kJpegNoQuantTable = -18,
  kJpegNoFrame = -19,
  kJpegMultipleFrames = -20,
  kJpegDataError = -21,
  kJpegNoImage = -22,
  kJpegFileError = -23,
  kJpegInternalError = -24,
  kJpegBadRstMarker = -25,
  kJpegThumbnailTooSmall = -26,
  kJpegThumbnailWrongColour = -27,
  kJpegOutputBufferTooSmall = -28,
  kJpegUnsupportedFrame = -29,
  kJpegCommentAccess = -30,
  kJpegReserved = -99,
};

enum JpegColourOrder : int32_t { kJpegOrderRgb = 1, kJpegOrderBgr = 2 };
enum JpegColourSpace : int32_t { kJpegSpaceYCbCr = 3 };
enum JpegSampling : int32_t { kJpegSampling420 = 1 };  // Y 2 x 2, Cb 1 x 1, Cr 1 x 1
enum JpegEncodeMode : int32_t { kJpegWholeImageToFile = 1 };

constexpr int32_t kJpegMaxDimension = 65535;
constexpr int32_t kJpegMaxChannels = 255;
constexpr int32_t kJpegMaxComponents = 256;
constexpr int32_t kJpegDefaultQuality = 75;

struct JPEG_PROPERTIES {
  const uint8_t* sourcePixels;
  int32_t sourceWidth;
  int32_t sourceHeight;      // negative: the last row in memory is the top one
  int32_t sourceRowPadding;  // bytes after the last pixel of each row
  int32_t sourceChannels;
  int32_t sourceColourOrder;
  int32_t sourceSubsampling;  // 0: none
  const char* outputFileName;
  uint8_t* outputBuffer;  // unused: the stream always goes to a file
  int32_t outputSize;
  int32_t outputWidth;
  int32_t outputHeight;
  int32_t outputComponents;
  int32_t outputColourSpace;
  int32_t outputSampling;
  int32_t separateChromaTables;
  int32_t quality;
};

// What one encoding needs besides the settings; JpegRelease frees it.
struct JpegEncoderState {
  JPEG_PROPERTIES settings;
  uint8_t jfifMajor, jfifMinor, densityUnits;
  uint16_t xDensity, yDensity;
  const char* comment;  // the caller's own comment; null for the encoder's identification
  int32_t interleavedScans;
  int32_t restartInterval;
  FILE* file;
  uint8_t* outputBuffer;  // the bit writer's buffer, malloc'd
  jpeg::JpegBitWriter writer;
  uint8_t scaledQuant[2][64];   // zig-zag order, as DQT carries them
  uint16_t reciprocals[2][64];  // natural order
  int16_t predictors[3];
};

// The encoder's identification, written in the COM segment.
extern const char kJpegEncoderIdentification[];

// Fills both with the defaults; kJpegSuccess.
int JpegInit(JPEG_PROPERTIES& properties, JpegEncoderState& state);
int EncodeJpegFile(JPEG_PROPERTIES& properties, JpegEncoderState& state, int32_t mode);
// Frees the buffers and closes a file left open; safe to repeat.
void JpegRelease(JpegEncoderState& state);
const char* JpegErrorText(int status);
