// Windows metafiles to enhanced metafiles: our own stand-in for the platform's
// conversion. The picture's logical window (its window records, or the box of
// its coordinates) maps onto device units one for one, its corner at (0, 0),
// y downwards; the header's bounds are that box. The caller removes any
// placeable header first.
#pragma once

#include <cstdint>

#include "platform/read_report.h"

namespace platform {

// The EMF bytes (malloc'd; the caller frees them) and their count in
// `emfSize`; null when the bytes are not a Windows metafile or the result
// would exceed kMaxEmfBytes. The report, when given, receives the cause and
// the index of the record being converted.
uint8_t* WmfToEmf(const uint8_t* wmf, int64_t size, int64_t* emfSize, ReadReport* report = nullptr);

constexpr int64_t kMaxEmfBytes = int64_t{1} << 30;

}  // namespace platform
