// Arbitrary bytes as the bitmap of a metafile record, decoded and drawn. Eight
// leading bytes pick where the info ends, the colour source, the operation, the
// stretch mode and the shape of the mapping; the rest are the info and the bits.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "platform/dib.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace platform;
  constexpr size_t kChoices = 8;
  constexpr int kSide = 48;
  if (size < kChoices) return 0;
  const uint8_t* c = data;
  const uint8_t* rest = data + kChoices;
  size_t n = size - kChoices;
  size_t infoSize = std::min<size_t>(n, size_t{c[0]} * 2);

  uint8_t palette[4 * 256];
  for (int i = 0; i < 4 * 256; ++i) palette[i] = static_cast<uint8_t>(i * 37);
  const ColourRef mono[] = {0x0000FF, 0xFFFFFF};
  DibColours colours{c[1] & 1 ? kDibPalColours : kDibRgbColours, palette, c[2], c[1] & 2 ? mono : nullptr};
  DibImage image;
  if (!DecodeDib(rest, static_cast<int64_t>(infoSize), rest + infoSize, static_cast<int64_t>(n - infoSize), colours,
                 image))
    return 0;

  std::vector<uint32_t> surface(kSide * kSide, 0xFF808080);
  std::vector<uint8_t> clip(kSide * kSide);
  for (size_t i = 0; i < clip.size(); ++i) clip[i] = static_cast<uint8_t>(i * 7);
  BlitTarget target{reinterpret_cast<uint8_t*>(surface.data()), 4 * kSide, kSide, kSide};
  if (c[1] & 4) target.clipMask = clip.data(), target.clipMaskStride = kSide;
  if (c[1] & 8) target.hasClipRect = true, target.clipRect = {c[3] % kSide, c[4] % kSide, c[5] % kSide, c[6] % kSide};

  BlitSource source;
  source.image = c[1] & 16 ? nullptr : &image;
  source.stretchMode = c[3] & 3 ? c[3] & 3 : 4;
  auto s = [](uint8_t b) { return static_cast<int8_t>(b); };
  if (c[1] & 32) {
    const Point corners[] = {{s(c[4]), s(c[5])}, {s(c[6]), s(c[7])}, {s(c[5]), s(c[4])}};
    if (!MapParallelogram(0, 0, image.width, image.height, corners, source)) return 0;
  } else if (!MapRect(s(c[4]), s(c[5]), image.width, image.height * (c[1] & 64 ? -1 : 1), s(c[6]), s(c[7]),
                      s(c[4]) * 3 + 1, s(c[5]) - 2, source)) {
    return 0;
  }
  BlitOp op;
  op.kind = static_cast<BlitKind>(c[2] & 3);
  op.rop = uint32_t{c[6]} << 24 | uint32_t{c[7]} << 16;
  op.pattern = {0x336699, c[1] & 128 ? &image : nullptr, s(c[3]), s(c[4])};
  op.mask = &image;
  op.maskX = s(c[5]);
  op.maskY = s(c[6]);
  op.transparent = image.pixels[0] & 0xFFFFFF;
  op.constantAlpha = c[7];
  op.sourceAlpha = c[3] & 4;
  Blit(target, source, op);
  return 0;
}
