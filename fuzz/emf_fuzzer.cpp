// Feeds arbitrary bytes to the EMF translator through a file, as the program does.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "readers/emf/emf.h"
#include "render/colours.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // The translator's messages would drown the fuzzer's own.
  if (!std::freopen("/dev/null", "w", stdout)) return 0;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = "/tmp/kartex-emf-fuzz-" + std::to_string(getpid()) + ".emf";
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return 0;
  std::fwrite(data, 1, size, f);
  std::fclose(f);
  UseBuiltInColourTable();
  Drawing drawing{};
  emf_proc(path.c_str(), &drawing);
  DrawingFree(&drawing);
  return 0;
}
