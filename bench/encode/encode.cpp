// Kartex's raster coders as whole processes, for comparing them with the peer
// programs that read the same page file (cjpeg, pbmtog3). It links only the
// coders and the page memory, so its start-up costs what a small C program's does.
//
//   bench_encode --jpeg IN.ppm OUT.jpg   a binary PPM at quality 75, 4:2:0
//   bench_encode --g3 IN.pbm OUT.g3      a binary PBM as G3 fax
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "platform/heap.h"
#include "writers/raster/g3.h"
#include "writers/raster/jpeg/encoder.h"

namespace {

// Encodes a binary PPM ("P6 w h 255" with single blanks, as WritePpm writes
// it), read whole into memory as the program's canvas would hold it (huge
// pages where the system gives them), its rows being red, green, blue.
int EncodePpm(const char* path, const char* output) {
  const int fd = open(path, O_RDONLY);
  struct stat info;
  if (fd < 0 || fstat(fd, &info) != 0 || info.st_size <= 0) {
    if (fd >= 0) close(fd);
    return 1;
  }
  const size_t size = static_cast<size_t>(info.st_size);
  void* map = platform::MapZeroedPages(static_cast<int64_t>(size));
  size_t got = 0;
  while (map && got < size) {
    const ssize_t n = read(fd, static_cast<uint8_t*>(map) + got, size - got);
    if (n <= 0) break;
    got += static_cast<size_t>(n);
  }
  close(fd);
  if (!map || got != size) {
    platform::UnmapPages(map, static_cast<int64_t>(size));
    return 1;
  }
  const auto* bytes = static_cast<const uint8_t*>(map);
  int w = 0, h = 0, maxValue = 0, header = 0;
  const std::string head(reinterpret_cast<const char*>(bytes), size < 64 ? size : 64);
  int status = 1;
  if (std::sscanf(head.c_str(), "P6 %d %d %d%n", &w, &h, &maxValue, &header) == 3 && maxValue == 255 && w > 0 &&
      h > 0 && size >= size_t(header) + 1 + size_t(w) * h * 3) {
    JPEG_PROPERTIES properties;
    JpegEncoderState state;
    JpegInit(properties, state);
    properties.sourcePixels = bytes + header + 1;
    properties.sourceWidth = properties.outputWidth = w;
    properties.sourceHeight = properties.outputHeight = h;
    properties.sourceColourOrder = kJpegOrderRgb;
    properties.outputFileName = output;
    status = EncodeJpegFile(properties, state, kJpegWholeImageToFile) == kJpegSuccess ? 0 : 1;
    JpegRelease(state);
  }
  platform::UnmapPages(map, static_cast<int64_t>(size));
  return status;
}

// A binary PBM ("P4 w h" and one blank) into a 1-bit canvas, then the G3 coder.
int EncodeG3(const char* pbm, const char* output) {
  std::FILE* f = std::fopen(pbm, "rb");
  if (!f) return 1;
  int w = 0, h = 0;
  bool ok =
      std::fscanf(f, "P4 %d %d", &w, &h) == 2 && std::fgetc(f) != EOF && w > 0 && h > 0 && w <= 32767 && h <= 32767;
  Canvas canvas{};
  uint8_t* pixels = nullptr;
  int64_t size = 0;
  if (ok) {
    canvas.width = w;
    canvas.height = h;
    canvas.bitsPerPixel = 1;
    canvas.stride = (w + 31) / 32 * 4;  // 1 bit a pixel, rows of whole 32-bit words
    size = int64_t{canvas.stride} * h;
    pixels = static_cast<uint8_t*>(platform::MapZeroedPages(size));
    ok = pixels != nullptr;
    const size_t row = (static_cast<size_t>(w) + 7) / 8;
    for (int y = 0; ok && y < h; ++y) ok = std::fread(pixels + int64_t{y} * canvas.stride, 1, row, f) == row;
    canvas.pixels = pixels;
  }
  std::fclose(f);
  ok = ok && WriteG3File(canvas, output, 0);
  platform::UnmapPages(pixels, size);
  return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::strcmp(argv[1], "--jpeg") == 0) return EncodePpm(argv[2], argv[3]);
  if (argc == 4 && std::strcmp(argv[1], "--g3") == 0) return EncodeG3(argv[2], argv[3]);
  std::fprintf(stderr, "usage: bench_encode --jpeg IN.ppm OUT.jpg | --g3 IN.pbm OUT.g3\n");
  return 2;
}
