// Arbitrary bytes as a WMF file: placeable header removed as the pipeline does,
// converted to EMF, and the EMF translated.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/metafile.h"
#include "readers/emf/emf.h"
#include "render/colours.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  if (!std::freopen("/dev/null", "w", stdout)) return 0;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  constexpr size_t kPlaceable = 22;
  if (size >= kPlaceable && data[0] == 0xD7 && data[1] == 0xCD && data[2] == 0xC6 && data[3] == 0x9A) {
    data += kPlaceable;
    size -= kPlaceable;
  }
  platform::EnhMetaFile* metafile = platform::SetWinMetaFileBits(data, static_cast<int64_t>(size));
  if (!metafile) return 0;
  int64_t n = platform::GetEnhMetaFileBits(metafile, nullptr, 0);
  uint8_t* emf = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(n)));
  if (emf && platform::GetEnhMetaFileBits(metafile, emf, n) == n) {
    static const std::string path = "/tmp/kartex-wmf-fuzz-" + std::to_string(getpid()) + ".emf";
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
      std::fwrite(emf, 1, static_cast<size_t>(n), f);
      std::fclose(f);
      UseBuiltInColourTable();
      Drawing drawing{};
      if (!emf_proc(path.c_str(), &drawing)) std::abort();  // our own EMF must always translate
      DrawingFree(&drawing);
    }
  }
  std::free(emf);
  platform::DeleteEnhMetaFile(metafile);
  return 0;
}
