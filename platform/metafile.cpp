#include "platform/metafile.h"

#include <cstdlib>
#include <cstring>

#include "platform/wmf.h"

namespace platform {

struct EnhMetaFile {
  uint8_t* bytes;
  int64_t size;
};

EnhMetaFile* SetWinMetaFileBits(const uint8_t* bytes, int64_t size) {
  int64_t emfSize = 0;
  uint8_t* emf = WmfToEmf(bytes, size, &emfSize);
  if (!emf) return nullptr;
  EnhMetaFile* metafile = static_cast<EnhMetaFile*>(std::malloc(sizeof(EnhMetaFile)));
  if (!metafile) {
    std::free(emf);
    return nullptr;
  }
  *metafile = {emf, emfSize};
  return metafile;
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
