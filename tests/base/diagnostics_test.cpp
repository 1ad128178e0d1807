// Counted error messages: numbering, the stream they go to, and a restart.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "base/diagnostics.h"

namespace {

std::string contentOf(FILE* f) {
  std::fflush(f);
  std::rewind(f);
  std::string t;
  for (int ch; (ch = std::fgetc(f)) != EOF;) t.push_back(static_cast<char>(ch));
  return t;
}

TEST(Diagnostics, CountsAndNumbersEachErrorThenRestartsOnAnotherStream) {
  FILE* first = std::tmpfile();
  FILE* second = std::tmpfile();
  ASSERT_TRUE(first && second);
  Diagnostics d(first);
  EXPECT_TRUE(d.clean());
  d.error("bad %s\n", "one");
  d.error("bad %d\n", 2);
  EXPECT_EQ(d.count(), 2);
  EXPECT_FALSE(d.clean());

  d.restart(second);  // the same object: whoever holds it sees the new count
  EXPECT_TRUE(d.clean());
  EXPECT_EQ(d.stream(), second);
  d.error("again\n");
  EXPECT_EQ(d.count(), 1);
  EXPECT_EQ(contentOf(first), "ERROR(1): bad one\nERROR(2): bad 2\n");
  EXPECT_EQ(contentOf(second), "ERROR(1): again\n");
  std::fclose(first);
  std::fclose(second);
}

}  // namespace
