// Feeds arbitrary bytes to the DXF reader straight from memory.
#include <cstddef>
#include <cstdint>

#include "readers/dxf/dxf_internal.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Drawing drawing;
  if (dxf_proc_memory(reinterpret_cast<const char*>(data), size, &drawing)) DrawingFree(&drawing);
  return 0;
}
