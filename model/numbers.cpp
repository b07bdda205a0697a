#include "model/numbers.h"

#include <algorithm>
#include <array>
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

// Most numbers in a drawing are short decimals: up to 19 digits with a small
// power of ten, which ExactDecimal converts. Anything else is left to
// from_chars (false).
constexpr int kMaxFastDigits = 19;
constexpr uint64_t kMaxExactInteger = uint64_t{1} << 53;
constexpr int kMaxExactPower = 22;
constexpr int kExponentLimit = 10000;  // keeps the exponent's sum in range

constexpr auto kPowersOfTen = [] {
  std::array<double, kMaxExactPower + 1> powers{};
  double p = 1;
  for (double& power : powers) {
    power = p;
    p *= 10;
  }
  return powers;
}();

bool ParseShortDecimal(const char* p, const char* last, double& value) {
  const bool negative = p < last && *p == '-';
  if (negative) ++p;
  // More digits than fit wrap around harmlessly: their count turns them away.
  uint64_t digits = 0;
  const char* first = p;
  for (; p < last && IsDigit(*p); ++p) digits = digits * 10 + static_cast<uint64_t>(*p - '0');
  int64_t count = p - first;
  int scale = 0;  // the power of ten the digits are multiplied by
  if (p < last && *p == '.') {
    first = ++p;
    for (; p < last && IsDigit(*p); ++p) digits = digits * 10 + static_cast<uint64_t>(*p - '0');
    count += p - first;
    scale = -static_cast<int>(std::min<int64_t>(p - first, kMaxFastDigits + 1));
  }
  if (count == 0 || count > kMaxFastDigits) return false;
  if (p < last && (*p == 'e' || *p == 'E')) {
    const char* q = p + 1;
    const bool minus = q < last && *q == '-';
    if (q < last && (*q == '-' || *q == '+')) ++q;
    if (q < last && IsDigit(*q)) {  // else the number ends before the 'e'
      int exponent = 0;
      for (; q < last && IsDigit(*q); ++q) {
        exponent = exponent * 10 + (*q - '0');
        if (exponent >= kExponentLimit) return false;
      }
      scale += minus ? -exponent : exponent;
    }
  }
  return ExactDecimal(digits, scale, negative, value);
}

}  // namespace

bool ExactDecimal(uint64_t digits, int scale, bool negative, double& value) {
  if (digits > kMaxExactInteger || scale < -kMaxExactPower || scale > kMaxExactPower) return false;
  const double magnitude = static_cast<double>(digits);
  value = scale < 0 ? magnitude / kPowersOfTen[-scale] : magnitude * kPowersOfTen[scale];
  if (negative) value = -value;
  return true;
}

double ParseDecimal(const char* first, const char* last) {
  if (first < last && *first == '+') {
    ++first;
    if (first < last && *first == '-') return 0;  // strtod takes one sign only
  }
  double value = 0;
  if (ParseShortDecimal(first, last, value)) return value;
  const std::from_chars_result r = std::from_chars(first, last, value, std::chars_format::general);
  if (r.ec == std::errc::result_out_of_range) {
    const double size = TooLarge(first, r.ptr) ? HUGE_VAL : 0.0;
    return *first == '-' ? -size : size;
  }
  return r.ec == std::errc() ? value : 0;
}
