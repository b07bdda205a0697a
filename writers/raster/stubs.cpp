#include "writers/raster/bmp.h"
#include "writers/raster/g3.h"
#include "writers/raster/gif.h"
#include "writers/raster/jpeg.h"

// Placeholders until the writers land.
int WriteBmpFile(const Canvas&, const char*, int) { return 0; }
int WriteGifFile(const char*, const Canvas&) { return 0; }
int WriteG3File(const Canvas&, const char*, int) { return 0; }
int WriteJpegFile(const Canvas&, const char*, int) { return 0; }
