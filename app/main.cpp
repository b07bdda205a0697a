// Kartex: converts one vector drawing (DXF, EMF, WMF, Gerber) into a bitmap
// (BMP, GIF, G3 fax, JPEG, PNG) or another vector form (DXF, VML in HTML, SVG).
#include <cstdio>
#include <string>

#include "app/options.h"
#include "render/colours.h"
#ifdef KARTEX_DIALOG_MODULE
#include <dlfcn.h>
#include <unistd.h>
#endif

namespace {

// The dialog lives in a module beside the program, loaded only here: Qt's
// libraries would otherwise add their loading time to every conversion.
int OpenDialog(int argc, char* argv[]) {
#ifdef KARTEX_DIALOG_MODULE
  char self[4096];
  ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  std::string path = n > 0 ? std::string(self, static_cast<size_t>(n)) : std::string(argv[0]);
  size_t slash = path.rfind('/');
  path = (slash == std::string::npos ? std::string(".") : path.substr(0, slash)) + "/" + KARTEX_DIALOG_MODULE;
  void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  using Entry = int (*)(int, char**);
  Entry run = module ? reinterpret_cast<Entry>(dlsym(module, "KartexRunConverterDialog")) : nullptr;
  if (!run) {
    const char* why = dlerror();
    std::printf("%s: the converter dialog cannot be loaded (%s)\n", kProgramName, why ? why : path.c_str());
    return -1;
  }
  return run(argc, argv);
#else
  (void)argc;
  (void)argv;
  std::printf("%s: the converter dialog is not built (it needs Qt 6)\n", kProgramName);
  return -1;
#endif
}

}  // namespace

int main(int argc, char* argv[]) {
  std::printf("%s - vector/bitmap convertor\n", kProgramName);
  UseBuiltInColourTable();
  if (argc == 1) {
    std::fflush(stdout);
    int status = OpenDialog(argc, argv);
    std::fflush(stdout);
    return status;
  }
  int status = RunCommandLine(argc, argv);
  std::fflush(stdout);
  return status;
}
