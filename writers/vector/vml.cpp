#include "writers/vector/vml.h"

// Placeholder until the writer lands.
int WriteVmlFile(const Drawing&, const char*, uint32_t) { return 0; }
