#include "writers/vector/buffered_file.h"

int OpenBufferedFile(BufferedFile& out, const char* fileName) {
  out.used = 0;
  out.failed = 0;
  out.file = fileName ? std::fopen(fileName, "wb") : nullptr;
  // The stream's own buffer would only copy our full buffers a second time.
  if (out.file) std::setvbuf(out.file, nullptr, _IONBF, 0);
  return out.file != nullptr;
}

void FlushBufferedFile(BufferedFile& out) {
  if (out.used && !out.failed && std::fwrite(out.bytes, 1, out.used, out.file) != out.used) out.failed = 1;
  out.used = 0;
}

int CloseBufferedFile(BufferedFile& out) {
  if (!out.file) return 0;
  FlushBufferedFile(out);
  int ok = !out.failed && !std::ferror(out.file);
  if (std::fclose(out.file) != 0) ok = 0;
  out.file = nullptr;
  return ok;
}
