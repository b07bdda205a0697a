#include "app/options.h"

#include <strings.h>
#include <sys/stat.h>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/convert.h"
#include "app/supl.h"
#include "platform/heap.h"
#include "render/colours.h"
#include "writers/raster/bmp.h"
#include "writers/raster/g3.h"
#include "writers/raster/gif.h"
#include "writers/raster/jpeg.h"
#include "writers/raster/png.h"

const char kProgramName[] = "Kartex";

namespace cli {
int optind = 1;
const char* optarg = nullptr;
}  // namespace cli

namespace {

constexpr int kPaletteFileSize = 768;

struct KindName {
  const char* extension;
  int32_t kind;
};

constexpr KindName kInputExtensions[] = {
    {".emf", kKindEmf}, {".wmf", kKindWmf}, {".dxf", kKindDxf}, {".gbr", kKindGerber}};
constexpr KindName kOutputExtensions[] = {{".bmp", kKindBmp},  {".gif", kKindGif}, {".g3", kKindG3},
                                          {".dxf", kKindDxf},  {".vml", kKindVml}, {".htm", kKindVml},
                                          {".jpg", kKindJpeg}, {".png", kKindPng}, {".svg", kKindSvg}};

}  // namespace

void PrintUsage() {
  std::printf(
      "Usage:\n%s [option] <InputFileName> <OutputFileName>\nInputFileName: <Name>.<DXF|EMF|WMF|GBR>\n"
      "OutputFileName: <Name>.<BMP|GIF|JPG|G3|PNG|DXF|VML|HTM|SVG>\nOptions:\n\t-w num  Width\n\t-h num  Height\n"
      "\t-c aaa  Color palette file name (size=768byte)\n\t-q num  Quality of JPEG compression (from 0 to 100)\n"
      "\t-r      RLE compression for BMP output\n",
      kProgramName);
}

int GetOption(int argc, char* const argv[], const char* optionString) {
  using cli::optarg;
  using cli::optind;
  if (optind >= argc || argv[optind][0] != '-') return -1;
  const char* argument = argv[optind++];
  char c = argument[1];
  const char* found = c ? std::strchr(optionString, c) : nullptr;
  if (!found) {
    std::printf("%s: Unknown option (%s)\n", kProgramName, argument);
    return -1;
  }
  if (found[1] != ':') {
    optarg = nullptr;
    return c;
  }
  if (argument[2] != '\0') {
    optarg = argument + 2;
    return c;
  }
  if (optind < argc) {
    optarg = argv[optind++];
    return c;
  }
  std::printf("%s: No argument for (%s)\n", kProgramName, argument);
  return -1;
}

int32_t FileKindOf(const char* fileName, int isInput) {
  if (!fileName || !*fileName) return kKindNone;
  const char* dot = std::strrchr(fileName, '.');
  if (!dot) return kKindNone;
  if (isInput) {
    for (const KindName& k : kInputExtensions)
      if (strcasecmp(dot, k.extension) == 0) return k.kind;
  } else {
    for (const KindName& k : kOutputExtensions)
      if (strcasecmp(dot, k.extension) == 0) return k.kind;
  }
  return kKindNone;
}

int LoadPaletteFile(const char* fileName, PaletteEntry* entries) {
  int64_t size = 0;
  uint8_t* bytes = supl_bread(fileName, &size);
  if (!bytes || size != kPaletteFileSize) {
    std::free(bytes);
    std::printf("%s: Unable to load palette %s or bad file size (should be 768)\n", kProgramName,
                fileName ? fileName : "");
    return 0;
  }
  for (int i = 0; i < 256; ++i) {
    entries[i].red = bytes[3 * i];
    entries[i].green = bytes[3 * i + 1];
    entries[i].blue = bytes[3 * i + 2];
  }
  std::free(bytes);
  return 1;
}

int32_t BitsPerPixelFor(int32_t outputKind, int32_t inputKind) {
  if (outputKind == kKindG3) return 1;
  if (outputKind == kKindJpeg) return 24;
  if (outputKind == kKindPng && inputKind != kKindDxf) return 24;
  return 8;
}

