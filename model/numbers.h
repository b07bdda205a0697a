// Decimal numbers read from text without the process locale: the readers'
// one conversion, so a comma-decimal locale set by the user interface cannot
// change what a file means.
#pragma once

#include <cstdint>

// The number at `first` as the C library's strtod reads it in the "C" locale:
// an optional sign, digits with an optional point and exponent; the longest
// prefix that forms one. Values beyond the double range become +-HUGE_VAL,
// values below it 0. No number gives 0. Leading blanks are the caller's.
double ParseDecimal(const char* first, const char* last);

// digits x 10^scale, negated when `negative`, correctly rounded: true when
// that can be had from one multiplication or division, because the digits are
// at most 2^53 and the power of ten at most 10^22, both exact doubles. This is
// the value strtod gives for the same number written out; from_chars finds it
// at several times the cost. False, and `value` untouched, otherwise.
bool ExactDecimal(uint64_t digits, int scale, bool negative, double& value);
