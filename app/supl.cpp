#include "app/supl.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {
// Whole files are held in memory and indexed with 32-bit offsets further on.
constexpr int64_t kMaxFileBytes = INT32_MAX;
// Below every system's IOV_MAX.
constexpr int kMaxPiecesPerCall = 512;
}  // namespace

uint8_t* supl_bread(const char* fileName, int64_t* size) {
  if (size) *size = 0;
  if (!fileName) return nullptr;
  std::FILE* file = std::fopen(fileName, "rb");
  if (!file) return nullptr;
  uint8_t* buffer = nullptr;
  long length = -1;
  // Only regular files have a size to read (a folder opens, but has none).
  struct stat info;
  bool regular = fstat(fileno(file), &info) == 0 && S_ISREG(info.st_mode);
  if (regular && std::fseek(file, 0, SEEK_END) == 0) length = std::ftell(file);
  if (length >= 0 && length <= kMaxFileBytes && std::fseek(file, 0, SEEK_SET) == 0) {
    // One spare byte so an empty file still gives a valid buffer.
    buffer = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(length) + 1));
    if (buffer && std::fread(buffer, 1, static_cast<size_t>(length), file) != static_cast<size_t>(length)) {
      std::free(buffer);
      buffer = nullptr;
    }
  }
  std::fclose(file);
  if (buffer && size) *size = length;
  return buffer;
}

int supl_bwrite(const char* fileName, const void* buffer, int64_t size) {
  SuplPiece whole{buffer, size};
  return supl_bwritev(fileName, &whole, 1);
}

int supl_bwritev(const char* fileName, const SuplPiece* pieces, int64_t count) {
  int64_t total = 0;
  for (int64_t i = 0; i < count; ++i) {
    if (pieces[i].size < 0 || (pieces[i].size > 0 && !pieces[i].data)) return 0;
    total += pieces[i].size;
  }
  if (!fileName || !*fileName || total <= 0) return 0;
  int fd = open(fileName, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return 0;
  bool ok = true;
  iovec batch[kMaxPiecesPerCall];
  int64_t next = 0, offset = 0;  // first piece not yet written whole, and how much of it is
  while (ok && next < count) {
    int n = 0;
    for (int64_t i = next; i < count && n < kMaxPiecesPerCall; ++i, ++n) {
      const int64_t skip = i == next ? offset : 0;
      batch[n].iov_base = const_cast<uint8_t*>(static_cast<const uint8_t*>(pieces[i].data) + skip);
      batch[n].iov_len = static_cast<size_t>(pieces[i].size - skip);
    }
    ssize_t written = writev(fd, batch, n);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      ok = false;
      break;
    }
    // Step over what went out; a short write resumes inside a piece.
    int64_t left = written;
    while (next < count && left >= pieces[next].size - offset) {
      left -= pieces[next].size - offset;
      offset = 0;
      ++next;
    }
    offset += left;
  }
  // A file cut short (a full disk) is removed rather than left looking whole;
  // only a regular file, never a device such as /dev/full.
  struct stat info;
  bool regular = fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
  if (close(fd) != 0) ok = false;
  if (!ok && regular) std::remove(fileName);
  return ok ? 1 : 0;
}

void TrimBlanks(char* string) {
  if (!string || !*string) return;
  char* first = string;
  while (*first == ' ' || *first == '\t') ++first;
  if (first != string) std::memmove(string, first, std::strlen(first) + 1);
  for (size_t n = std::strlen(string); n > 0 && (string[n - 1] == ' ' || string[n - 1] == '\t'); --n)
    string[n - 1] = '\0';
}

void SwapRedBlue(uint8_t* buffer, int step, int perRow, int rows, int extra) {
  if (rows < 1) return;
  for (int row = 0; row < rows; ++row) {
    for (int i = 0; i < perRow; ++i) {
      uint8_t t = buffer[0];
      buffer[0] = buffer[2];
      buffer[2] = t;
      buffer += step;
    }
    buffer += extra;
  }
}
