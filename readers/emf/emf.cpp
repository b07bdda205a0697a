#include "readers/emf/emf.h"

#include <cstdio>

// Placeholder until the translator lands.
int emf_proc(const char* fileName, Drawing* drawing) {
  DrawingFree(drawing);
  std::printf("Unable to fopen %s\n", fileName);
  return 0;
}
