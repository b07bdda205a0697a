// Canvases built by hand for the raster writer tests, and the independent
// decoders their output is checked against: giflib, libtiff's CCITT decoder
// and libjpeg.
#pragma once

#include <gif_lib.h>
#include <jpeglib.h>
#include <tiffio.h>

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "render/canvas.h"
#include "tests/support/support.h"

namespace raster_test {

using Bytes = std::vector<uint8_t>;

// A canvas over `bytes`: rows of `stride` bytes (default: rounded up to 4), a
// palette of distinct entries. 24-bit rows pad with A5 bytes, which would show
// if an encoder read them as pixels; other depths pad with zeros.
struct HandCanvas {
  Canvas canvas{};
  Bytes bytes;
  HandCanvas(int32_t width, int32_t height, int32_t bitsPerPixel, int32_t stride = 0) {
    canvas.width = width;
    canvas.height = height;
    canvas.bitsPerPixel = bitsPerPixel;
    canvas.stride = stride ? stride : int32_t((int64_t{width} * bitsPerPixel + 31) / 32 * 4);
    bytes.assign(size_t(int64_t{canvas.stride} * height), bitsPerPixel == 24 ? 0xA5 : 0);
    canvas.pixels = bytes.data();
    canvas.palette.version = 0x300;
    canvas.palette.count = 256;
    for (int i = 0; i < 256; ++i) canvas.palette.entries[i] = {uint8_t(i), uint8_t(255 - i), uint8_t(i * 7), 0};
    if (bitsPerPixel == 24)
      for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) Set(x, y, 0);
  }
  uint8_t* Row(int32_t y) { return bytes.data() + size_t(y) * canvas.stride; }
  // 1-bit pixel x of row y set to ink.
  void SetBit(int32_t x, int32_t y) { Row(y)[x / 8] |= uint8_t(0x80 >> (x % 8)); }
  // 24-bit pixels as 0xRRGGBB, stored blue, green, red.
  void Set(int32_t x, int32_t y, uint32_t rgb) {
    uint8_t* p = Row(y) + 3 * x;
    p[0] = uint8_t(rgb), p[1] = uint8_t(rgb >> 8), p[2] = uint8_t(rgb >> 16);
  }
  uint32_t Get(int32_t x, int32_t y) const {
    const uint8_t* p = bytes.data() + size_t(y) * canvas.stride + 3 * x;
    return uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
  }
  // Every pixel `value`: a palette index, a bit, or 0xRRGGBB by depth.
  void Put(int32_t x, int32_t y, uint32_t value) {
    if (canvas.bitsPerPixel == 24)
      Set(x, y, value);
    else if (canvas.bitsPerPixel == 8)
      Row(y)[x] = uint8_t(value);
    else if (value)
      SetBit(x, y);
  }
};

// Bytes written as hex digits; blanks are ignored.
inline Bytes Hex(const std::string& digits) {
  Bytes out;
  std::string pair;
  for (char ch : digits)
    if (ch != ' ' && (pair += ch).size() == 2) out.push_back(uint8_t(std::stoi(pair, nullptr, 16))), pair.clear();
  return out;
}

// A hash for goldens of whole files; each use names what its stream covers.
inline uint64_t Fnv1a(const Bytes& bytes) {
  uint64_t h = 1469598103934665603ull;
  for (uint8_t b : bytes) h = (h ^ b) * 1099511628211ull;
  return h;
}

struct Lcg {
  uint32_t state;
  uint32_t Next() { return (state = state * 1664525u + 1013904223u) >> 8; }
};

// An asymmetric "F" of `ink` on `background`, to catch flips, swaps and row
// mix-ups. Edges lie on even coordinates, so no 2 x 2 chroma group mixes colours.
inline void DrawF(HandCanvas& c, uint32_t ink, uint32_t background) {
  const int w = c.canvas.width, h = c.canvas.height;
  auto even = [](int v) { return v & ~1; };
  const int left = even(w / 5), stemRight = even(2 * w / 5), barRight = even(4 * w / 5), middleRight = even(3 * w / 5);
  const int top = even(h / 8), topBottom = even(2 * h / 8), middleTop = even(7 * h / 16),
            middleBottom = even(9 * h / 16), bottom = even(7 * h / 8);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const bool stem = x >= left && x < stemRight && y >= top && y < bottom;
      const bool bar = y >= top && y < topBottom && x >= left && x < barRight;
      const bool middle = y >= middleTop && y < middleBottom && x >= left && x < middleRight;
      c.Put(x, y, stem || bar || middle ? ink : background);
    }
}

inline void FillNoise(HandCanvas& c, uint32_t seed) {
  Lcg random{seed};
  for (int32_t y = 0; y < c.canvas.height; ++y)
    for (int32_t x = 0; x < c.canvas.width; ++x) c.Set(x, y, random.Next());
}

struct Decoded {
  bool ok = false;
  std::string error;
  int width = 0, height = 0, count = 0;  // count: GIF images, or JPEG components
  Bytes pixels;                          // indices (GIF) or red, green, blue (JPEG)
  Bytes colours;                         // GIF global table: red, green, blue per entry
};

// giflib's reading of the file's first image.
inline Decoded DecodeGif(const std::string& path) {
  Decoded out;
  int error = 0;
  GifFileType* gif = DGifOpenFileName(path.c_str(), &error);
  if (!gif) return out;
  if (DGifSlurp(gif) == GIF_OK && gif->ImageCount >= 1) {
    out.ok = true;
    out.count = gif->ImageCount;
    const SavedImage& image = gif->SavedImages[0];
    out.width = image.ImageDesc.Width;
    out.height = image.ImageDesc.Height;
    out.pixels.assign(image.RasterBits, image.RasterBits + size_t(out.width) * out.height);
    for (int i = 0; gif->SColorMap && i < gif->SColorMap->ColorCount; ++i) {
      const GifColorType& c = gif->SColorMap->Colors[i];
      out.colours.insert(out.colours.end(), {c.Red, c.Green, c.Blue});
    }
  }
  DGifCloseFile(gif, &error);
  return out;
}

