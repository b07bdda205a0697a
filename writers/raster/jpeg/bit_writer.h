// MSB-first bit output for the entropy-coded data, with 0xFF -> FF 00 stuffing,
// buffered 4096 bytes at a time into a file.
#pragma once

#include <cstdint>
#include <cstdio>

namespace jpeg {

constexpr int kBitWriterBufferSize = 4096;
// Room beyond a full buffer for what one coded block can add (at most 63
// symbols of 26 bits and a DC of 20, every byte possibly stuffed: 420 bytes),
// so the Huffman coder checks for a full buffer once per block.
constexpr int kBitWriterSlack = 512;

struct JpegBitWriter {
  uint64_t pending;       // the low `pendingBits` bits are not yet in bytes
  int pendingBits;        // 0..31 between calls
  uint8_t* buffer;        // kBitWriterBufferSize + kBitWriterSlack bytes, owned by the caller
  int used;               // bytes in `buffer`
  FILE* file;             // where full buffers go
  int64_t produced;       // bytes handed to the file so far
  int failed;             // set once a write to the file failed or fell short
};

// Starts an empty writer over `buffer` and `file`.
void BitWriterInit(JpegBitWriter& writer, uint8_t* buffer, FILE* file);

// Writes the first kBitWriterBufferSize bytes to the file and keeps the rest.
void BitWriterDrain(JpegBitWriter& writer);

namespace detail {
inline void StoreByte(JpegBitWriter& writer, uint8_t byte) {
  writer.buffer[writer.used++] = byte;
  if (byte == 0xff) writer.buffer[writer.used++] = 0;
}
}  // namespace detail

// Appends the low `count` bits of `value` (count 0..32), most significant first.
inline void BitWriterPut(JpegBitWriter& writer, uint32_t value, int count) {
  writer.pending = (writer.pending << count) | (value & ((uint64_t{1} << count) - 1));
  writer.pendingBits += count;
  if (writer.pendingBits < 32) return;
  writer.pendingBits -= 32;
  const uint32_t word = static_cast<uint32_t>(writer.pending >> writer.pendingBits);
  // A byte of the word is 0xFF exactly when its complement has a zero byte.
  const uint32_t inverse = ~word;
  if (((inverse - 0x01010101u) & ~inverse & 0x80808080u) == 0) {
    uint8_t* out = writer.buffer + writer.used;
    out[0] = static_cast<uint8_t>(word >> 24);
    out[1] = static_cast<uint8_t>(word >> 16);
    out[2] = static_cast<uint8_t>(word >> 8);
    out[3] = static_cast<uint8_t>(word);
    writer.used += 4;
  } else {
    for (int shift = 24; shift >= 0; shift -= 8) detail::StoreByte(writer, static_cast<uint8_t>(word >> shift));
  }
  if (writer.used >= kBitWriterBufferSize) BitWriterDrain(writer);
}

// Completes the last byte with zero bits (stuffed like any other byte), as is
// needed before a marker.
void BitWriterComplete(JpegBitWriter& writer);

// Appends bytes as they stand (marker segments); completes the data first.
void BitWriterPutBytes(JpegBitWriter& writer, const uint8_t* bytes, int count);

// Completes the data and writes everything buffered to the file.
void BitWriterFlush(JpegBitWriter& writer);

}  // namespace jpeg
