#include "writers/raster/bmp.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include "app/supl.h"

namespace {

constexpr int64_t kFileHeaderSize = 14;
constexpr int64_t kHeadersSize = kFileHeaderSize + kBitmapInfoHeaderSize;  // 54
constexpr uint32_t kCompressionNone = 0;
constexpr uint32_t kCompressionRle8 = 1;
constexpr int kLongestRun = 255;

void Put16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}

void Put32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

bool CanvasUsable(const Canvas& c) {
  if (!c.pixels || c.width < 1 || c.height < 1) return false;
  if (c.bitsPerPixel != 1 && c.bitsPerPixel != 8 && c.bitsPerPixel != 24) return false;
  int64_t stride = RowStride(c.width, c.bitsPerPixel);
  return stride > 0 && c.stride >= stride && c.stride % 4 == 0;
}

// The stream is built in a buffer the size of the rows; every emission must
// leave it strictly below that size, or RLE8 does not pay and encoding fails.
class Rle8Writer {
 public:
  explicit Rle8Writer(int64_t limit) : limit_(limit) {
    data_ = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(limit)));
  }
  ~Rle8Writer() { std::free(data_); }
  bool ok() const { return data_ && ok_; }
  int64_t used() const { return used_; }
  uint8_t* Release() {
    uint8_t* d = data_;
    data_ = nullptr;
    return d;
  }

  void Run(int n, uint8_t value) {
    if (Room(2)) Put(static_cast<uint8_t>(n), value);
  }
  void Code(uint8_t code) {
    if (Room(2)) Put(0, code);
  }
  // n pending pixels: two or fewer as one-pixel runs, three or more literally.
  void Pending(const uint8_t* p, int n) {
    if (n >= 3) {
      if (!Room(n + 3)) return;
      Put(0, static_cast<uint8_t>(n));
      std::memcpy(data_ + used_, p, static_cast<size_t>(n));
      used_ += n;
      if (n & 1) data_[used_++] = 0;
    } else if (n == 2) {
      if (Room(4)) {
        Put(1, p[0]);
        Put(1, p[1]);
      }
    } else if (n == 1) {
      Run(1, p[0]);
    }
  }

 private:
  bool Room(int64_t k) {
    if (ok_ && data_ && used_ + k < limit_) return true;
    ok_ = false;
    return false;
  }
  void Put(uint8_t a, uint8_t b) {
    data_[used_++] = a;
    data_[used_++] = b;
  }
  uint8_t* data_;
  int64_t limit_;
  int64_t used_ = 0;
  bool ok_ = true;
};

void EncodeRow(Rle8Writer& out, const uint8_t* p, int32_t width) {
  int s = 0;  // > 0: a run p[i-s..i] is open; <= 0: -s pixels p[i+s..i-1] are pending
  for (int32_t i = 0; i + 1 < width && out.ok(); ++i) {
    bool same = p[i] == p[i + 1];
    if (s > 0) {
      if (same && s < kLongestRun - 1) {
        ++s;
      } else {
        out.Run(s + 1, p[i]);
        s = 0;
      }
    } else {
      int n = -s;
      if (same || n == kLongestRun) {
        out.Pending(p + i - n, n);
        s = same ? 1 : -1;
      } else {
        --s;
      }
    }
  }
  uint8_t last = p[width - 1];
  if (s > 0) {
    out.Run(s + 1, last);
    return;
  }
  int m = -s + 1;
  if (m == kLongestRun + 1) {
    out.Pending(p + width - m, kLongestRun);
    out.Run(1, last);
  } else {
    out.Pending(p + width - m, m);
  }
}

}  // namespace

int EncodeRle8(const Canvas& canvas, uint8_t** stream, int64_t* length) {
  *stream = nullptr;
  *length = 0;
  if (!CanvasUsable(canvas) || canvas.bitsPerPixel != 8) return 0;
  Rle8Writer out(int64_t{canvas.height} * canvas.stride);
  for (int32_t row = canvas.height - 1; row >= 0 && out.ok(); --row) {
    EncodeRow(out, canvas.pixels + int64_t{row} * canvas.stride, canvas.width);
    out.Code(row == 0 ? 1 : 0);  // end of bitmap after the top row, else end of line
  }
  if (!out.ok()) return 0;
  *length = out.used();
  *stream = out.Release();
  return 1;
}

int WriteBmpFile(const Canvas& canvas, const char* fileName, int rle) {
  if (!CanvasUsable(canvas)) return 0;
  uint8_t* stream = nullptr;
  int64_t dataSize = int64_t{canvas.height} * canvas.stride;
  uint32_t compression = kCompressionNone;
  if (canvas.bitsPerPixel == 8 && rle) {
    if (!EncodeRle8(canvas, &stream, &dataSize)) return 0;
    compression = kCompressionRle8;
  }
  int64_t tableSize = canvas.bitsPerPixel <= 8 ? int64_t{4} << canvas.bitsPerPixel : 0;
  int64_t fileSize = kHeadersSize + tableSize + dataSize;
  if (fileSize > UINT32_MAX) {
    std::free(stream);
    return 0;
  }
  // The headers and colour table, then the rows straight from the canvas,
  // bottom row first.
  uint8_t file[kHeadersSize + 4 * 256] = {};
  file[0] = 'B';
  file[1] = 'M';
  Put32(file + 2, static_cast<uint32_t>(fileSize));
  Put16(file + 6, 0);
  Put16(file + 8, 0);
  Put32(file + 10, static_cast<uint32_t>(kHeadersSize + tableSize));
  FillBitmapInfoHeader(file + kFileHeaderSize, canvas.width, canvas.height,
                       canvas.bitsPerPixel <= 8 ? canvas.palette.entries : nullptr, canvas.bitsPerPixel, compression,
                       static_cast<uint32_t>(dataSize));
  if (tableSize) SwapRedBlue(file + kHeadersSize, 4, static_cast<int>(tableSize / 4), 1, 0);
  std::vector<SuplPiece> pieces;
  pieces.push_back({file, kHeadersSize + tableSize});
  if (stream) {
    pieces.push_back({stream, dataSize});
  } else {
    pieces.reserve(static_cast<size_t>(canvas.height) + 1);
    for (int32_t i = 0; i < canvas.height; ++i)
      pieces.push_back({canvas.pixels + int64_t{canvas.height - 1 - i} * canvas.stride, canvas.stride});
  }
  int ok = supl_bwritev(fileName, pieces.data(), static_cast<int64_t>(pieces.size()));
  std::free(stream);
  return ok;
}
