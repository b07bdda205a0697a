// The marker segments of a baseline JFIF stream with three components,
// luminance sampled 2 x 2 against chrominance.
#pragma once

#include <cstdint>

#include "writers/raster/jpeg/bit_writer.h"

namespace jpeg {

struct JfifDensity {
  uint8_t versionMajor, versionMinor;
  uint8_t units;  // 0: aspect ratio only
  uint16_t x, y;
};

void WriteSoi(JpegBitWriter& writer);
void WriteApp0(JpegBitWriter& writer, const JfifDensity& density);
// COM with the text and its terminating zero byte; text of at most
// kMaxCommentLength bytes (longer text is cut there).
constexpr int kMaxCommentLength = 65533 - 1;
void WriteComment(JpegBitWriter& writer, const char* text);
void WriteDqt(JpegBitWriter& writer, int tableId, const uint8_t scaledZigzag[64]);
// DC 0, AC 0, DC 1, AC 1 of Annex K in one segment.
void WriteDht(JpegBitWriter& writer);
void WriteSof0(JpegBitWriter& writer, int width, int height);
void WriteSos(JpegBitWriter& writer);
void WriteEoi(JpegBitWriter& writer);

}  // namespace jpeg
