// Descriptions beyond the engine's size limits are refused with one counted
// error naming the place, before memory or time runs out.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "model/sizelimits.h"
#include "test_util.h"
#include "test_diagnostics.h"

namespace {

const char kHead[] =
    "CIR c a(in,8) y(out,8)\n"
    "ITM r(REG) d(in,8) c(clk,1) q(out,8)\n";

// The head, then one LINK line from `from` to `links` copies of r.d.
std::string linkLine(const char* from, long links) {
  std::string text = std::string("LINK ") + from + " ->";
  text.reserve(text.size() + static_cast<size_t>(links) * 4 + 1);
  for (long k = 0; k < links; ++k) text += " r.d";
  return text + "\n";
}

// A stream of endless comment lines, read through a FILE.
ssize_t endlessComments(void*, char* buf, size_t size) {
  for (size_t k = 0; k < size; ++k) buf[k] = (k % 64 == 63) ? '\n' : '/';
  return static_cast<ssize_t>(size);
}

TEST(Limits, FanOutAndFanInOfOnePortAreBounded) {
  {
    ErrorCapture errors;
    auto c = readText(kHead + linkLine("c.a", MAX_LINKS_PER_PORT + 1));
    EXPECT_EQ(testErrorCount(), 1);
    EXPECT_EQ(errors.text(), "ERROR(1): Port 'c.a' drives more than 1000000 links (line 3)!\n");
  }
  {
    ErrorCapture errors;
    const long half = MAX_LINKS_PER_PORT / 2;
    auto c = readText(kHead + linkLine("c.a", half) + linkLine("r.q", half + 1));
    EXPECT_EQ(testErrorCount(), 1);
    EXPECT_EQ(errors.text(), "ERROR(1): Port 'r.d' is driven by more than 1000000 links (line 4)!\n");
  }
  {
    ErrorCapture errors;
    auto c = readText(kHead + linkLine("c.a", MAX_LINKS_PER_PORT));
    ASSERT_TRUE(c);
    EXPECT_EQ(testErrorCount(), 0);
  }
}

TEST(Limits, DescriptionLongerThanTheByteLimitIsRefused) {
  {  // endless input: stops at the limit
    ErrorCapture errors;
    cookie_io_functions_t io{};
    io.read = endlessComments;
    FILE* in = fopencookie(nullptr, "r", io);
    ASSERT_TRUE(in);
    std::fflush(stdout);
    auto c = readCirData(in, testDiagnostics(), 64 * 1000);
    std::fclose(in);
    EXPECT_FALSE(c);
    EXPECT_EQ(errors.text(), "ERROR(1): Description longer than 64000 bytes (line 1001)!\n");
  }
  {  // exactly the limit is read
    ErrorCapture errors;
    const std::string text = std::string(kHead) + "LINK c.a -> r.d\n";
    FILE* in = fmemopen(const_cast<char*>(text.data()), text.size(), "r");
    std::fflush(stdout);
    auto c = readCirData(in, testDiagnostics(), static_cast<long>(text.size()));
    std::fclose(in);
    EXPECT_TRUE(c);
    EXPECT_EQ(testErrorCount(), 0);
  }
}

TEST(Limits, DeeplyNestedNameIsOneCountedError) {
  ErrorCapture errors;
  std::string name;
  for (int k = 0; k < 100000; ++k) name += "a.";
  auto c = readText(std::string(kHead) + "LINK " + name + "q -> r.d\n");
  EXPECT_EQ(testErrorCount(), 1);
  EXPECT_NE(errors.text().find("(line 3)"), std::string::npos) << errors.text();
}

}  // namespace

// The byte limit stops the reading at the character it names, wherever that
// falls: inside comments, tokens, CR LF line ends or between them.
TEST(Limits, EveryByteLimitStopsAtItsCharacter) {
  const std::string text =
      "// a comment line\r\n"
      "CIR top a(in,8) clk(clk,1) y(out,8)\n"
      "ITM r(REG) d(in,8) c(clk,1) q(out,8)   // trailing\n"
      "\n"
      "LINK top.a -> r.d\r\n"
      "LINK top.clk -> r.c\n"
      "LINK r.q -> top.y\n";
  // Characters as the reader counts them: a CR LF pair is one.
  std::string folded;
  for (size_t k = 0; k < text.size(); ++k)
    if (!(text[k] == '\r' && k + 1 < text.size() && text[k + 1] == '\n')) folded += text[k];
  for (long limit = 1; limit < static_cast<long>(folded.size()); ++limit) {
    ErrorCapture errors;
    FILE* in = fmemopen(const_cast<char*>(text.data()), text.size(), "r");
    std::fflush(stdout);
    auto c = readCirData(in, testDiagnostics(), limit);
    std::fclose(in);
    const long line = 1 + std::count(folded.begin(), folded.begin() + limit, '\n');
    EXPECT_EQ(errors.text(), "ERROR(1): Description longer than " + std::to_string(limit) + " bytes (line " +
                                 std::to_string(line) + ")!\n")
        << "limit " << limit;
  }
}
