#include "writers/vector/dxf_writer.h"
#include "writers/vector/vml.h"

// Placeholders until the writers land.
int WriteDxf(Drawing&, const char*) { return 0; }
int WriteVmlFile(const Drawing&, const char*, uint32_t) { return 0; }
