// Kartex: converts one vector drawing (DXF, EMF, WMF, Gerber) into a bitmap
// (BMP, GIF, G3 fax, JPEG) or another vector form (DXF, VML in HTML).
#include <cstdio>

#include "app/options.h"
#include "render/colours.h"
#ifdef KARTEX_HAVE_DIALOG
#include "ui/start.h"
#endif

int main(int argc, char* argv[]) {
  std::printf("%s - vector/bitmap convertor\n", kProgramName);
  UseBuiltInColourTable();
  if (argc == 1) {
#ifdef KARTEX_HAVE_DIALOG
    int status = RunConverterDialog(argc, argv);
#else
    std::printf("%s: the converter dialog is not built (it needs Qt 6)\n", kProgramName);
    int status = -1;
#endif
    std::fflush(stdout);
    return status;
  }
  int status = RunCommandLine(argc, argv);
  std::fflush(stdout);
  return status;
}
