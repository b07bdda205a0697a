#include "readers/gerber/gerber.h"

#include <cstdio>

// Placeholder until the reader lands.
int gbr_proc(const char* fileName, Drawing* drawing) {
  DrawingFree(drawing);
  std::printf("Unable to supl_bread %s\n", fileName);
  return 0;
}
