// GIF87a writer: one image of stride x height palette indices with a 256-entry
// global colour table, LZW-coded (minimum code size 8, widths 9 to 12 bits).
//
// Layers: the LZW dictionary finds strings, the code packer turns codes into
// bytes least significant bit first, and the sub-block writer cuts the bytes into
// counted blocks of 255. The caller renders the canvas and reports failures.
#include "writers/raster/gif.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// The steps' own result; any non-zero value makes the writer return 0.
enum GifStatus : int {
  kGifOk = 0,
  kGifCannotCreate = 1,
  kGifWriteFailed = 2,
  kGifOutOfMemory = 3,
};

// The screen and image sizes are 16-bit fields.
constexpr int64_t kMaxGifSide = 65535;

constexpr int kMinCodeSize = 8;
constexpr int kClearCode = 256;
constexpr int kEndCode = 257;
constexpr int kFirstFreeCode = 258;
constexpr int kMaxCodes = 4096;
constexpr int kFirstCodeWidth = 9;
constexpr int kMaxCodeWidth = 12;

// Open addressing: a prime number of slots about 2.4 times the codes, and a
// fixed step that is coprime to it, so every probe sequence visits every slot.
constexpr uint32_t kHashSlots = 9973;
constexpr uint32_t kHashStep = 2039;

constexpr int kSubBlockSize = 255;

// Header, logical screen descriptor, colour table, image descriptor and the
// minimum code size byte, written in one piece.
constexpr int kPaletteBytes = 256 * 3;
constexpr int kPreambleBytes = 6 + 7 + kPaletteBytes + 10 + 1;

struct SubBlockWriter {
  std::FILE* file;
  int count;
  int status;
  uint8_t bytes[kSubBlockSize];
};

void WriteSubBlock(SubBlockWriter& out) {
  uint8_t size = static_cast<uint8_t>(out.count);
  if (std::fwrite(&size, 1, 1, out.file) != 1 ||
      std::fwrite(out.bytes, 1, static_cast<size_t>(out.count), out.file) != static_cast<size_t>(out.count))
    out.status = kGifWriteFailed;
  out.count = 0;
}

inline void PutByte(SubBlockWriter& out, uint8_t byte) {
  if (out.count == kSubBlockSize) WriteSubBlock(out);
  out.bytes[out.count++] = byte;
}

void FinishSubBlocks(SubBlockWriter& out) {
  if (out.count > 0) WriteSubBlock(out);
}

// Codes of at most 12 bits join at most 7 pending bits: 19 bits fit easily.
struct CodePacker {
  SubBlockWriter* out;
  uint32_t bits;
  int count;
};

inline void PackCode(CodePacker& packer, int code, int width) {
  packer.bits |= static_cast<uint32_t>(code) << packer.count;
  packer.count += width;
  while (packer.count >= 8) {
    PutByte(*packer.out, static_cast<uint8_t>(packer.bits));
    packer.bits >>= 8;
    packer.count -= 8;
  }
}

void FinishCodes(CodePacker& packer) {
  if (packer.count > 0) PutByte(*packer.out, static_cast<uint8_t>(packer.bits));
  packer.bits = 0;
  packer.count = 0;
}

// Each code above 257 is the string of its prefix code followed by one pixel.
// The hash slot of a string keeps its (prefix, pixel) key beside its code, so a
// probe reads one word and no separate string table is needed.
struct LzwDictionary {
  uint32_t* slots;  // key << 12 | code, or kFreeSlot
  int nextCode;
};

constexpr uint32_t kFreeSlot = 0xFFFFFFFF;
constexpr int kCodeBits = 12;
constexpr uint32_t kCodeMask = (1u << kCodeBits) - 1;
static_assert(kMaxCodes - 1 <= int(kCodeMask));

// Prefix in the low 12 bits, pixel above. A filled slot is never all ones, as a
// string's code is always above its prefix's.
inline uint32_t StringKey(int prefix, int pixel) { return static_cast<uint32_t>(pixel << kCodeBits | prefix); }

int AllocDictionary(LzwDictionary& dict) {
  dict.slots = static_cast<uint32_t*>(std::malloc(kHashSlots * sizeof(uint32_t)));
  return dict.slots ? kGifOk : kGifOutOfMemory;
}

void FreeDictionary(LzwDictionary& dict) {
  std::free(dict.slots);
  dict = LzwDictionary{};
}

void ResetDictionary(LzwDictionary& dict) {
  // Codes 0 to 255 are the single pixels, found without a search; 256 and 257 never match.
  std::memset(dict.slots, 0xFF, kHashSlots * sizeof(uint32_t));
  dict.nextCode = kFirstFreeCode;
}

