// The printf-free number formatting of the result files, compared with the
// C library's "%.*lf" and "%W.Plf" on millions of values: uniform ones in the
// ranges the tables print, exact ties (values whose decimal expansion ends in
// 5 just past the last digit, which go to the even neighbour), their binary
// neighbours, 0 and -0, 1, very small, very large and non-finite numbers.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "base/textout.h"

namespace {

std::string viaPrintf(double v, int precision, int width) {
  char buf[400];
  std::snprintf(buf, sizeof buf, "%*.*lf", width, precision, v);
  return buf;
}

std::string viaTextOut(double v, int precision, int width) {
  TextOut out(nullptr);
  out.putFixed(v, precision, width);
  return out.text();
}

// Counts the values on which both disagree and shows the first few.
class Comparison {
 public:
  void check(double v, int precision, int width = 0) {
    ++checked;
    const std::string want = viaPrintf(v, precision, width);
    const std::string got = viaTextOut(v, precision, width);
    if (want == got) return;
    if (++failures <= 5)
      ADD_FAILURE() << "value " << std::hexfloat << v << " precision " << precision << ": printf '" << want
                    << "', TextOut '" << got << "'";
  }
  // Checks `v`, its neighbours and its negation at the three precisions the files use.
  void around(double v) {
    for (int precision : {6, 3, 1}) {
      const int width = precision == 6 ? 0 : 3;
      for (double x : {v, std::nextafter(v, 0.0), std::nextafter(v, HUGE_VAL)}) {
        check(x, precision, width);
        check(-x, precision, width);
      }
    }
  }
  long checked = 0;
  long failures = 0;
};

std::uint64_t splitmix(std::uint64_t& s) {
  std::uint64_t z = (s += 0x9E3779B97F4A7C15ULL);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
  return z ^ (z >> 31);
}

TEST(FixedFormat, SpecialValues) {
  Comparison c;
  const double inf = std::numeric_limits<double>::infinity();
  for (double v : {0.0, 1.0, 0.5, 0.25, 0.125, 0.0625, 1.5, 2.5, 0.0000005, 0.0000015, 0.0005, 0.05, 99.95,
                   100.0, 1e-300, 5e-324, std::numeric_limits<double>::min(), std::numeric_limits<double>::max(),
                   1e15, 1e22, 123456789.0000005, 1073741823.9999995, 1073741824.5, inf})
    c.around(v);
  c.check(std::nan(""), 6);
  c.check(-std::nan(""), 6);
  EXPECT_EQ(viaTextOut(-0.0, 6, 0), "-0.000000");
  EXPECT_EQ(viaTextOut(0.0078125, 6, 0), "0.007812");  // a tie goes to the even digit
  EXPECT_EQ(viaTextOut(0.5, 1, 3), "0.5");
  EXPECT_EQ(viaTextOut(5.0, 0, 3), "  5");
  EXPECT_EQ(c.failures, 0);
}

// Exact ties m * 2^-k at every precision the files print: their expansions
// end in 5 at the digit past the last one printed.
TEST(FixedFormat, ExactTiesAndTheirNeighbours) {
  Comparison c;
  std::uint64_t s = 11;
  for (int k = 1; k <= 24; ++k)
    for (int n = 0; n < 4000; ++n) {
      const double m = static_cast<double>(splitmix(s) % (std::uint64_t{1} << 30));
      c.around(std::ldexp(m, -k));
    }
  EXPECT_EQ(c.failures, 0);
  EXPECT_GT(c.checked, 1000000);
}

TEST(FixedFormat, MillionsOfRandomValues) {
  Comparison c;
  std::uint64_t s = 3;
  for (int n = 0; n < 1500000; ++n) {
    const std::uint64_t r = splitmix(s);
    const double unit = static_cast<double>(r >> 11) * 0x1p-53;  // [0, 1): con, obs, tst
    c.check(unit, 6);
    c.check(unit * 100.0, 1, 3);  // percentages
    c.check(unit * 1000.0 - 100.0, 3, 3);  // overheads, fitness
    if (n % 16 != 0) continue;
    // Any bit pattern: tiny, huge, subnormal, non-finite.
    double any;
    const std::uint64_t bits = splitmix(s);
    static_assert(sizeof any == sizeof bits);
    std::memcpy(&any, &bits, sizeof any);
    c.check(any, 6);
  }
  EXPECT_EQ(c.failures, 0);
  EXPECT_GE(c.checked, 4500000);
}

TEST(TextOut, IntegersTextAndFileBlocks) {
  TextOut mem(nullptr);
  mem.putLong(0).put(' ').putLong(-42).put(' ').putLong(std::numeric_limits<long>::min()).put(' ');
  mem.putName(std::string("a\0b", 3)).printf("|%s|%ld", "x", 7L);
  EXPECT_EQ(mem.text(), "0 -42 -9223372036854775808 a|x|7");

  // More than one block reaches the file in order.
  FILE* f = std::tmpfile();
  ASSERT_NE(f, nullptr);
  std::string expected;
  {
    TextOut out(f);
    for (int k = 0; k < 300000; ++k) {
      out.putLong(k).put(' ').putFixed(k / 7.0).put('\n');
      char line[64];
      std::snprintf(line, sizeof line, "%d %lf\n", k, k / 7.0);
      expected += line;
    }
    EXPECT_TRUE(out.flush());
  }
  std::rewind(f);
  std::string read(expected.size() + 1, '\0');
  read.resize(std::fread(read.data(), 1, read.size(), f));
  std::fclose(f);
  EXPECT_EQ(read, expected);
}

}  // namespace
