// The GIF, G3 and PNG writers on canvases whose size, depth and pixels come
// from the input: two bytes of width, one of height, one of flags, then the
// pixels (repeated to fill the canvas). Output goes to /dev/null; the
// sanitizers judge.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "writers/raster/g3.h"
#include "writers/raster/gif.h"
#include "writers/raster/png.h"

namespace {
constexpr int kMaxWidth = 12000;  // wide enough for G3 runs beyond every make-up code
constexpr int kMaxHeight = 64;
constexpr size_t kHeaderBytes = 4;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < kHeaderBytes) return 0;
  Canvas canvas{};
  canvas.width = (data[0] | data[1] << 8) % (kMaxWidth + 1);
  canvas.height = data[2] % (kMaxHeight + 1);
  uint8_t flags = data[3];
  canvas.bitsPerPixel = flags & 1 ? 1 : flags & 8 ? 24 : 8;
  canvas.stride = (canvas.width * canvas.bitsPerPixel + 31) / 32 * 4;
  if (flags & 2) canvas.stride += flags >> 4;  // odd strides too
  std::vector<uint8_t> pixels(size_t(canvas.stride) * canvas.height);
  data += kHeaderBytes;
  size -= kHeaderBytes;
  for (size_t i = 0; i < pixels.size() && size > 0; ++i) pixels[i] = data[i % size];
  canvas.pixels = pixels.empty() ? nullptr : pixels.data();
  for (int i = 0; i < 256; ++i) canvas.palette.entries[i] = {uint8_t(i), uint8_t(i), uint8_t(i), 0};
  if (canvas.bitsPerPixel == 8)
    WriteGifFile("/dev/null", canvas);
  else if (canvas.bitsPerPixel == 1)
    WriteG3File(canvas, "/dev/null", flags & 4);
  WritePngFile(canvas, "/dev/null");
  return 0;
}
