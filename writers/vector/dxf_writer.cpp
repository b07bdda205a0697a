#include "writers/vector/dxf_writer.h"

// Placeholder until the writer lands.
int WriteDxf(Drawing&, const char*) { return 0; }
