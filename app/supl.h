// Small whole-file and string routines shared by readers, writers and the front end.
#pragma once

#include <cstdint>

// Reads the whole file into a new buffer (released with std::free), or returns
// null and stores 0 through `size`. An empty file gives a valid zero-length buffer.
uint8_t* supl_bread(const char* fileName, int64_t* size);

// Writes `size` bytes in one call; 1 when all were written, else 0 (also for an
// empty name or a size of 0). A regular file that could not be written whole
// is removed.
int supl_bwrite(const char* fileName, const void* buffer, int64_t size);

// The same for a file gathered from `count` pieces, written in their order
// without first copying them into one buffer.
struct SuplPiece {
  const void* data;
  int64_t size;
};
int supl_bwritev(const char* fileName, const SuplPiece* pieces, int64_t count);

// Removes leading and trailing spaces and tabs in place.
void TrimBlanks(char* string);

// Exchanges the first and third byte of `perRow` elements `step` bytes apart,
// in `rows` rows followed by `extra` bytes each.
void SwapRedBlue(uint8_t* buffer, int step, int perRow, int rows, int extra);
