#include "platform/metafile.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/emf_records.h"
#include "platform/wmf.h"

namespace platform {

struct EnhMetaFile {
  uint8_t* bytes;
  int64_t size;
};

namespace {

EnhMetaFile* Wrap(uint8_t* bytes, int64_t size) {
  EnhMetaFile* metafile = static_cast<EnhMetaFile*>(std::malloc(sizeof(EnhMetaFile)));
  if (!metafile) {
    std::free(bytes);
    return nullptr;
  }
  *metafile = {bytes, size};
  return metafile;
}

}  // namespace

EnhMetaFile* GetEnhMetaFileA(const char* fileName) {
  if (!fileName) return nullptr;
  FILE* file = std::fopen(fileName, "rb");
  if (!file) return nullptr;
  uint8_t* bytes = nullptr;
  int64_t size = -1;
  if (fseeko(file, 0, SEEK_END) == 0) size = ftello(file);
  if (size > 0 && size <= kMaxEmfBytes && fseeko(file, 0, SEEK_SET) == 0) {
    bytes = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(size)));
    if (bytes && std::fread(bytes, 1, static_cast<size_t>(size), file) != static_cast<size_t>(size)) {
      std::free(bytes);
      bytes = nullptr;
    }
  }
  std::fclose(file);
  EmfHeader header;
  if (!bytes || !ReadEmfHeader(bytes, static_cast<uint64_t>(size), header)) {
    std::free(bytes);
    return nullptr;
  }
  return Wrap(bytes, size);
}

int GetEnhMetaFileHeader(const EnhMetaFile* metafile, EmfHeader* header) {
  return metafile && header && ReadEmfHeader(metafile->bytes, static_cast<uint64_t>(metafile->size), *header);
}

// The palette is stored in the end-of-file record: a count and an offset.
int GetEnhMetaFilePaletteEntries(const EnhMetaFile* metafile, int count, uint8_t* entries) {
  if (!metafile || !entries || count <= 0) return 0;
  EmfWalker walk{metafile->bytes, static_cast<uint64_t>(metafile->size)};
  EmfRecord r;
  while (walk.Next(r)) {
    if (r.type != kEmrEof) continue;
    uint32_t n = RecordU32(r, 8), at = RecordU32(r, 12);
    uint32_t copy = std::min<uint32_t>(n, static_cast<uint32_t>(count));
    if (copy == 0 || !RecordHas(r, at, 4ull * copy)) return 0;
    std::memcpy(entries, r.bytes + at, 4 * copy);
    return static_cast<int>(copy);
  }
  return 0;
}

int PlayEnhMetaFile(DeviceContext* dc, const EnhMetaFile* metafile, const Rect& rect) {
  if (!metafile) return 0;
  return PlayEmf(dc, metafile->bytes, static_cast<uint64_t>(metafile->size), rect);
}

EnhMetaFile* SetWinMetaFileBits(const uint8_t* bytes, int64_t size) {
  int64_t emfSize = 0;
  uint8_t* emf = WmfToEmf(bytes, size, &emfSize);
  if (!emf) return nullptr;
  return Wrap(emf, emfSize);
}

int64_t GetEnhMetaFileBits(const EnhMetaFile* metafile, uint8_t* buffer, int64_t size) {
  if (!metafile) return 0;
  if (!buffer) return metafile->size;
  if (size < metafile->size) return 0;
  std::memcpy(buffer, metafile->bytes, static_cast<size_t>(metafile->size));
  return metafile->size;
}

void DeleteEnhMetaFile(EnhMetaFile* metafile) {
  if (!metafile) return;
  std::free(metafile->bytes);
  std::free(metafile);
}

}  // namespace platform
