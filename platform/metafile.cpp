#include "platform/metafile.h"

// Placeholder until the WMF-to-EMF converter lands: no conversion is possible.
namespace platform {

EnhMetaFile* SetWinMetaFileBits(const uint8_t*, int64_t) { return nullptr; }

int64_t GetEnhMetaFileBits(const EnhMetaFile*, uint8_t*, int64_t) { return 0; }

void DeleteEnhMetaFile(EnhMetaFile*) {}

}  // namespace platform
