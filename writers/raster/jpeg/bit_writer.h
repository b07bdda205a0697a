// MSB-first bit output for the entropy-coded data, with 0xFF -> FF 00 stuffing,
// buffered 4096 bytes at a time into a file.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>

namespace jpeg {

constexpr int kBitWriterBufferSize = 4096;
// Room beyond a full buffer for what one coded block can add (at most 63
// symbols of 26 bits and a DC of 20, every byte possibly stuffed: 420 bytes),
// so the Huffman coder checks for a full buffer once per block.
constexpr int kBitWriterSlack = 512;

struct JpegBitWriter {
  uint64_t pending;  // the low `pendingBits` bits are not yet in bytes
  int pendingBits;   // 0..63 between calls
  uint8_t* buffer;   // kBitWriterBufferSize + kBitWriterSlack bytes, owned by the caller
  int used;          // bytes in `buffer`
  FILE* file;        // where full buffers go
  int64_t produced;  // bytes handed to the file so far
  int failed;        // set once a write to the file failed or fell short
};

// Starts an empty writer over `buffer` and `file`.
void BitWriterInit(JpegBitWriter& writer, uint8_t* buffer, FILE* file);

// Writes the first kBitWriterBufferSize bytes to the file and keeps the rest.
void BitWriterDrain(JpegBitWriter& writer);

// A writer's bits held in registers for a run of puts: bytes go out eight at
// a time, and the caller makes sure the buffer has room (kBitWriterSlack).
struct BitAccumulator {
  uint64_t bits;  // the low 64 - `free` bits are pending; higher bits are stale
  int free;       // 1..64
  uint8_t* out;

  explicit BitAccumulator(const JpegBitWriter& w) : bits(w.pending), free(64 - w.pendingBits), out(w.buffer + w.used) {}
  void Store(JpegBitWriter& w) const {
    w.pending = bits;
    w.pendingBits = 64 - free;
    w.used = static_cast<int>(out - w.buffer);
  }
  // Appends `length` (0..32) bits of `value`, which has no higher bits set.
  inline void Put(uint64_t value, int length) {
    if (length < free) {
      bits = (bits << length) | value;
      free -= length;
      return;
    }
    const int left = length - free;  // free <= length <= 32 here
    Emit((bits << free) | (value >> left));
    bits = value;
    free = 64 - left;
  }
  // Eight bytes, most significant first, each 0xFF followed by 0x00.
  inline void Emit(uint64_t word) {
    // A byte of the word is 0xFF exactly when its complement has a zero byte.
    const uint64_t inverse = ~word;
    if (((inverse - 0x0101010101010101ull) & ~inverse & 0x8080808080808080ull) == 0) {
      const uint64_t bigEndian = __builtin_bswap64(word);
      std::memcpy(out, &bigEndian, 8);
      out += 8;
      return;
    }
    for (int shift = 56; shift >= 0; shift -= 8) {
      const uint8_t byte = static_cast<uint8_t>(word >> shift);
      *out++ = byte;
      if (byte == 0xff) *out++ = 0;
    }
  }
};

// Appends the low `count` bits of `value` (count 0..32), most significant first.
inline void BitWriterPut(JpegBitWriter& writer, uint32_t value, int count) {
  BitAccumulator bits(writer);
  bits.Put(value & ((uint64_t{1} << count) - 1), count);
  bits.Store(writer);
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
