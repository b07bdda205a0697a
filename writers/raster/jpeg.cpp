#include "writers/raster/jpeg.h"

// Placeholder until the writer lands.
int WriteJpegFile(const Canvas&, const char*, int) { return 0; }
