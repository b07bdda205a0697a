// A 1-bit Canvas as a raw Group 3 fax stream (ITU-T T.4 one-dimensional coding).
#pragma once

#include "render/canvas.h"

// 1 when the file was created and written, 0 otherwise. With `invert` set, 0 bits
// code as black and 1 bits as white.
int WriteG3File(const Canvas& canvas, const char* fileName, int invert);
