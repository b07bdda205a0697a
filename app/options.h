// Command-line options, file kinds, the palette file and the settings of one job.
#pragma once

#include <cstdint>

#include "render/canvas.h"

// One bit per format; input and output kinds share one value space.
enum FileKind : int32_t {
  kKindNone = 0,
  kKindEmf = 1,
  kKindWmf = 2,
  kKindDxf = 4,
  kKindVml = 8,
  kKindGerber = 16,
  kKindBmp = 256,
  kKindGif = 512,
  kKindG3 = 1024,
  kKindJpeg = 2048,
  kKindPng = 4096,
  kKindSvg = 8192,
};
constexpr int32_t kInputKinds = 31;
constexpr int32_t kVectorKinds = kKindDxf | kKindVml | kKindSvg;

constexpr int32_t kDefaultWidth = 1728;
constexpr int32_t kDefaultHeight = 2287;
constexpr int32_t kDefaultQuality = 75;

struct ConvertJob {
  const char* inputName;
  int32_t inputKind;
  const char* outputName;
  int32_t outputKind;
  int32_t quality;
  int32_t rle;
  Canvas canvas;
  int32_t result;  // -1 until everything succeeded
};

extern const char kProgramName[];  // "Kartex"

// Parser position: the next argument to examine (1 at start) and the argument
// of the last option. They live for the whole process and are never reset.
// (In a namespace of their own, apart from the C library's getopt variables.)
namespace cli {
extern int optind;
extern const char* optarg;
}  // namespace cli

// The next option letter, or -1 when options end; sets optind and optarg.
int GetOption(int argc, char* const argv[], const char* optionString);

// The kind of a name by its extension (ignoring case); 0 when not recognised.
int32_t FileKindOf(const char* fileName, int isInput);

// Loads a 768-byte palette file into red, green, blue of the 256 entries. 1 or 0.
int LoadPaletteFile(const char* fileName, PaletteEntry* entries);

// Bits per pixel by output kind: G3 1, JPEG 24, others 8; PNG takes 8 for DXF
// input (the colour table is its palette) and 24 for the rest, whose colours
// are their own.
int32_t BitsPerPixelFor(int32_t outputKind, int32_t inputKind);

// Reads a positive decimal option value the way atoi does (leading digits),
// refusing values that do not fit 32 bits. 1 with the value, or 0.
int ParseOptionNumber(const char* text, int32_t* value);

// Writes the canvas with the raster writer of the output kind (rle and quality
// as the job says); vector kinds have been written by the pipeline. 1 or 0.
int WriteRasterOutput(ConvertJob& job);

// The 256 colours of a ColourTable as palette entries with flags 0.
void CopyColourTable(const uint32_t* table, PaletteEntry* entries);

// Readies the heap for converting the named input, sized by the file.
void PrepareHeapFor(const char* inputName);

// The whole command line; returns the exit status.
int RunCommandLine(int argc, char* argv[]);

// Prints the usage text.
void PrintUsage();
