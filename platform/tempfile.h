// Unique temporary files, created atomically.
#pragma once

#include <cstddef>

namespace platform {

// Creates a new empty file with a unique name in `directory` and stores its path
// in `name` (of `size` bytes). 1 on success, 0 when no file could be made.
int CreateTempFile(const char* directory, char* name, size_t size);

// Deletes a file; 1 when it is gone.
int DeleteFile(const char* name);

}  // namespace platform
