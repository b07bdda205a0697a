// Enhanced metafiles as the platform holds them: made from an EMF file or from
// Windows-metafile bytes, giving back their EMF bytes.
#pragma once

#include <cstdint>

namespace platform {

struct EnhMetaFile;

// A metafile object from the bytes of a Windows metafile (without a placeable
// header); null when they cannot be converted.
EnhMetaFile* SetWinMetaFileBits(const uint8_t* bytes, int64_t size);

// The object's EMF bytes: with a null buffer, their size; otherwise copies them
// into `buffer` of `size` bytes and returns the size copied. 0 on failure.
int64_t GetEnhMetaFileBits(const EnhMetaFile* metafile, uint8_t* buffer, int64_t size);

// Releases the object; null is ignored.
void DeleteEnhMetaFile(EnhMetaFile* metafile);

}  // namespace platform
