#include "model/numbers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace {

// Bit for bit what strtod makes of the same text, for the short decimals that
// take the fast path and the long or far ones that do not.
TEST(ParseDecimal, MatchesStrtod) {
  std::vector<std::string> texts = {"0",
                                    "-0",
                                    "-0.000",
                                    "1.",
                                    ".5",
                                    "-.5e1",
                                    "1e",
                                    "1e+",
                                    "2.5E-3",
                                    "1e22",
                                    "1e23",
                                    "9007199254740993",
                                    "0.1",
                                    "123.456x",
                                    "1234567890123456789",
                                    "12345678901234567890",
                                    "4.35e-22",
                                    "1e-23",
                                    "1.7976931348623157e308",
                                    "1e400",
                                    "-2.5e400",
                                    "-1e-400",
                                    "0.000000000000000000001",
                                    "+-1",
                                    "+2",
                                    "-",
                                    ".",
                                    "e5",
                                    "1.2.3"};
  std::mt19937_64 random(7);
  for (int i = 0; i < 3000; ++i) {
    std::string t = i % 3 ? "-" : "";
    t += std::to_string(random() % (uint64_t{1} << (random() % 64)));
    if (i % 2) t.insert(t.size() - std::min<size_t>(random() % 4, t.size() - 1), ".");
    if (i % 5 == 0) t += "e" + std::to_string(static_cast<int>(random() % 60) - 30);
    texts.push_back(t);
  }
  for (const std::string& t : texts) {
    double expected = std::strtod(t.c_str(), nullptr);
    EXPECT_EQ(std::bit_cast<uint64_t>(ParseDecimal(t.data(), t.data() + t.size())), std::bit_cast<uint64_t>(expected))
        << t;
  }
}

}  // namespace
