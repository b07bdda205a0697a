// The independent decoders the GIF and G3 writers are checked against:
// giflib, and libtiff's CCITT decoder.
#pragma once

#include <gif_lib.h>
#include <tiffio.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/support.h"

namespace raster_test {

struct DecodedGif {
  bool ok = false;
  int width = 0, height = 0, imageCount = 0;
  std::vector<uint8_t> pixels;
  std::vector<uint8_t> colours;  // red, green, blue per entry
};

// giflib's reading of the file.
inline DecodedGif DecodeWithGiflib(const std::string& path) {
  DecodedGif out;
  int error = 0;
  GifFileType* gif = DGifOpenFileName(path.c_str(), &error);
  if (!gif) return out;
  if (DGifSlurp(gif) == GIF_OK && gif->ImageCount >= 1) {
    out.ok = true;
    out.imageCount = gif->ImageCount;
    const SavedImage& image = gif->SavedImages[0];
    out.width = image.ImageDesc.Width;
    out.height = image.ImageDesc.Height;
    out.pixels.assign(image.RasterBits, image.RasterBits + size_t(out.width) * out.height);
    if (gif->SColorMap)
      for (int i = 0; i < gif->SColorMap->ColorCount; ++i) {
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
inline std::vector<uint8_t> DecodeWithLibtiff(const std::vector<uint8_t>& stream, uint32_t width, uint32_t height) {
  TIFFSetWarningHandler(IgnoreTiffMessage);
  testing_support::TempDir dir;
  std::string path = dir.File("wrap.tif");
  TIFF* tif = TIFFOpen(path.c_str(), "w");
  if (!tif) return {};
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, width);
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, height);
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 1);
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
  TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX3);
  TIFFSetField(tif, TIFFTAG_GROUP3OPTIONS, 0);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
  TIFFSetField(tif, TIFFTAG_FILLORDER, FILLORDER_MSB2LSB);
  TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, height);
  TIFFWriteRawStrip(tif, 0, const_cast<uint8_t*>(stream.data()), tmsize_t(stream.size()));
  TIFFClose(tif);
  tif = TIFFOpen(path.c_str(), "r");
  if (!tif) return {};
  size_t rowBytes = width / 8;
  std::vector<uint8_t> out(rowBytes * height);
  std::vector<uint8_t> line(size_t(TIFFScanlineSize(tif)) + 1);
  for (uint32_t y = 0; y < height; ++y) {
    if (TIFFReadScanline(tif, line.data(), y, 0) != 1) {
      out.clear();
      break;
    }
    std::copy(line.begin(), line.begin() + long(rowBytes), out.begin() + long(y * rowBytes));
  }
  TIFFClose(tif);
  return out;
}

}  // namespace raster_test
