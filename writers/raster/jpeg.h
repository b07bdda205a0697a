// A 24-bit Canvas as a baseline JFIF JPEG file.
#pragma once

#include "render/canvas.h"

// 1 on success, 0 on failure (the encoder's error text has been printed).
int WriteJpegFile(const Canvas& canvas, const char* fileName, int quality);
