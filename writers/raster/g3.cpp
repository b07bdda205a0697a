#include "writers/raster/g3.h"

// Placeholder until the writer lands.
int WriteG3File(const Canvas&, const char*, int) { return 0; }
