#include "writers/raster/jpeg/bit_writer.h"

#include <cstring>

namespace jpeg {

namespace {

void WriteOut(JpegBitWriter& writer, int count) {
  if (count <= 0) return;
  if (writer.file == nullptr || std::fwrite(writer.buffer, 1, count, writer.file) != static_cast<size_t>(count)) {
    writer.failed = 1;
  }
  writer.produced += count;
}

}  // namespace

void BitWriterInit(JpegBitWriter& writer, uint8_t* buffer, FILE* file) {
  writer = JpegBitWriter{};
  writer.buffer = buffer;
  writer.file = file;
}

void BitWriterDrain(JpegBitWriter& writer) {
  while (writer.used >= kBitWriterBufferSize) {
    WriteOut(writer, kBitWriterBufferSize);
    writer.used -= kBitWriterBufferSize;
    std::memmove(writer.buffer, writer.buffer + kBitWriterBufferSize, writer.used);
  }
}

void BitWriterComplete(JpegBitWriter& writer) {
  const auto store = [&writer](uint8_t byte) {
    writer.buffer[writer.used++] = byte;
    if (byte == 0xff) writer.buffer[writer.used++] = 0;
  };
  while (writer.pendingBits >= 8) {
    writer.pendingBits -= 8;
    store(static_cast<uint8_t>(writer.pending >> writer.pendingBits));
  }
  if (writer.pendingBits > 0) {
    store(static_cast<uint8_t>(writer.pending << (8 - writer.pendingBits)));
    writer.pendingBits = 0;
  }
  writer.pending = 0;
  BitWriterDrain(writer);
}

void BitWriterPutBytes(JpegBitWriter& writer, const uint8_t* bytes, int count) {
  BitWriterComplete(writer);
  for (int i = 0; i < count; ++i) {
    writer.buffer[writer.used++] = bytes[i];
    if (writer.used >= kBitWriterBufferSize) BitWriterDrain(writer);
  }
}

void BitWriterFlush(JpegBitWriter& writer) {
  BitWriterComplete(writer);
  WriteOut(writer, writer.used);
  writer.used = 0;
}

}  // namespace jpeg
