// A Canvas as PNG through libpng. The stream is built in memory and written
// with one call, so a failure half-way leaves no file. libpng reports its
// errors by longjmp; every libpng call therefore sits in Encode, which holds
// nothing that needs a destructor.
#include "writers/raster/png.h"

#include <png.h>

#include <csetjmp>
#include <cstdlib>
#include <cstring>

#include "app/supl.h"

namespace {

constexpr int kMaxPaletteColours = 256;
// Open addressing for the colours of a 24-bit canvas: four times the most
// colours a palette holds keeps the probes short.
constexpr uint32_t kColourSlotBits = 10;
constexpr uint32_t kColourSlots = 1u << kColourSlotBits;
constexpr size_t kFirstCapacity = 1 << 16;

// The encoded stream. With a nonzero `limit` the encoding gives up when the
// stream would reach that many bytes.
struct MemoryOutput {
  uint8_t* bytes;
  size_t size;
  size_t capacity;
  size_t limit;
};

// What libpng is asked to write: `height` rows of `stride` bytes.
struct Image {
  int32_t width;
  int32_t height;
  int bitDepth;
  int colourType;
  const uint8_t* rows;
  int64_t stride;
  const png_color* palette;  // PNG_COLOR_TYPE_PALETTE only
  int paletteSize;
  bool bgr;  // rows hold blue, green, red
};

[[noreturn]] void OnError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void OnWarning(png_structp, png_const_charp) {}

void Append(png_structp png, png_bytep data, size_t n) {
  MemoryOutput* out = static_cast<MemoryOutput*>(png_get_io_ptr(png));
  if (out->limit && out->size + n >= out->limit) png_error(png, "not smaller");
  if (out->size + n > out->capacity) {
    size_t capacity = out->capacity ? out->capacity : kFirstCapacity;
    while (capacity < out->size + n) capacity *= 2;
    uint8_t* grown = static_cast<uint8_t*>(std::realloc(out->bytes, capacity));
    if (!grown) png_error(png, "out of memory");
    out->bytes = grown;
    out->capacity = capacity;
  }
  std::memcpy(out->bytes + out->size, data, n);
  out->size += n;
}

void Flush(png_structp) {}

// 1 with the whole stream in `out`, else 0 (what `out` holds is then partial;
// the caller frees it either way).
int Encode(const Image& image, MemoryOutput& out) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, OnError, OnWarning);
  if (!png) return 0;
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    return 0;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return 0;
  }
  png_set_write_fn(png, &out, Append, Flush);
  png_set_IHDR(png, info, static_cast<png_uint_32>(image.width), static_cast<png_uint_32>(image.height), image.bitDepth,
               image.colourType, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (image.colourType == PNG_COLOR_TYPE_PALETTE) png_set_PLTE(png, info, image.palette, image.paletteSize);
  png_write_info(png, info);
  if (image.bgr) png_set_bgr(png);
  for (int32_t y = 0; y < image.height; ++y) png_write_row(png, image.rows + y * image.stride);
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return 1;
}

bool Usable(const Canvas& canvas) {
  if (!canvas.pixels || canvas.width < 1 || canvas.height < 1) return false;
  if (canvas.bitsPerPixel != 1 && canvas.bitsPerPixel != 8 && canvas.bitsPerPixel != 24) return false;
  int64_t stride = RowStride(canvas.width, canvas.bitsPerPixel);
  return stride > 0 && canvas.stride >= stride;
}

// The colours of a 24-bit canvas in order of first appearance, and each
// pixel's index into them; 0 when there are more than fit a palette.
int IndexColours(const Canvas& canvas, uint8_t* indices, png_color* palette, int* count) {
  uint32_t slots[kColourSlots] = {};  // colour + 1; 0 is an empty slot
  uint8_t slotIndex[kColourSlots];
  int colours = 0;
  uint32_t last = 0;  // colour + 1 of the previous pixel: runs skip the search
  uint8_t lastIndex = 0;
  for (int32_t y = 0; y < canvas.height; ++y) {
    const uint8_t* p = canvas.pixels + int64_t{y} * canvas.stride;
    uint8_t* row = indices + int64_t{y} * canvas.width;
    for (int32_t x = 0; x < canvas.width; ++x, p += 3) {
      uint32_t key = (p[0] | p[1] << 8 | uint32_t{p[2]} << 16) + 1;
      if (key != last) {
        uint32_t slot = (key * 2654435761u) >> (32 - kColourSlotBits);
        while (slots[slot] && slots[slot] != key) slot = (slot + 1) & (kColourSlots - 1);
        if (!slots[slot]) {
          if (colours == kMaxPaletteColours) return 0;
          slots[slot] = key;
          slotIndex[slot] = static_cast<uint8_t>(colours);
          palette[colours++] = {p[2], p[1], p[0]};
        }
        last = key;
        lastIndex = slotIndex[slot];
      }
      row[x] = lastIndex;
    }
  }
  *count = colours;
  return 1;
}

// A 24-bit canvas: indexed when it has few colours, RGB when that is smaller.
int EncodeTrueColour(const Canvas& canvas, MemoryOutput& out) {
  const int64_t pixels = int64_t{canvas.width} * canvas.height;
  MemoryOutput indexed{};
  int haveIndexed = 0;
  if (uint8_t* indices = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(pixels)))) {
    png_color palette[kMaxPaletteColours];
    int colours = 0;
    haveIndexed =
        IndexColours(canvas, indices, palette, &colours) &&
        Encode({canvas.width, canvas.height, 8, PNG_COLOR_TYPE_PALETTE, indices, canvas.width, palette, colours, false},
               indexed);
    std::free(indices);
  }
  // The RGB encoding stops as soon as it reaches the indexed stream's size.
  MemoryOutput rgb{};
  rgb.limit = haveIndexed ? indexed.size : 0;
  if (Encode({canvas.width, canvas.height, 8, PNG_COLOR_TYPE_RGB, canvas.pixels, canvas.stride, nullptr, 0, true},
             rgb)) {
    std::free(indexed.bytes);
    out = rgb;
    return 1;
  }
  std::free(rgb.bytes);
  if (!haveIndexed) {
    std::free(indexed.bytes);
    return 0;
  }
  out = indexed;
  return 1;
}

}  // namespace

int WritePngFile(const Canvas& canvas, const char* fileName) {
  if (!Usable(canvas) || !fileName || !*fileName) return 0;
  MemoryOutput out{};
  int ok;
  if (canvas.bitsPerPixel == 24) {
    ok = EncodeTrueColour(canvas, out);
  } else {
    png_color palette[kMaxPaletteColours];
    const int colours = 1 << canvas.bitsPerPixel;
    for (int i = 0; i < colours; ++i) {
      const PaletteEntry& e = canvas.palette.entries[i];
      palette[i] = {e.red, e.green, e.blue};
    }
    ok = Encode({canvas.width, canvas.height, canvas.bitsPerPixel, PNG_COLOR_TYPE_PALETTE, canvas.pixels, canvas.stride,
                 palette, colours, false},
                out);
  }
  ok = ok && supl_bwrite(fileName, out.bytes, static_cast<int64_t>(out.size));
  std::free(out.bytes);
  return ok;
}
