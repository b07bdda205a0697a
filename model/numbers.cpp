#include "model/numbers.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <system_error>

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Whether a number that from_chars found out of range is too large rather
// than too small: the sign of its decimal magnitude decides, which is far
// from 0 on either side of the range.
bool TooLarge(const char* p, const char* last) {
  constexpr int64_t kExponentCap = 1000000;
  int64_t magnitude = 0;
  bool nonZero = false;
  bool afterPoint = false;
  for (; p < last && *p != 'e' && *p != 'E'; ++p) {
    if (*p == '.') {
      afterPoint = true;
    } else if (IsDigit(*p)) {
      nonZero = nonZero || *p != '0';
      if (nonZero && !afterPoint) ++magnitude;
      if (!nonZero && afterPoint) --magnitude;
    }
  }
  if (p < last) {
    ++p;
    const bool negative = p < last && *p == '-';
    if (p < last && (*p == '-' || *p == '+')) ++p;
    int64_t exponent = 0;
    for (; p < last && IsDigit(*p); ++p) exponent = std::min(exponent * 10 + (*p - '0'), kExponentCap);
    magnitude += negative ? -exponent : exponent;
  }
  return magnitude > 0;
}

}  // namespace

double ParseDecimal(const char* first, const char* last) {
  if (first < last && *first == '+') {
    ++first;
    if (first < last && *first == '-') return 0;  // strtod takes one sign only
  }
  double value = 0;
  const std::from_chars_result r = std::from_chars(first, last, value, std::chars_format::general);
  if (r.ec == std::errc::result_out_of_range) {
    const double size = TooLarge(first, r.ptr) ? HUGE_VAL : 0.0;
    return *first == '-' ? -size : size;
  }
  return r.ec == std::errc() ? value : 0;
}
