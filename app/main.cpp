// Kartex: converts one vector drawing (DXF, EMF, WMF, Gerber) into a bitmap
// (BMP, GIF, G3 fax, JPEG) or another vector form (DXF, VML in HTML).
#include <cstdio>

#include "app/options.h"
#include "render/colours.h"

int main(int argc, char* argv[]) {
  std::printf("%s - vector/bitmap convertor\n", kProgramName);
  UseBuiltInColourTable();
  if (argc == 1) {
    // The converter dialog arrives with its own issue; until then, show how to use the command line.
    PrintUsage();
    return -1;
  }
  int status = RunCommandLine(argc, argv);
  std::fflush(stdout);
  return status;
}
