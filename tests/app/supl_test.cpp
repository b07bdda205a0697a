#include "app/supl.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "tests/support/support.h"

namespace {

using testing_support::TempDir;

TEST(SuplBread, MissingFileGivesNullAndSizeZero) {
  TempDir dir;
  int64_t size = 77;
  EXPECT_EQ(supl_bread(dir.File("missing").c_str(), &size), nullptr);
  EXPECT_EQ(size, 0);
}

TEST(SuplBread, ReadsWholeFilesIncludingEmptyOnes) {
  TempDir dir;
  testing_support::WriteFile(dir.File("a"), std::string(768, 'q'));
  testing_support::WriteFile(dir.File("empty"), std::string());
  int64_t size = 0;
  uint8_t* bytes = supl_bread(dir.File("a").c_str(), &size);
  ASSERT_NE(bytes, nullptr);
  EXPECT_EQ(size, 768);
  EXPECT_EQ(bytes[767], 'q');
  std::free(bytes);
  bytes = supl_bread(dir.File("empty").c_str(), &size);
  ASSERT_NE(bytes, nullptr);
  EXPECT_EQ(size, 0);
  std::free(bytes);
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
  char a[] = "\t  AB \t";
  TrimBlanks(a);
  EXPECT_STREQ(a, "AB");
  char b[] = " \t \t";
  TrimBlanks(b);
  EXPECT_STREQ(b, "");
  char c[] = "A B";
  TrimBlanks(c);
  EXPECT_STREQ(c, "A B");
  TrimBlanks(nullptr);
}

TEST(SwapRedBlue, StepsRowsAndExtraBytes) {
  uint8_t buffer[32];
  for (int i = 0; i < 32; ++i) buffer[i] = uint8_t(i);
  SwapRedBlue(buffer, 4, 2, 2, 8);
  uint8_t expected[32];
  for (int i = 0; i < 32; ++i) expected[i] = uint8_t(i);
  for (int at : {0, 4, 16, 20}) std::swap(expected[at], expected[at + 2]);
  EXPECT_EQ(std::memcmp(buffer, expected, 32), 0);
  SwapRedBlue(buffer, 4, 2, 0, 8);  // no rows: nothing
  EXPECT_EQ(std::memcmp(buffer, expected, 32), 0);
}

}  // namespace
