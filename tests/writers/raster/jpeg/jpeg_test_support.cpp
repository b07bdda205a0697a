#include "jpeg_test_support.h"

#include <jpeglib.h>

#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tests/support/support.h"
#include "writers/raster/jpeg.h"

namespace jpeg_test {

OwnedCanvas::OwnedCanvas(int width, int height, uint32_t rgb) {
  std::memset(static_cast<void*>(&canvas), 0, sizeof canvas);
  canvas.width = width;
  canvas.height = height;
  canvas.bitsPerPixel = 24;
  canvas.stride = (3 * width + 3) & ~3;
  canvas.pixels = static_cast<uint8_t*>(std::malloc(size_t(canvas.stride) * height));
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) Set(x, y, rgb);
    // Padding bytes that would show if the encoder read them as pixels.
    for (int i = 3 * width; i < canvas.stride; ++i) canvas.pixels[size_t(y) * canvas.stride + i] = 0xA5;
  }
}

OwnedCanvas::~OwnedCanvas() { std::free(canvas.pixels); }

void OwnedCanvas::Set(int x, int y, uint32_t rgb) {
  uint8_t* p = canvas.pixels + size_t(y) * canvas.stride + 3 * x;
  p[0] = rgb & 0xff;
  p[1] = (rgb >> 8) & 0xff;
  p[2] = (rgb >> 16) & 0xff;
}

uint32_t OwnedCanvas::Get(int x, int y) const {
  const uint8_t* p = canvas.pixels + size_t(y) * canvas.stride + 3 * x;
  return uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
}

void DrawF(OwnedCanvas& c) {
  const int w = c.canvas.width, h = c.canvas.height;
  // Edges on even coordinates, so that no 2 x 2 chroma group mixes red and blue.
  auto even = [](int v) { return v & ~1; };
  const int left = even(w / 5), stemRight = even(2 * w / 5), barRight = even(4 * w / 5), middleRight = even(3 * w / 5);
  const int top = even(h / 8), topBottom = even(2 * h / 8), middleTop = even(7 * h / 16),
            middleBottom = even(9 * h / 16), bottom = even(7 * h / 8);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const bool inStem = x >= left && x < stemRight && y >= top && y < bottom;
      const bool inTop = y >= top && y < topBottom && x >= left && x < barRight;
      const bool inMiddle = y >= middleTop && y < middleBottom && x >= left && x < middleRight;
      c.Set(x, y, inStem || inTop || inMiddle ? 0xff0000 : 0x0000ff);
    }
  }
}

void FillNoise(OwnedCanvas& c, uint32_t seed) {
  uint32_t state = seed;
  for (int y = 0; y < c.canvas.height; ++y) {
    for (int x = 0; x < c.canvas.width; ++x) {
      state = state * 1664525u + 1013904223u;
      c.Set(x, y, state >> 8);
    }
  }
}

namespace {

struct ErrorManager {
  jpeg_error_mgr base;
  jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

void OnError(j_common_ptr info) {
  ErrorManager* manager = reinterpret_cast<ErrorManager*>(info->err);
  (*info->err->format_message)(info, manager->message);
  std::longjmp(manager->jump, 1);
}

// Decodes into `out` without any C++ object that needs destroying between
// setjmp and longjmp.
bool DecodeInto(const uint8_t* data, size_t size, uint8_t** pixels, int* dims, char* error) {
  jpeg_decompress_struct info;
  ErrorManager manager;
  info.err = jpeg_std_error(&manager.base);
  manager.base.error_exit = OnError;
  manager.message[0] = 0;
  if (setjmp(manager.jump)) {
    std::strcpy(error, manager.message);
    jpeg_destroy_decompress(&info);
    return false;
  }
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, data, static_cast<unsigned long>(size));
  jpeg_read_header(&info, TRUE);
  info.out_color_space = JCS_RGB;
  info.do_fancy_upsampling = FALSE;  // plain replication, as the encoder averaged
  jpeg_start_decompress(&info);
  dims[0] = static_cast<int>(info.output_width);
  dims[1] = static_cast<int>(info.output_height);
  dims[2] = info.num_components;
  const size_t row = size_t(info.output_width) * 3;
  *pixels = static_cast<uint8_t*>(std::malloc(row * info.output_height));
  while (info.output_scanline < info.output_height) {
    JSAMPROW target = *pixels + row * info.output_scanline;
    jpeg_read_scanlines(&info, &target, 1);
  }
  jpeg_finish_decompress(&info);
  // Warnings (corrupt data that was tolerated) count as failures here.
  const bool clean = manager.base.num_warnings == 0;
  if (!clean) std::strcpy(error, "decoder warnings");
  jpeg_destroy_decompress(&info);
  return clean;
}

}  // namespace

