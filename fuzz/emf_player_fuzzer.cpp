// Arbitrary bytes played into a small canvas: as EMF bytes, or (first byte
// odd) as a WMF converted first. The first byte also picks the canvas depth.
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "platform/emf_player.h"
#include "platform/metafile.h"
#include "render/canvas.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  if (!std::freopen("/dev/null", "w", stdout)) return 0;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  uint8_t pick = data[0];
  ++data, --size;
  static const int32_t kDepths[] = {1, 8, 24};
  Canvas canvas{};
  canvas.width = 96;
  canvas.height = 64;
  canvas.bitsPerPixel = kDepths[(pick >> 1) % 3];
  canvas.stride = static_cast<int32_t>(RowStride(canvas.width, canvas.bitsPerPixel));
  canvas.palette.entries[0] = {255, 255, 255, 0};
  if (!CreateCanvas(canvas)) return 0;
  platform::Rect rect{0, 0, canvas.width, canvas.height};
  if (pick & 1) {
    platform::EnhMetaFile* metafile = platform::SetWinMetaFileBits(data, static_cast<int64_t>(size));
    if (metafile) {
      platform::EmfHeader header;
      if (!platform::GetEnhMetaFileHeader(metafile, &header)) __builtin_trap();  // our own EMF has a header
      uint8_t palette[4 * 256];
      platform::GetEnhMetaFilePaletteEntries(metafile, 256, palette);
      platform::PlayEnhMetaFile(canvas.deviceContext, metafile, rect);
      platform::DeleteEnhMetaFile(metafile);
    }
  } else {
    platform::PlayEmf(canvas.deviceContext, data, size, rect);
  }
  FlushCanvas(canvas);
  FreeCanvas(canvas);
  return 0;
}
