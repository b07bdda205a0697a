// Decimal numbers read from text without the process locale: the readers'
// one conversion, so a comma-decimal locale set by the user interface cannot
// change what a file means.
#pragma once

// The number at `first` as the C library's strtod reads it in the "C" locale:
// an optional sign, digits with an optional point and exponent; the longest
// prefix that forms one. Values beyond the double range become +-HUGE_VAL,
// values below it 0. No number gives 0. Leading blanks are the caller's.
double ParseDecimal(const char* first, const char* last);
