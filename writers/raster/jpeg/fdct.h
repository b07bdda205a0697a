// The 8 x 8 forward DCT in fixed point: a row pass, then a column pass.
#pragma once

#include <cstdint>

namespace jpeg {

// In place on one row-major block of level-shifted samples; the result is the
// DCT of T.81 A.3.3 within rounding (a constant block of k gives 8k at [0]).
void ForwardDct8x8(int16_t block[64]);

// The same transform written one row or column at a time, kept as the
// reference the fast version must match bit for bit.
void ForwardDct8x8Reference(int16_t block[64]);

// The vectorised version for processors without the AVX2 path.
void ForwardDct8x8Portable(int16_t block[64]);

}  // namespace jpeg
