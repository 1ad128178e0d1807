// Numbered names in reading order: the order of the block tables' rows.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/natural_order.h"

TEST(NaturalOrder, NumbersCompareByValueTextByCharacter) {
  std::vector<std::string> names = {"u10", "u2", "u1.u10", "u1", "u1.u9", "v", "u02", "u_b", "u_a", "u100", "u9x"};
  std::sort(names.begin(), names.end(), NaturalLess());
  EXPECT_EQ(names, (std::vector<std::string>{"u1", "u1.u9", "u1.u10", "u02", "u2", "u9x", "u10", "u100", "u_a", "u_b",
                                             "v"}));
  EXPECT_FALSE(naturalLess("u2", "u2"));
  EXPECT_TRUE(naturalLess("", "a"));
  EXPECT_FALSE(naturalLess("a", ""));
  // Digit runs longer than any integer still compare by value.
  EXPECT_TRUE(naturalLess("r99999999999999999999999", "r100000000000000000000000"));
  // Leading zeros: equal values, ordered by text so that the order stays strict.
  EXPECT_NE(naturalLess("u01", "u1"), naturalLess("u1", "u01"));
}
