#include "writers/raster/bmp.h"

// Placeholder until the writer lands.
int WriteBmpFile(const Canvas&, const char*, int) { return 0; }
