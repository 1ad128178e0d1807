#include <gtest/gtest.h>

#include <random>
#include <string>

#include "test_util.h"
#include "test_diagnostics.h"

namespace {

// A text picture of the whole circuit: items, ports and links in list order.
std::string describe(const Circuit& c) {
  std::string s = c.getName() + " area=" + std::to_string(c.getArea()) + "\n";
  for (Item* i = c.getIList(); i; i = i->getNext()) {
    s += "  item " + i->getName() + " kind=" + std::to_string(i->getType()) + "\n";
    for (Port* p = i->getPList(); p; p = p->getNext()) {
      s += "    port " + p->getName() + " " + std::to_string(p->getType()) + " " +
           std::to_string(p->getNBits()) + " ->";
      for (LinkToPort* l = p->getLinkToPortPtr(); l; l = l->getNext()) s += " " + l->getPort()->getName();
      s += "\n";
    }
  }
  return s;
}

int fanOutSize(const Port* p) {
  int n = 0;
  for (LinkToPort* l = p->getLinkToPortPtr(); l; l = l->getNext()) ++n;
  return n;
}

TEST(Reader, WorkedExampleBuildsTheDescribedCircuit) {
  ErrorCapture errors;
  auto c = readText(kWorkedExample);
  ASSERT_TRUE(c);
  EXPECT_EQ(testErrorCount(), 0);
  EXPECT_EQ(c->getName(), "ex");
  EXPECT_EQ(c->getNPins(), 16);
  EXPECT_EQ(c->getNPCins(), 1);
  EXPECT_EQ(c->getNPouts(), 8);
  EXPECT_EQ(c->getArea(), 120);
  EXPECT_EQ(c->getOrigArea(), 120);
  EXPECT_EQ(c->getOrigNPIOs(), 25);
  EXPECT_EQ(c->getNREGs(), 1);
  EXPECT_EQ(c->getNFUs(), 1);
  EXPECT_EQ(describe(*c),
            "ex area=120\n"
            "  item r1 kind=6\n"
            "    port r1.q 1 8 -> ex.y\n"
            "    port r1.c 3 1 ->\n"
            "    port r1.d 0 8 -> r1.q\n"
            "  item add1 kind=1\n"
            "    port add1.o 1 8 -> r1.d\n"
            "    port add1.i2 0 8 -> add1.o\n"
            "    port add1.i1 0 8 -> add1.o\n"
            "  item ex kind=0\n"
            "    port ex.y 1 8 ->\n"
            "    port ex.clk 3 1 -> r1.c\n"
            "    port ex.b 0 8 -> add1.i2\n"
            "    port ex.a 0 8 -> add1.i1\n");
}

TEST(Reader, BenchmarkReadsWithoutErrors) {
  ErrorCapture errors;
  FILE* in = std::fopen(TARVEX_EXAMPLES "/diffeq", "r");
  ASSERT_NE(in, nullptr);
  auto c = readCirData(in, testDiagnostics());
  std::fclose(in);
  ASSERT_TRUE(c);
  EXPECT_EQ(errors.text(), "");
  EXPECT_EQ(c->getName(), "diffeq");
  EXPECT_EQ(c->getNREGs(), 6);
  EXPECT_EQ(c->getNMUXs(), 6);
  EXPECT_EQ(c->getNFUs(), 5);
  // Register index 0 is the register described last.
  EXPECT_EQ(c->getRegPtr(0)->getName(), "reg6");
  EXPECT_EQ(c->getRegPtr(5)->getName(), "reg1");
}

TEST(Reader, EmptyOrCommentOnlyInputGivesNoCircuit) {
  ErrorCapture errors;
  EXPECT_FALSE(readText(""));
  EXPECT_FALSE(readText("// nothing here\n   \n\t// more\n"));
  EXPECT_EQ(testErrorCount(), 0);
}

struct BadLine {
  const char* text;
  const char* message;
};

class ReaderStops : public ::testing::TestWithParam<BadLine> {};

TEST_P(ReaderStops, WithTheMessageAndLine) {
  ErrorCapture errors;
  readText(GetParam().text);
  EXPECT_EQ(errors.text(), GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(
    Messages, ReaderStops,
    ::testing::Values(
        BadLine{"// c\n1CIR x\n", "ERROR(1): Alpha-char expected at the beginning of line 2!\n"},
        BadLine{"/x comment\n", "ERROR(1): '/' expected (line 1)"},
        BadLine{"cir top a(in,8)\n",
                "ERROR(1): Wrong ID at the begining of line 1! One of these IDs expected: CIR, ITM, LINK\n"},
        BadLine{"CIR top a(bus,8)\n", "ERROR(1): State 8: Unknown port type 'bus' (line 1)\n"},
        BadLine{"CIR top a(in,8)\nITM x(FOO) a(in,8)\n", "ERROR(1): State 52: Unknown item type 'FOO' (line 2)\n"},
        BadLine{"CIR top a(in,8)\nITM x(ADD) a(In,8)\n", "ERROR(1): State 55: Unknown port type 'In' (line 2)\n"},
        BadLine{"ITM x(ADD) a(in,8)\nCIR top\n",
                "ERROR(1): State 52: iptr is NULL. Can't make inner ipaths of item 'x'\n"},
        BadLine{"CIR top a(in,8) y(out,8)\nLINK top.a  -> top.y\n", "ERROR(1): '-' expected (line 2)"},
        BadLine{"CIR top a(in,8) y(out,8)\nLINK top.a -< top.y\n", "ERROR(1): '>' expected (line 2)"},
        // The line end that closes the last destination is already counted.
        BadLine{"CIR top a(in,8) y(out,8)\nLINK top.a -> top.z\n",
                "ERROR(1): pointer to top.z is NULL (Line 3)! Please check the port name.\n"},
        BadLine{"CIR top a(in,8) y(out,8)\nLINK top.a -> top.z top.y\n",
                "ERROR(1): pointer to top.z is NULL (Line 2)! Please check the port name.\n"},
        BadLine{"CIR top a(in,8) y(out,8)\n\n\nLINK nope.a -> top.y\n",
                "ERROR(1): iptr in Circuit::getPortPtr tries to acces a NULL pointer!\n"
                "ERROR(2): pointer to nope.a is NULL (Line 4)! Please check the port name.\n"},
        BadLine{"LINK top.a -> top.y\n",
                "ERROR(1): pointer to top.a is NULL (Line 1)! Please check the port name.\n"}));

TEST(Reader, AStopKeepsThePartialCircuit) {
  ErrorCapture errors;
  auto c = readText("CIR top a(in,8) y(out,8)\nITM r(REG) d(in,8) q(out,8)\nBAD x\nITM s(ADD)\n");
  ASSERT_TRUE(c);
  EXPECT_EQ(testErrorCount(), 1);
  EXPECT_NE(c->getItemPtr("r"), nullptr);
  EXPECT_EQ(c->getItemPtr("s"), nullptr);
  EXPECT_EQ(c->getOrigArea(), 0);  // set only when the whole input was read
}

TEST(Reader, NamesAndWidthsFollowTheTokenRules) {
  ErrorCapture errors;
  auto c = readText("CIR  top a(in,08) b(in,x) c(in, -0)\nITM  r1(REG) my d(in,8) q(out,8)\n");
  ASSERT_TRUE(c);
  EXPECT_EQ(testErrorCount(), 0);
  EXPECT_EQ(c->getName(), " top");  // the second blank starts the name
  EXPECT_EQ(c->getPortPtr(" top.a")->getNBits(), 8);
  EXPECT_EQ(c->getPortPtr(" top.b")->getNBits(), 0);
  EXPECT_EQ(c->getPortPtr(" top.c")->getNBits(), 0);
  ASSERT_NE(c->getItemPtr(" r1"), nullptr);
  EXPECT_NE(c->getPortPtr(" r1.my d"), nullptr);  // ITM port names keep their blanks
}

TEST(Reader, CirLineWithoutPortsContinuesOnTheNextLine) {
  ErrorCapture errors;
  auto c = readText("CIR top\n a(in,8) y(out,8)\n");
  ASSERT_TRUE(c);
  EXPECT_EQ(testErrorCount(), 0);
  EXPECT_EQ(c->getNPins(), 8);
  EXPECT_EQ(c->getNPouts(), 8);

  readText("CIR top\nITM r(REG) d(in,8)\n");
  EXPECT_EQ(errors.text(), "ERROR(1): State 8: Unknown port type 'REG) d(in' (line 2)\n");
}

TEST(Reader, ItemWithoutPortsStillGetsItsInnerPaths) {
  ErrorCapture errors;
  auto c = readText("CIR top a(in,8)\nITM f(ADD)\nITM r(REG)\nITM m(MUX) a(in,8)\n");
  ASSERT_TRUE(c);
  // The register's message is counted but the reader goes on.
  EXPECT_EQ(errors.text(),
            "ERROR(1): makeInnerIpaths(r): src dst points to NULL\n"
            "ERROR(2): makeInnerIpaths(m): dst points to NULL\n");
  EXPECT_NE(c->getItemPtr("m"), nullptr);
}

TEST(Reader, LastLineWithoutLineEnd) {
  ErrorCapture errors;
  auto c = readText("CIR top a(in,8) y(out,8)\nITM f(ADD) a(in,8) q(out,8)");
  ASSERT_TRUE(c);
  EXPECT_EQ(fanOutSize(c->getPortPtr("f.a")), 0);  // inner paths not made
  c = readText("CIR top a(in,8) y(out,8) z(out,8)\nLINK top.a -> top.y top.z");
  ASSERT_TRUE(c);
  EXPECT_EQ(fanOutSize(c->getPortPtr("top.a")), 1);  // last destination not linked
  EXPECT_EQ(testErrorCount(), 0);
}

TEST(Reader, LinkDestinations) {
  ErrorCapture errors;
  auto c = readText(
      "CIR top a(in,8) y(out,8) z(out,8) w(out,8)\n"
      "LINK top.a -> top.y   top.z\n"
      "LINK top.a ->\n"
      "   top.w\n");
  ASSERT_TRUE(c);
  EXPECT_EQ(testErrorCount(), 0);
  EXPECT_EQ(fanOutSize(c->getPortPtr("top.a")), 3);
  EXPECT_EQ(c->getPortPtr("top.a")->getLinkToPortPtr()->getPort()->getName(), "top.w");
}

TEST(Reader, SecondCirLineStartsANewCircuit) {
  ErrorCapture errors;
  auto c = readText(
      "CIR one a(in,8)\nITM r(REG) d(in,8) q(out,8)\n"
      "CIR two b(in,4)\nITM f(ADD) x(in,4) q(out,4)\n");
  ASSERT_TRUE(c);
  EXPECT_EQ(c->getName(), "two");
  EXPECT_EQ(c->getItemPtr("r"), nullptr);
  EXPECT_EQ(c->getNREGs(), 0);
  EXPECT_EQ(c->getNPins(), 4);
  EXPECT_EQ(c->getOrigArea(), 40);
  EXPECT_EQ(c->getOrigNPIOs(), 4);
}

TEST(Reader, WindowsLineEndsReadLikeUnixOnes) {
  std::string crlf;
  for (const char* p = kWorkedExample; *p; ++p) {
    if (*p == '\n') crlf += '\r';
    crlf += *p;
  }
  ErrorCapture errors;
  auto unix = readText(kWorkedExample);
  auto windows = readText(crlf);
  ASSERT_TRUE(unix);
  ASSERT_TRUE(windows);
  EXPECT_EQ(testErrorCount(), 0);
  EXPECT_EQ(describe(*windows), describe(*unix));
  EXPECT_EQ(windows->getOrigNPIOs(), unix->getOrigNPIOs());
}

TEST(Reader, OverlongTokensStopTheReading) {
  const std::string huge(100000, 'n');
  const std::string descriptions[] = {
      "CIR " + huge + " a(in,8)\n",
      "CIR top " + huge + "(in,8)\n",
      "CIR top a(" + huge + ",8)\n",
      "CIR top a(in," + std::string(100000, '1') + ")\n",
      "CIR top a(in,8)\nITM " + huge + "(ADD)\n",
      "CIR top a(in,8)\nLINK top." + huge + " -> top.a\n",
      "CIR top a(in,8)\nLINK top.a -> " + huge + ".a\n",
      huge + " top\n",
  };
  for (const std::string& d : descriptions) {
    ErrorCapture errors;
    auto c = readText(d);
    EXPECT_EQ(testErrorCount(), 1) << d.substr(0, 20);
    EXPECT_NE(errors.text().find("Token longer than 255 characters (line "), std::string::npos)
        << errors.text();
  }
  ErrorCapture errors;
  auto c = readText("CIR " + std::string(255, 'n') + " a(in,8)\n");  // the longest name that fits
  ASSERT_TRUE(c);
  EXPECT_EQ(testErrorCount(), 0);
}

TEST(Reader, WidthsOutOfRangeAreRejected) {
  ErrorCapture errors;
  readText("CIR top a(in,-8)\n");
  readText("CIR top a(in,99999999999999999999)\n");
  EXPECT_EQ(errors.text(),
            "ERROR(1): Port width '-8' out of range 0..65536 (line 1)!\n"
            "ERROR(2): Port width '99999999999999999999' out of range 0..65536 (line 1)!\n");
}

TEST(Reader, BinaryInputEndsWithCountedErrors) {
  ErrorCapture errors;
  readText(std::string("CIR top a(in,8)\n\0\0\0", 19));
  EXPECT_EQ(errors.text(), "ERROR(1): Alpha-char expected at the beginning of line 2!\n");

  std::mt19937 gen(12345);
  for (int round = 0; round < 300; ++round) {
    std::string junk;
    const size_t len = gen() % 400;
    for (size_t k = 0; k < len; ++k) junk += static_cast<char>(gen() % 256);
    if (round % 2) junk = "CIR top a(in,8) y(out,8)\nITM r(REG) d(in,8) q(out,8)\nLINK " + junk;
    readText(junk);  // must end, never crash (the sanitizer build checks the memory)
  }
}

}  // namespace

// Tokens and comments that straddle the reader's 64 KiB blocks read as whole
// tokens, and the token length limit holds across the boundary.
TEST(Reader, TokensAcrossBlockBoundaries) {
  const size_t block = size_t{1} << 16;
  for (size_t before : {size_t{1}, size_t{100}, size_t{254}, size_t{255}, size_t{256}}) {
    // A comment fills the first block up to `before` characters of the name.
    std::string text = "//" + std::string(block - 7 - before, 'c') + "\nCIR ";
    ASSERT_EQ(text.size(), block - before);
    for (size_t length : {size_t{255}, size_t{256}}) {
      const std::string name = std::string(length - 1, 'n') + "z";
      const std::string d = text + name + " a(in,8) y(out,8)\nITM add(ADD) i(in,8) o(out,8)\nLINK " + name +
                            ".a -> add.i\nLINK add.o -> " + name + ".y\n";
      ErrorCapture errors;
      auto c = readText(d);
      if (length == 255) {
        ASSERT_TRUE(c) << before << " " << errors.text();
        EXPECT_EQ(testErrorCount(), 0);
        EXPECT_EQ(c->getName(), name);
        EXPECT_NE(c->getPortPtr(name + ".y"), nullptr);
        EXPECT_NE(c->getPortPtr("add.o")->getLinkToPortPtr(), nullptr);
      } else {
        EXPECT_EQ(errors.text(), "ERROR(1): Token longer than 255 characters (line 2)!\n") << before;
      }
    }
  }
}

namespace {

// A circuit with `n` adders and a LINK line per adder input; `fault` (the
// text of one more line) is inserted before LINK line `at`.
std::string linkRun(int n, int at, const std::string& fault) {
  std::string d = "CIR top a(in,8) y(out,8)\n";
  for (int k = 0; k < n; ++k) d += "ITM add" + std::to_string(k) + "(ADD) i(in,8) o(out,8)\n";
  for (int k = 0; k < n; ++k) {
    if (k == at) d += fault;
    d += "LINK top.a -> add" + std::to_string(k) + ".i\n";
  }
  return d;
}

int linksFrom(const Circuit& c, const std::string& port) { return fanOutSize(c.getPortPtr(port)); }

}  // namespace

// Link endpoints are looked up in batches of consecutive LINK lines; what is
// read after a failing endpoint must stay unseen, and what comes before a
// fault must be linked before the fault's message.
TEST(Reader, LongLinkRunsKeepTheOrderOfLinksAndMessages) {
  const int lines = 3 * 256 + 17;  // several batches of endpoints
  const int headerLines = 1 + lines;
  {
    ErrorCapture errors;
    auto c = readText(linkRun(lines, -1, ""));
    ASSERT_TRUE(c);
    EXPECT_EQ(testErrorCount(), 0);
    EXPECT_EQ(linksFrom(*c, "top.a"), lines);
    // Newest first: the last LINK line's target heads the list.
    EXPECT_EQ(c->getPortPtr("top.a")->getLinkToPortPtr()->getPort()->getName(), "add" + std::to_string(lines - 1) + ".i");
    EXPECT_NE(c->getOrigArea(), 0);
  }
  for (int at : {0, 1, 127, 128, 255, 256, 600}) {
    SCOPED_TRACE(at);
    // A missing port: the links before it are made, nothing after it is read.
    {
      ErrorCapture errors;
      auto c = readText(linkRun(lines, at, "LINK top.a -> add0.z\n1 junk\nLINK top.b -> top.y\n"));
      ASSERT_TRUE(c);
      EXPECT_EQ(errors.text(), "ERROR(1): pointer to add0.z is NULL (Line " + std::to_string(headerLines + at + 2) +
                                   ")! Please check the port name.\n");
      EXPECT_EQ(linksFrom(*c, "top.a"), at);
      EXPECT_EQ(c->getOrigArea(), 0);
    }
    // A missing item in a source: its two messages, nothing after it.
    {
      ErrorCapture errors;
      auto c = readText(linkRun(lines, at, "LINK gone.a -> top.y\n"));
      EXPECT_EQ(errors.text(),
                "ERROR(1): iptr in Circuit::getPortPtr tries to acces a NULL pointer!\n"
                "ERROR(2): pointer to gone.a is NULL (Line " + std::to_string(headerLines + at + 1) +
                    ")! Please check the port name.\n");
      EXPECT_EQ(linksFrom(*c, "top.a"), at);
    }
    // A syntax fault after good links: they are made first.
    for (const char* fault : {"1 junk\n", "/x\n", "ITM bad(FOO)\n", "LINK top.a => top.y\n"}) {
      ErrorCapture errors;
      auto c = readText(linkRun(lines, at, fault));
      ASSERT_TRUE(c);
      EXPECT_EQ(testErrorCount(), 1) << fault;
      EXPECT_EQ(linksFrom(*c, "top.a"), at) << fault;
    }
  }
  // The end of the input with links pending, and a description cut inside a LINK line.
  {
    ErrorCapture errors;
    std::string d = linkRun(300, -1, "");
    d += "LINK top.a -> add1";
    auto c = readText(d);
    ASSERT_TRUE(c);
    EXPECT_EQ(errors.text(), "");
    EXPECT_EQ(linksFrom(*c, "top.a"), 300);
  }
}

// An item declared between LINK lines is found by the links after it.
TEST(Reader, ItemsBetweenLinkLinesAreFoundByLaterLinks) {
  ErrorCapture errors;
  auto c = readText(linkRun(300, 200, "ITM late(ADD) i(in,8) o(out,8)\nLINK top.a -> late.i\n"));
  ASSERT_TRUE(c);
  EXPECT_EQ(testErrorCount(), 0);
  EXPECT_EQ(linksFrom(*c, "top.a"), 301);
  EXPECT_EQ(linksFrom(*c, "late.i"), 1);  // its inner path to late.o
}
