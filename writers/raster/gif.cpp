#include "writers/raster/gif.h"

// Placeholder until the writer lands.
int WriteGifFile(const char*, const Canvas&) { return 0; }
