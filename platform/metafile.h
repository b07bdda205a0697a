// Enhanced metafiles as the platform holds them: made from an EMF file or from
// Windows-metafile bytes, giving back their EMF bytes.
#pragma once

#include <cstdint>

#include "platform/emf_player.h"
#include "platform/gdi.h"

namespace platform {

struct EnhMetaFile;

// A metafile object from an EMF file; null when the file cannot be read or
// does not begin with an EMF header.
EnhMetaFile* GetEnhMetaFileA(const char* fileName);

// A metafile object from the bytes of a Windows metafile (without a placeable
// header); null when they cannot be converted.
EnhMetaFile* SetWinMetaFileBits(const uint8_t* bytes, int64_t size);

// The object's EMF bytes: with a null buffer, their size; otherwise copies them
// into `buffer` of `size` bytes and returns the size copied. 0 on failure.
int64_t GetEnhMetaFileBits(const EnhMetaFile* metafile, uint8_t* buffer, int64_t size);

// The object's header; 0 on failure.
int GetEnhMetaFileHeader(const EnhMetaFile* metafile, EmfHeader* header);

// Copies up to `count` palette entries (red, green, blue, flags) of the
// metafile's palette into `entries`; the number copied, or 0 on failure.
int GetEnhMetaFilePaletteEntries(const EnhMetaFile* metafile, int count, uint8_t* entries);

// Plays the metafile into the device context, its frame stretched onto
// `rect`; 0 when a malformed record stopped the play (what was drawn stays).
int PlayEnhMetaFile(DeviceContext* dc, const EnhMetaFile* metafile, const Rect& rect);

// Releases the object; null is ignored.
void DeleteEnhMetaFile(EnhMetaFile* metafile);

}  // namespace platform