// The slot holding the string (prefix, pixel), or the free slot where it belongs.
inline uint32_t FindSlot(const LzwDictionary& dict, int prefix, int pixel) {
  const uint32_t key = StringKey(prefix, pixel);
  uint32_t slot = (static_cast<uint32_t>(pixel) << 8 ^ static_cast<uint32_t>(prefix)) % kHashSlots;
  for (;;) {
    uint32_t entry = dict.slots[slot];
    if (entry == kFreeSlot || entry >> kCodeBits == key) return slot;
    slot += kHashStep;
    if (slot >= kHashSlots) slot -= kHashSlots;
  }
}

int CompressPixels(const Canvas& canvas, SubBlockWriter& out) {
  LzwDictionary dict{};
  int status = AllocDictionary(dict);
  if (status != kGifOk) {
    FreeDictionary(dict);
    return status;
  }
  CodePacker packer{&out, 0, 0};
  ResetDictionary(dict);
  int width = kFirstCodeWidth;
  int limit = (1 << width) - 1;
  PackCode(packer, kClearCode, width);

  int current = -1;
  for (int32_t row = 0; row < canvas.height; ++row) {
    const uint8_t* pixel = canvas.pixels + static_cast<int64_t>(row) * canvas.stride;
    const uint8_t* end = pixel + canvas.stride;
    if (current < 0 && pixel < end) current = *pixel++;
    for (; pixel < end; ++pixel) {
      int c = *pixel;
      uint32_t slot = FindSlot(dict, current, c);
      if (dict.slots[slot] != kFreeSlot) {
        current = static_cast<int>(dict.slots[slot] & kCodeMask);
        continue;
      }
      PackCode(packer, current, width);
      bool grow = true;  // also when the table is full: that forces the clear code
      if (dict.nextCode < kMaxCodes) {
        int entered = dict.nextCode++;
        dict.slots[slot] = StringKey(current, c) << kCodeBits | static_cast<uint32_t>(entered);
        grow = entered > limit;
      }
      current = c;
      if (grow) {
        if (++width > kMaxCodeWidth) {
          PackCode(packer, kClearCode, kMaxCodeWidth);
          ResetDictionary(dict);
          width = kFirstCodeWidth;
        }
        limit = (1 << width) - 1;
      }
    }
  }
  if (current >= 0) PackCode(packer, current, width);
  PackCode(packer, kEndCode, width);
  FinishCodes(packer);
  FinishSubBlocks(out);
  FreeDictionary(dict);
  return out.status;
}

inline uint8_t* PutLe16(uint8_t* at, int64_t value) {
  at[0] = static_cast<uint8_t>(value);
  at[1] = static_cast<uint8_t>(value >> 8);
  return at + 2;
}

int WritePreamble(std::FILE* file, const Canvas& canvas) {
  uint8_t bytes[kPreambleBytes];
  uint8_t* at = bytes;
  std::memcpy(at, "GIF87a", 6);
  at = PutLe16(at + 6, canvas.stride);
  at = PutLe16(at, canvas.height);
  *at++ = 0xF7;  // global table, colour resolution 8 bits, unsorted, 256 entries
  *at++ = 0;     // background index
  *at++ = 0;     // no aspect ratio
  for (const PaletteEntry& entry : canvas.palette.entries) {
    *at++ = entry.red;
    *at++ = entry.green;
    *at++ = entry.blue;
  }
  *at++ = 0x2C;
  at = PutLe16(at, 0);
  at = PutLe16(at, 0);
  at = PutLe16(at, canvas.stride);
  at = PutLe16(at, canvas.height);
  *at++ = 0;  // no local table, not interlaced
  *at++ = kMinCodeSize;
  return std::fwrite(bytes, 1, sizeof bytes, file) == sizeof bytes ? kGifOk : kGifWriteFailed;
}

bool CanvasFits(const Canvas& canvas) {
  if (canvas.bitsPerPixel != 8) return false;
  if (canvas.stride < 0 || canvas.height < 0) return false;
  if (canvas.stride > kMaxGifSide || canvas.height > kMaxGifSide) return false;
  if (canvas.stride < canvas.width) return false;
  return canvas.pixels || static_cast<int64_t>(canvas.stride) * canvas.height == 0;
}

int WriteGif(const char* fileName, const Canvas& canvas) {
  std::FILE* file = fileName ? std::fopen(fileName, "wb") : nullptr;
  if (!file) return kGifCannotCreate;
  int status = WritePreamble(file, canvas);
  if (status == kGifOk) {
    SubBlockWriter out{file, 0, kGifOk, {}};
    status = CompressPixels(canvas, out);
  }
  if (status == kGifOk && std::fputc(0x00, file) == EOF) status = kGifWriteFailed;
  // The trailer and the close come whatever happened, so the file is never left open;
  // a failure there still means the file is incomplete.
  if (std::fputc(0x3B, file) == EOF && status == kGifOk) status = kGifWriteFailed;
  if (std::fclose(file) != 0 && status == kGifOk) status = kGifWriteFailed;
  return status;
}

}  // namespace

int WriteGifFile(const char* fileName, const Canvas& canvas) {
  if (!CanvasFits(canvas)) return 0;
  return WriteGif(fileName, canvas) == kGifOk ? 1 : 0;
}
