#include "app/supl.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tests/support/support.h"

namespace {

TEST(SuplBread, WholeFilesEmptyFilesAndFailures) {
  testing_support::TempDir dir;
  int64_t size = 77;
  EXPECT_EQ(supl_bread(dir.File("missing").c_str(), &size), nullptr);
  EXPECT_EQ(size, 0);
  EXPECT_EQ(supl_bread(dir.path().c_str(), &size), nullptr);  // a folder is not a file
  for (const std::string& bytes : {std::string(768, 'q'), std::string()}) {
    testing_support::WriteFile(dir.File("a"), bytes);
    uint8_t* read = supl_bread(dir.File("a").c_str(), &size);
    ASSERT_NE(read, nullptr) << bytes.size();
    EXPECT_EQ(std::string(read, read + size), bytes);
    std::free(read);
  }
}

TEST(SuplBwrite, RefusesEmptyNameAndSizeAndWritesWholeBuffers) {
  testing_support::TempDir dir;
  EXPECT_EQ(supl_bwrite("", "abc", 3), 0);
  EXPECT_EQ(supl_bwrite(nullptr, "abc", 3), 0);
  EXPECT_EQ(supl_bwrite(dir.File("zero").c_str(), "abc", 0), 0);
  EXPECT_EQ(supl_bwrite(dir.File("x/y").c_str(), "abc", 3), 0);
  EXPECT_EQ(supl_bwrite(dir.File("ok").c_str(), "abc", 3), 1);
  EXPECT_EQ(testing_support::ReadText(dir.File("ok")), "abc");
}

// A file cut short (here by a file-size limit, as a full disk would) is removed.
TEST(SuplBwrite, RemovesAFileItCouldNotWriteWhole) {
  testing_support::TempDir dir;
  rlimit saved{};
  getrlimit(RLIMIT_FSIZE, &saved);
  rlimit small = saved;
  small.rlim_cur = 4096;
  std::signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  std::string big(1 << 20, 'b');
  int written = supl_bwrite(dir.File("cut").c_str(), big.data(), int64_t(big.size()));
  setrlimit(RLIMIT_FSIZE, &saved);
  EXPECT_EQ(written, 0);
  EXPECT_TRUE(dir.List().empty());
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
