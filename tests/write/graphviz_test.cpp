// The Graphviz export; every file written here must be accepted by `dot`.
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "write/reports.h"
#include "test_util.h"
#include "test_diagnostics.h"

namespace {

namespace fs = std::filesystem;

class Graphviz : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("tarvex_dot_" + std::to_string(::getpid()) + "_" +
                                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
    previous = setTestResultFolder(dir.string());
  }
  void TearDown() override {
    // Every graph written by a test goes through dot.
    const std::string err = dir.string() + ".err";
    for (const auto& e : fs::directory_iterator(dir)) {
      if (e.path().extension() != ".dot") continue;
      const std::string cmd = "dot -Tsvg -o /dev/null '" + e.path().string() + "' 2>'" + err + "'";
      EXPECT_EQ(std::system(cmd.c_str()), 0) << e.path() << "\n" << read(err);
    }
    fs::remove(err);
    setTestResultFolder(previous);
    fs::remove_all(dir);
  }
  static std::string read(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  // Exports the description and returns the graph text.
  std::string exportOf(const std::string& description, const std::string& file) {
    auto c = readText(description);
    exportGraphviz(*c, testFiles());
    return read(dir / file);
  }

  fs::path dir;
  std::string previous;
};

TEST(GraphvizName, ReplacesSeparators) {
  const std::string first = graphvizName("add1.i1");
  EXPECT_EQ(graphvizName("a.b.c"), "a_b_c");
  EXPECT_EQ(first, "add1_i1");  // each name is its own string
  const std::string longName(300, '.');
  EXPECT_EQ(graphvizName(longName), std::string(300, '_'));
}

TEST_F(Graphviz, EdgesClustersAndLabels) {
  ErrorCapture errors;
  const std::string dot = exportOf(
      "CIR t x(in,16) y(out,16) clk(clk,1) s(sel,1) z(out,16)\n"
      "ITM m(MUX) p(in,16) r(in,16) s(sel,1) q(out,16)\n"
      "ITM r(REG) d(in,16) c(clk,1) q(out,16)\n"
      "LINK t.x -> m.p t.y\nLINK t.s -> m.s\nLINK m.q -> r.d\nLINK r.q -> m.r r.d\n"
      "LINK t.clk -> r.c\nLINK r.q -> t.z\n",
      "t.dot");
  EXPECT_EQ(dot.rfind("digraph t {\n", 0), 0u);
  // The inner paths of the multiplexer inside its cluster, with their widths.
  EXPECT_NE(dot.find("\t\tsubgraph cluster_m {style=filled; color=lightgrey; node [style=filled, color=white]; "
                     "m_q;  m_s; m_r -> m_q [style=bold, label=\"16\"]; m_p -> m_q [style=bold, label=\"16\"];"
                     " label=\"m\";}\n"),
            std::string::npos);
  // ... and never among the edges; the register's loop onto itself is one.
  EXPECT_EQ(dot.find("\t\tm_p -> m_q"), std::string::npos);
  EXPECT_NE(dot.find("\t\tr_q -> r_d [style=bold, label=\"16\"];\n"), std::string::npos);
  // One-bit edges: no attributes, no line end.
  EXPECT_NE(dot.find("\t\tt_s -> m_s \t\tt_clk -> r_c \t\tt_x"), std::string::npos);
  // A primary input wired straight to a primary output is drawn too.
  EXPECT_NE(dot.find("\t\tt_x -> t_y [style=bold, label=\"16\"];\n"), std::string::npos);
  EXPECT_EQ(errors.text(), "");

  Circuit dotted("a.b");
  exportGraphviz(dotted, testFiles());
  EXPECT_EQ(read(dir / "a_b.dot").rfind("digraph a_b {\n", 0), 0u);
}

TEST_F(Graphviz, NamesThatAreNotIdentifiersAreQuoted) {
  ErrorCapture errors;
  // Item names may hold spaces and quotes; names may start with a digit or be keywords.
  const std::string dot = exportOf(
      "CIR node 1a(in,8) y(out,8)\n"
      "ITM my \"add\"\\(ADD) i(in,8) j(in,8) o(out,8)\n"
      "LINK node.1a -> my \"add\"\\.i\nLINK my \"add\"\\.o -> node.y\n",
      "node.dot");
  EXPECT_EQ(dot.rfind("digraph \"node\" {\n", 0), 0u);
  EXPECT_NE(dot.find("subgraph \"cluster_my \\\"add\\\"\\\\\" {"), std::string::npos);
  EXPECT_NE(dot.find("\"my \\\"add\\\"\\\\_j\" -> \"my \\\"add\\\"\\\\_o\""), std::string::npos);
  EXPECT_NE(dot.find("\t\tnode_1a -> \"my \\\"add\\\"\\\\_i\" [style=bold"), std::string::npos);
  EXPECT_NE(dot.find(" label=\"my \\\"add\\\"\\\\\";}"), std::string::npos);
}

TEST_F(Graphviz, ScanChainsAndTheBenchmark) {
  ErrorCapture errors;
  auto c = readText(
      "CIR s a(in,8) clk(clk,1) y(out,8)\nITM r(REG) d(in,8) c(clk,1) q(out,8)\n"
      "LINK s.a -> r.d\nLINK s.clk -> r.c\nLINK r.q -> s.y\n");
  Item* r = c->getItemPtr("r");
  r->toSreg();
  c->addPrimaryPort("SCAN_IN0", 1, IN)->addToPort(c->getPortPtr("r.SCAN_IN"));
  c->getPortPtr("r.SCAN_OUT")->addToPort(nullptr);  // a broken link is reported and skipped
  exportGraphviz(*c, testFiles());
  const std::string dot = read(dir / "s.dot");
  EXPECT_NE(dot.find("s_SCAN_IN0 -> r_SCAN_IN "), std::string::npos);
  EXPECT_EQ(errors.text(), "ERROR(1): Circuit::exportGraphviz(): lptr->getPort() is NULL");
  FILE* in = std::fopen(TARVEX_EXAMPLES "/diffeq", "r");
  auto diffeq = readCirData(in, testDiagnostics());
  std::fclose(in);
  exportGraphviz(*diffeq, testFiles());
}

}  // namespace
