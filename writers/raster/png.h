// A Canvas as a PNG file, encoded by libpng in memory and written in one piece.
#pragma once

#include "render/canvas.h"

// 1 on success, 0 on failure (a bad canvas, a size libpng refuses, no memory,
// a file that cannot be written whole); on failure no file is left behind.
// A 1- or 8-bit canvas is written with its palette. A 24-bit canvas of at most
// 256 colours is written with a palette of its own when that comes out
// smaller, otherwise as RGB; either decodes to the canvas's pixels.
int WritePngFile(const Canvas& canvas, const char* fileName);
