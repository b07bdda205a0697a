#include "app/supl.h"

#include <sys/stat.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {
// Whole files are held in memory and indexed with 32-bit offsets further on.
constexpr int64_t kMaxFileBytes = INT32_MAX;
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
  if (!fileName || !*fileName || size <= 0) return 0;
  std::FILE* file = std::fopen(fileName, "wb");
  if (!file) return 0;
  int ok = std::fwrite(buffer, static_cast<size_t>(size), 1, file) == 1;
  // A file cut short (a full disk) is removed rather than left looking whole;
  // only a regular file, never a device such as /dev/full.
  struct stat info;
  bool regular = fstat(fileno(file), &info) == 0 && S_ISREG(info.st_mode);
  if (std::fclose(file) != 0) ok = 0;
  if (!ok && regular) std::remove(fileName);
  return ok;
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