int ParseOptionNumber(const char* text, int32_t* value) {
  // As atoi reads: leading white space, a sign, then the leading digits.
  const char* p = text;
  while (std::isspace(static_cast<unsigned char>(*p))) ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = *p++ == '-';
  int64_t v = 0;
  for (; std::isdigit(static_cast<unsigned char>(*p)); ++p) {
    v = v * 10 + (*p - '0');
    if (v > static_cast<int64_t>(INT32_MAX) + 1) return 0;
  }
  if (negative) v = -v;
  if (v > INT32_MAX || v < INT32_MIN) return 0;
  *value = static_cast<int32_t>(v);
  return 1;
}

namespace {

// Returns 1 when the job is ready to convert, 0 on a usage error.
int ParseCommandLine(int argc, char* argv[], ConvertJob& job) {
  for (;;) {
    int c = GetOption(argc, argv, "w:h:c:q:r");
    if (c == -1) break;
    switch (c) {
      case 'w':
        if (!ParseOptionNumber(cli::optarg, &job.canvas.width) || job.canvas.width <= 0) return 0;
        break;
      case 'h':
        if (!ParseOptionNumber(cli::optarg, &job.canvas.height) || job.canvas.height <= 0) return 0;
        break;
      case 'c':
        if (!LoadPaletteFile(cli::optarg, job.canvas.palette.entries)) return 0;
        break;
      case 'q':
        if (!ParseOptionNumber(cli::optarg, &job.quality) || job.quality < 1 || job.quality > 100) return 0;
        break;
      case 'r': job.rle = 1; break;
      default: return 0;
    }
  }
  if (cli::optind != argc - 2) return 0;
  job.inputName = argv[cli::optind];
  job.outputName = argv[cli::optind + 1];
  job.inputKind = FileKindOf(job.inputName, 1);
  if (job.inputKind == kKindNone) return 0;
  job.outputKind = FileKindOf(job.outputName, 0);
  if (job.outputKind == kKindNone) return 0;
  return 1;
}

}  // namespace

int WriteRasterOutput(ConvertJob& job) {
  switch (job.outputKind) {
    case kKindBmp: return WriteBmpFile(job.canvas, job.outputName, job.rle);
    case kKindGif: return WriteGifFile(job.outputName, job.canvas);
    case kKindG3: return WriteG3File(job.canvas, job.outputName, 0);
    case kKindJpeg: return WriteJpegFile(job.canvas, job.outputName, job.quality);
    case kKindPng: return WritePngFile(job.canvas, job.outputName);
    default: return 1;  // vector kinds: the pipeline has written the file
  }
}

void CopyColourTable(const ColourRef* table, PaletteEntry* entries) {
  for (int i = 0; i < 256; ++i) entries[i] = {RedOf(table[i]), GreenOf(table[i]), BlueOf(table[i]), 0};
}

void PrepareHeapFor(const char* inputName) {
  // A drawing takes a few times its file's size in memory (a Gerber arc's
  // points up to about ten).
  struct stat input;
  if (stat(inputName, &input) == 0) platform::PrepareHeap(int64_t{16} * input.st_size);
}

int RunCommandLine(int argc, char* argv[]) {
  static ConvertJob job;  // large (the canvas palette and bitmap info); one per run
  std::memset(static_cast<void*>(&job), 0, sizeof job);
  job.canvas.width = kDefaultWidth;
  job.canvas.height = kDefaultHeight;
  job.quality = kDefaultQuality;
  job.rle = 0;
  job.result = -1;

  if (ParseCommandLine(argc, argv, job)) {
    PrepareHeapFor(job.inputName);
    job.canvas.bitsPerPixel = BitsPerPixelFor(job.outputKind, job.inputKind);
    if (job.inputKind == kKindDxf) {
      CopyColourTable(CurrentColourTable(), job.canvas.palette.entries);
    } else {
      job.canvas.palette.entries[0].red = 255;
      job.canvas.palette.entries[0].green = 255;
      job.canvas.palette.entries[0].blue = 255;
    }
    int64_t stride = RowStride(job.canvas.width, job.canvas.bitsPerPixel);
    if (stride > 0) {
      job.canvas.stride = static_cast<int32_t>(stride);
      if (Convert(job.canvas, job.inputName, job.inputKind, job.outputName, job.outputKind, VectorPicture::kSkip) &&
          WriteRasterOutput(job))
        job.result = 0;
    }
  }
  if (job.result != 0) PrintUsage();
  FreeCanvas(job.canvas);
  return job.result;
}