inline void IgnoreTiffMessage(const char*, const char*, va_list) {}

// libtiff's CCITT decoder reads the stream wrapped as the one strip of a
// Group 3 (one-dimensional, no fill bits) TIFF; returns the rows' bytes.
inline Bytes DecodeG3(const Bytes& stream, uint32_t width, uint32_t height) {
  TIFFSetWarningHandler(IgnoreTiffMessage);
  testing_support::TempDir dir;
  std::string path = dir.File("wrap.tif");
  TIFF* tif = TIFFOpen(path.c_str(), "w");
  if (!tif) return {};
  for (auto [tag, value] : std::vector<std::pair<uint32_t, uint32_t>>{{TIFFTAG_IMAGEWIDTH, width},
                                                                      {TIFFTAG_IMAGELENGTH, height},
                                                                      {TIFFTAG_ROWSPERSTRIP, height},
                                                                      {TIFFTAG_BITSPERSAMPLE, 1},
                                                                      {TIFFTAG_SAMPLESPERPIXEL, 1},
                                                                      {TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX3},
                                                                      {TIFFTAG_GROUP3OPTIONS, 0},
                                                                      {TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE},
                                                                      {TIFFTAG_FILLORDER, FILLORDER_MSB2LSB},
                                                                      {TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG}})
    TIFFSetField(tif, tag, value);
  TIFFWriteRawStrip(tif, 0, const_cast<uint8_t*>(stream.data()), tmsize_t(stream.size()));
  TIFFClose(tif);
  if (!(tif = TIFFOpen(path.c_str(), "r"))) return {};
  size_t rowBytes = width / 8;
  Bytes out(rowBytes * height), line(size_t(TIFFScanlineSize(tif)) + 1);
  for (uint32_t y = 0; y < height && !out.empty(); ++y) {
    if (TIFFReadScanline(tif, line.data(), y, 0) != 1)
      out.clear();
    else
      std::copy(line.begin(), line.begin() + long(rowBytes), out.begin() + long(y * rowBytes));
  }
  TIFFClose(tif);
  return out;
}

struct JpegErrors {
  jpeg_error_mgr base;
  jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

inline void OnJpegError(j_common_ptr info) {
  JpegErrors* errors = reinterpret_cast<JpegErrors*>(info->err);
  (*info->err->format_message)(info, errors->message);
  std::longjmp(errors->jump, 1);
}

// libjpeg's reading into malloc'd rows, with no C++ object that needs
// destroying between setjmp and longjmp. Warnings (tolerated corruption) fail.
inline bool DecodeJpegInto(const uint8_t* data, size_t size, uint8_t** pixels, int* dims, char* error) {
  jpeg_decompress_struct info;
  JpegErrors errors;
  info.err = jpeg_std_error(&errors.base);
  errors.base.error_exit = OnJpegError;
  errors.message[0] = 0;
  if (setjmp(errors.jump)) {
    std::strcpy(error, errors.message);
    jpeg_destroy_decompress(&info);
    return false;
  }
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, data, static_cast<unsigned long>(size));
  jpeg_read_header(&info, TRUE);
  info.out_color_space = JCS_RGB;
  info.do_fancy_upsampling = FALSE;  // plain replication, as the encoder averaged
  jpeg_start_decompress(&info);
  dims[0] = int(info.output_width), dims[1] = int(info.output_height), dims[2] = info.num_components;
  const size_t row = size_t(info.output_width) * 3;
  *pixels = static_cast<uint8_t*>(std::malloc(row * info.output_height));
  while (info.output_scanline < info.output_height) {
    JSAMPROW target = *pixels + row * info.output_scanline;
    jpeg_read_scanlines(&info, &target, 1);
  }
  jpeg_finish_decompress(&info);
  const bool clean = errors.base.num_warnings == 0;
  if (!clean) std::strcpy(error, "decoder warnings");
  jpeg_destroy_decompress(&info);
  return clean;
}

inline Decoded DecodeJpeg(const Bytes& file) {
  Decoded d;
  uint8_t* pixels = nullptr;
  int dims[3] = {};
  char error[JMSG_LENGTH_MAX] = {};
  d.ok = !file.empty() && DecodeJpegInto(file.data(), file.size(), &pixels, dims, error);
  d.error = error;
  if (pixels) {
    d.width = dims[0], d.height = dims[1], d.count = dims[2];
    d.pixels.assign(pixels, pixels + size_t(d.width) * d.height * 3);
    std::free(pixels);
  }
  return d;
}

// PSNR in dB of two red, green, blue pictures of the same size.
inline double Psnr(const Bytes& a, const Bytes& b) {
  if (a.size() != b.size() || a.empty()) return 0;
  double sum = 0;
  for (size_t i = 0; i < a.size(); ++i) sum += (double(a[i]) - b[i]) * (double(a[i]) - b[i]);
  return sum == 0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 * double(a.size()) / sum);
}

// A 24-bit canvas as red, green, blue bytes, top row first.
inline Bytes Rgb(const HandCanvas& c) {
  Bytes out;
  for (int32_t y = 0; y < c.canvas.height; ++y)
    for (int32_t x = 0; x < c.canvas.width; ++x) {
      const uint32_t v = c.Get(x, y);
      out.insert(out.end(), {uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)});
    }
  return out;
}

}  // namespace raster_test
