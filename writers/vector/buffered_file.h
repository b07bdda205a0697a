// An output file written through one buffer of our own: a small write costs a
// copy, and the stream sees one unbuffered write per full buffer instead of a
// locked fwrite per fragment. A failed write is remembered, later writes are
// dropped, and the close reports it, so a full disk fails the writer.
#pragma once

#include <cstddef>
#include <cstdio>
#include <cstring>

constexpr size_t kBufferedFileSize = size_t{64} << 10;

struct BufferedFile {
  std::FILE* file;
  size_t used;
  int failed;
  char bytes[kBufferedFileSize];
};

// Opens `fileName` for binary writing; 0 when it cannot be opened.
int OpenBufferedFile(BufferedFile& out, const char* fileName);

// Hands the buffered bytes to the file; marks the file failed when it refuses them.
void FlushBufferedFile(BufferedFile& out);

inline void BufferedWrite(BufferedFile& out, const void* bytes, size_t n) {
  if (n > kBufferedFileSize - out.used) {
    FlushBufferedFile(out);
    if (n > kBufferedFileSize) {
      if (!out.failed && std::fwrite(bytes, 1, n, out.file) != n) out.failed = 1;
      return;
    }
  }
  std::memcpy(out.bytes + out.used, bytes, n);
  out.used += n;
}

// Room for at least `n` bytes at out.bytes + out.used (n at most kBufferedFileSize),
// for a caller that formats in place and then advances `used` itself.
inline char* BufferedReserve(BufferedFile& out, size_t n) {
  if (n > kBufferedFileSize - out.used) FlushBufferedFile(out);
  return out.bytes + out.used;
}

// Writes what is buffered and closes; 1 when every write and the close succeeded.
// Safe to call on a file that never opened (returns 0).
int CloseBufferedFile(BufferedFile& out);
