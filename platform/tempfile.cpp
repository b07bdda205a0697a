#include "platform/tempfile.h"

#include <stdlib.h>
#include <unistd.h>
#include <cstdio>

namespace platform {

int CreateTempFile(const char* directory, char* name, size_t size) {
  int n = std::snprintf(name, size, "%s/kartex-XXXXXX", directory);
  if (n < 0 || static_cast<size_t>(n) >= size) return 0;
  int fd = mkstemp(name);
  if (fd < 0) {
    name[0] = '\0';
    return 0;
  }
  close(fd);
  return 1;
}

int DeleteFile(const char* name) { return name && *name && std::remove(name) == 0; }

}  // namespace platform
