#include "writers/raster/jpeg/markers.h"

#include <cstring>

#include "writers/raster/jpeg/tables.h"

namespace jpeg {

namespace {

constexpr uint8_t kSoi = 0xd8, kEoi = 0xd9, kApp0 = 0xe0, kCom = 0xfe, kDqt = 0xdb, kDht = 0xc4, kSof0 = 0xc0,
                  kSos = 0xda;

// Components as (id, sampling HV, quantisation table) and (id, DC/AC tables).
constexpr uint8_t kFrameComponents[3][3] = {{1, 0x22, 0}, {2, 0x11, 1}, {3, 0x11, 1}};
constexpr uint8_t kScanComponents[3][2] = {{1, 0x00}, {2, 0x11}, {3, 0x11}};

// Collects one segment's bytes, then hands them to the writer.
struct Segment {
  uint8_t bytes[4 + 418];
  int size = 0;
  void Byte(int value) { bytes[size++] = static_cast<uint8_t>(value); }
  void Word(int value) {
    Byte(value >> 8);
    Byte(value & 0xff);
  }
  void Bytes(const uint8_t* data, int count) {
    std::memcpy(bytes + size, data, count);
    size += count;
  }
  // Starts the marker and a length to be filled in by Finish.
  explicit Segment(uint8_t marker) {
    Byte(0xff);
    Byte(marker);
    Word(0);
  }
  void Finish(JpegBitWriter& writer) {
    bytes[2] = static_cast<uint8_t>((size - 2) >> 8);
    bytes[3] = static_cast<uint8_t>((size - 2) & 0xff);
    BitWriterPutBytes(writer, bytes, size);
  }
};

void WriteMarker(JpegBitWriter& writer, uint8_t marker) {
  const uint8_t bytes[2] = {0xff, marker};
  BitWriterPutBytes(writer, bytes, 2);
}

void AddHuffmanTable(Segment& segment, int classAndId, const HuffmanLists& lists) {
  segment.Byte(classAndId);
  segment.Bytes(lists.counts.data(), 16);
  segment.Bytes(lists.values, lists.valueCount);
}

}  // namespace

void WriteSoi(JpegBitWriter& writer) { WriteMarker(writer, kSoi); }

void WriteEoi(JpegBitWriter& writer) { WriteMarker(writer, kEoi); }

void WriteApp0(JpegBitWriter& writer, const JfifDensity& density) {
  Segment segment(kApp0);
  segment.Bytes(reinterpret_cast<const uint8_t*>("JFIF"), 5);  // with its zero byte
  segment.Byte(density.versionMajor);
  segment.Byte(density.versionMinor);
  segment.Byte(density.units);
  segment.Word(density.x);
  segment.Word(density.y);
  segment.Byte(0);  // no thumbnail
  segment.Byte(0);
  segment.Finish(writer);
}

void WriteComment(JpegBitWriter& writer, const char* text) {
  size_t length = std::strlen(text);
  if (length > static_cast<size_t>(kMaxCommentLength)) length = kMaxCommentLength;
  const int total = static_cast<int>(length) + 3;
  const uint8_t head[4] = {0xff, kCom, static_cast<uint8_t>(total >> 8), static_cast<uint8_t>(total & 0xff)};
  BitWriterPutBytes(writer, head, 4);
  BitWriterPutBytes(writer, reinterpret_cast<const uint8_t*>(text), static_cast<int>(length));
  const uint8_t zero = 0;
  BitWriterPutBytes(writer, &zero, 1);
}

void WriteDqt(JpegBitWriter& writer, int tableId, const uint8_t scaledZigzag[64]) {
  Segment segment(kDqt);
  segment.Byte(tableId);  // 8-bit entries
  segment.Bytes(scaledZigzag, 64);
  segment.Finish(writer);
}

void WriteDht(JpegBitWriter& writer) {
  Segment segment(kDht);
  AddHuffmanTable(segment, 0x00, kDcLuminance);
  AddHuffmanTable(segment, 0x10, kAcLuminance);
  AddHuffmanTable(segment, 0x01, kDcChrominance);
  AddHuffmanTable(segment, 0x11, kAcChrominance);
  segment.Finish(writer);
}

void WriteSof0(JpegBitWriter& writer, int width, int height) {
  Segment segment(kSof0);
  segment.Byte(8);  // precision
  segment.Word(height);
  segment.Word(width);
  segment.Byte(3);
  for (const auto& component : kFrameComponents) segment.Bytes(component, 3);
  segment.Finish(writer);
}

void WriteSos(JpegBitWriter& writer) {
  Segment segment(kSos);
  segment.Byte(3);
  for (const auto& component : kScanComponents) segment.Bytes(component, 2);
  segment.Byte(0);     // spectral start
  segment.Byte(0x3f);  // spectral end
  segment.Byte(0);     // successive approximation
  segment.Finish(writer);
}

}  // namespace jpeg
