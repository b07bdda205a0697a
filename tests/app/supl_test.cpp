#include "app/supl.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "tests/support/support.h"

namespace {

using testing_support::TempDir;

TEST(SuplBread, WholeFilesEmptyFilesAndFailures) {
  TempDir dir;
  int64_t size = 77;
  EXPECT_EQ(supl_bread(dir.File("missing").c_str(), &size), nullptr);
  EXPECT_EQ(size, 0);
  testing_support::WriteFile(dir.File("a"), std::string(768, 'q'));
  testing_support::WriteFile(dir.File("empty"), std::string());
  for (auto [name, expected] : {std::pair{"a", 768}, {"empty", 0}}) {
    uint8_t* bytes = supl_bread(dir.File(name).c_str(), &size);
    ASSERT_NE(bytes, nullptr) << name;
    EXPECT_EQ(size, expected);
    if (expected) { EXPECT_EQ(bytes[767], 'q'); }
    std::free(bytes);
  }
  EXPECT_EQ(supl_bread(dir.path().c_str(), &size), nullptr);  // a folder is not a file
}

TEST(SuplBwrite, RefusesEmptyNameAndSizeAndWritesWholeBuffers) {
  TempDir dir;
  const char data[] = "abc";
  EXPECT_EQ(supl_bwrite("", data, 3), 0);
  EXPECT_EQ(supl_bwrite(nullptr, data, 3), 0);
  EXPECT_EQ(supl_bwrite(dir.File("zero").c_str(), data, 0), 0);
  EXPECT_EQ(supl_bwrite(dir.File("x/y").c_str(), data, 3), 0);
  EXPECT_EQ(supl_bwrite(dir.File("ok").c_str(), data, 3), 1);
  EXPECT_EQ(testing_support::ReadText(dir.File("ok")), "abc");
}

TEST(TrimBlanks, BothEnds) {
  for (auto [in, out] : {std::pair{"\t  AB \t", "AB"}, {" \t \t", ""}, {"A B", "A B"}}) {
    std::string s = in;
    TrimBlanks(s.data());
    EXPECT_STREQ(s.c_str(), out) << in;
  }
  TrimBlanks(nullptr);
}

TEST(SwapRedBlue, StepsRowsAndExtraBytes) {
  uint8_t buffer[32], expected[32];
  for (int i = 0; i < 32; ++i) buffer[i] = expected[i] = uint8_t(i);
  SwapRedBlue(buffer, 4, 2, 2, 8);
  for (int at : {0, 4, 16, 20}) std::swap(expected[at], expected[at + 2]);
  EXPECT_EQ(std::memcmp(buffer, expected, 32), 0);
  SwapRedBlue(buffer, 4, 2, 0, 8);  // no rows: nothing
  EXPECT_EQ(std::memcmp(buffer, expected, 32), 0);
}

}  // namespace