Decoded DecodeJpeg(const std::vector<uint8_t>& file) {
  Decoded d;
  uint8_t* pixels = nullptr;
  int dims[3] = {};
  char error[JMSG_LENGTH_MAX] = {};
  d.ok = !file.empty() && DecodeInto(file.data(), file.size(), &pixels, dims, error);
  d.error = error;
  if (pixels != nullptr) {
    d.width = dims[0];
    d.height = dims[1];
    d.components = dims[2];
    d.rgb.assign(pixels, pixels + size_t(d.width) * d.height * 3);
    std::free(pixels);
  }
  return d;
}

double Psnr(const OwnedCanvas& c, const Decoded& d) {
  if (d.width != c.canvas.width || d.height != c.canvas.height) return 0;
  double sum = 0;
  for (int y = 0; y < d.height; ++y) {
    for (int x = 0; x < d.width; ++x) {
      const uint32_t rgb = c.Get(x, y);
      const uint8_t* p = &d.rgb[(size_t(y) * d.width + x) * 3];
      for (int k = 0; k < 3; ++k) {
        const double e = double(p[k]) - double((rgb >> (16 - 8 * k)) & 0xff);
        sum += e * e;
      }
    }
  }
  const double mse = sum / (3.0 * d.width * d.height);
  return mse == 0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 / mse);
}

double Psnr(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
  if (a.size() != b.size() || a.empty()) return 0;
  double sum = 0;
  for (size_t i = 0; i < a.size(); ++i) sum += (double(a[i]) - b[i]) * (double(a[i]) - b[i]);
  const double mse = sum / double(a.size());
  return mse == 0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 / mse);
}

uint16_t Be16(const std::vector<uint8_t>& b, size_t at) { return uint16_t(b.at(at) << 8 | b.at(at + 1)); }

long FindMarker(const std::vector<uint8_t>& file, uint8_t marker) {
  size_t at = 2;  // after SOI
  if (marker == 0xd8) return file.size() >= 2 && file[0] == 0xff && file[1] == 0xd8 ? 0 : -1;
  while (at + 4 <= file.size() && file[at] == 0xff) {
    if (file[at + 1] == marker) return static_cast<long>(at);
    if (file[at + 1] == 0xda) break;
    at += 2 + Be16(file, at + 2);
  }
  if (marker == 0xd9 && file.size() >= 2 && file[file.size() - 2] == 0xff && file.back() == 0xd9) {
    return static_cast<long>(file.size() - 2);
  }
  return -1;
}

std::vector<uint8_t> ScanData(const std::vector<uint8_t>& file) {
  const long sos = FindMarker(file, 0xda);
  if (sos < 0 || file.size() < 2) return {};
  const size_t begin = size_t(sos) + 2 + Be16(file, size_t(sos) + 2);
  return std::vector<uint8_t>(file.begin() + begin, file.end() - 2);
}

std::vector<uint8_t> Encode(const OwnedCanvas& c, int quality) {
  testing_support::TempDir dir;
  const std::string path = dir.File("out.jpg");
  if (WriteJpegFile(c.canvas, path.c_str(), quality) != 1) return {};
  return testing_support::ReadFile(path);
}

}  // namespace jpeg_test
