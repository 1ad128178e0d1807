// The result files of an analysis: propagation record (.pro), parameters
// (.par), evaluation line (.eva) and the per-port tables (.txt, .tex, .html).
#include "reports.h"

#include <cstdio>

#include "error.h"
#include "model.h"

namespace {

std::string resultFolder;

double ratio(double a, double b) { return b != 0.0 ? a / b : 0.0; }

}  // namespace

Measures measuresOf(Circuit& c) {
  c.evalCon();
  c.evalObs();
  c.evalTst();
  Measures m;
  m.total = c.getNPortBits();
  m.nC = c.getNConNodes();
  m.nO = c.getNObsNodes();
  m.nT = c.getNTstNodes();
  m.con = c.getCon();
  m.obs = c.getObs();
  const double total = static_cast<double>(m.total);
  const double rc = ratio(static_cast<double>(m.nC), total);
  const double ro = ratio(static_cast<double>(m.nO), total);
  m.pctC = rc * 100.0;
  m.pctO = ro * 100.0;
  m.pctT = ratio(static_cast<double>(m.nT), total) * 100.0;
  m.gc = 0.5 * rc * (1.0 + m.con);
  m.go = 0.5 * ro * (1.0 + m.obs);
  m.gt = 0.25 * rc * (1.0 + m.con) * ro * (1.0 + m.obs);
  if (c.getOrigNPIOs() != 0)
    m.pinOver = (static_cast<double>(c.getNPIOs()) / c.getOrigNPIOs() - 1.0) * 100.0;
  if (c.getOrigArea() != 0) m.areaOver = (static_cast<double>(c.getArea()) / c.getOrigArea() - 1.0) * 100.0;
  return m;
}

namespace {

// One result file: announces it on the console, opens it (reporting a
// failure), and reports a failed write when closed.
class ResultFile {
 public:
  ResultFile(const Circuit& c, const char* ext, const char* announcement)
      : name(resultFileName(c.getName(), ext)) {
    std::printf(announcement, name.c_str());
    std::fflush(stdout);
    file = std::fopen(resultPath(name).c_str(), "w");
    if (!file) error("Can't write to '%s'!\n", name.c_str());
  }
  ~ResultFile() {
    if (!file) return;
    const bool failed = std::ferror(file) != 0;
    if (std::fclose(file) != 0 || failed) error("Can't write to '%s'!\n", name.c_str());
  }
  ResultFile(const ResultFile&) = delete;
  ResultFile& operator=(const ResultFile&) = delete;

  explicit operator bool() const { return file != nullptr; }
  FILE* get() const { return file; }

 private:
  std::string name;
  FILE* file = nullptr;
};

// Item kind letter of a .pro line, or null for a kind without one.
const char* itemLetter(item_type t) {
  switch (t) {
    case UUA: return "U ";
    case ADD:
    case SUB:
    case MUL:
    case DIV:
    case COMP:
    case AND:
    case OR:
    case XOR:
    case NOT:
    case LOGIC:
    case REDUCE:
    case SHIFT:
    case ROM: return "F ";
    case REG: return "R ";
    case MUX: return "M ";
    case SREG: return "S ";
    case BILBO: return "B ";
    case LFSR: return "L ";
    default: return nullptr;
  }
}

const char* portLetter(port_type t) {
  switch (t) {
    case IN: return "I ";
    case OUT: return "O ";
    case INOUT: return "B ";
    case CIN_CLK:
    case CIN_SEL: return "C ";
    default: return "";
  }
}

// Testability shown in the .txt and .tex tables: 0 unless both con and obs are nonzero.
double shownTst(const Port* p) { return p->getCon() * p->getObs() != 0.0 ? p->getTst() : 0.0; }

// Calls `f` for every port with a row in the tables (all but control inputs).
template <class F>
void forTableRows(const Circuit& c, F f) {
  for (Item* i = c.getIList(); i; i = i->getNext())
    for (Port* p = i->getPList(); p; p = p->getNext())
      if (!isControlInput(p->getType())) f(p);
}

const char* const kRule60 = "------------------------------------------------------------\n";

// One HTML cell for a value: red when 0, green when exactly 1, plain otherwise.
void htmlCell(FILE* f, double v, bool untestable) {
  if (untestable)
    std::fprintf(f, "<TD class=nontestport>%lf</TD>", v);
  else if (v == 1.0)
    std::fprintf(f, "<TD class=testport>%lf</TD>", v);
  else
    std::fprintf(f, "<TD>%lf</TD>", v);
}

struct StyleClass {
  const char* name;
  const char* properties[8];
};

const StyleClass kStyles[] = {
    {".TABLE", {"font-family: verdana, sans-serif;", "font-size: 8pt;"}},
    {".TITLE",
     {"padding: 10pt;", "font-family: verdana, sans-serif;", "color: black;", "font-weight: normal;",
      "font-size: 12pt;", "text-align: center;", "background: lightblue;"}},
    {".HEADER",
     {"font-family: verdana, sans-serif;", "color: black;", "font-weight: bold;", "font-size: 10pt;",
      "text-align: center;", "background: #DDDDDD;"}},
    {".PORTNAME",
     {"font-family: verdana, sans-serif;", "color: black;", "font-weight: bold;", "font-size: 8pt;",
      "text-align: center;"}},
    {".NONTESTPORT",
     {"font-family: verdana, sans-serif;", "color: red;", "font-size: 8pt;", "text-align: center;"}},
    {".TESTPORT",
     {"font-family: verdana, sans-serif;", "color: black;", "font-size: 8pt;", "text-align: center;",
      "background: #BBFF77;"}},
    {".COMMENT",
     {"font-family: verdana, sans-serif;", "color: black;", "font-size: 6pt;", "text-align: center;"}},
};

}  // namespace

std::string setResultFolder(const std::string& folder) {
  std::string previous = resultFolder;
  resultFolder = folder;
  return previous;
}

std::string resultFileName(const std::string& base, const char* ext) {
  std::string name = base;
  for (char& ch : name)
    if (ch == '/' || ch == '\\') ch = '_';
  return name + ext;
}

std::string resultPath(const std::string& fileName) {
  if (resultFolder.empty()) return fileName;
  return resultFolder.back() == '/' ? resultFolder + fileName : resultFolder + "/" + fileName;
}

void Circuit::dumpPropagInfo() {
  ResultFile out(*this, ".pro", "Writing propagation info to '%s' (ASCII text format)...\n");
  if (!out) return;
  FILE* f = out.get();
  for (Item* i = ilist; i; i = i->getNext()) {
    const char* letter = itemLetter(i->getType());
    for (Port* p = i->getPList(); p; p = p->getNext()) {
      if (letter)
        std::fputs(letter, f);
      else
        error("Circuit::dumpPropagInfo - Unknown item type");
      std::fputs(portLetter(p->getType()), f);
      if (i->getType() == UUA) {
        std::fprintf(f, "%s %s %s;\n", p->getName().c_str(), p->getCon() == 1.0 ? "I(0.0)" : "-(0.0)",
                     p->getObs() == 1.0 ? "O(0.0)" : "-(0.0)");
        continue;
      }
      const Port* cs = p->getConSrc();
      const Port* os = p->getObsSrc();
      std::fprintf(f, "%s %s(%lf) %s(%lf);\n", p->getName().c_str(), cs ? cs->getName().c_str() : "-",
                   cs ? p->getCon() : 0.0, os ? os->getName().c_str() : "-", os ? os->getObs() : 0.0);
    }
  }
}

void Circuit::dumpResults() {
  ResultFile out(*this, ".par", "Writing circuit parameters to '%s' (ASCII text format)...\n");
  if (!out) return;
  const Measures m = measuresOf(*this);
  std::fprintf(out.get(), "'%s' %ld %3.3lf %3.1lf %3.1lf %3.3lf %3.3lf %3.3lf ", notation.c_str(), m.total,
               m.gt, m.pctC, m.pctO, m.pinOver, m.areaOver, fitness);
}

void Circuit::dumpResults2() {
  ResultFile out(*this, ".eva", "Writing circuit parameters to '%s' (ASCII text format)...\n");
  if (!out) return;
  const Measures m = measuresOf(*this);
  std::fprintf(out.get(), "%ld %3.3lf %3.3lf %3.3lf %3.1lf %3.1lf ", m.total, m.gt, m.con, m.obs, m.pctC,
               m.pctO);
}

void Circuit::dumpTAresultsTxt() {
  ResultFile out(*this, ".txt", "Writing TA results to '%s' (ASCII text format)...\n");
  if (!out) return;
  FILE* f = out.get();
  std::fprintf(f, "%s\t'%s' testability results\n%s", kRule60, name.c_str(), kRule60);
  std::fprintf(f, "Port_name(bit_width) Con Obs Tst\n");
  forTableRows(*this, [f](const Port* p) {
    std::fprintf(f, "%s(%ld) %lf %lf %lf\n", p->getName().c_str(), long{p->getNBits()}, p->getCon(),
                 p->getObs(), shownTst(p));
  });
  const Measures m = measuresOf(*this);
  std::fprintf(f, "#Nodes(Total=%ld) C(%ld/%3.1lf%c) O(%ld/%3.1lf%c) T(%ld/%3.1lf%c)\n", m.total, m.nC, m.pctC,
               '%', m.nO, m.pctO, '%', m.nT, m.pctT, '%');
  std::fprintf(f, "GlobalMeasures %lf %lf %lf\n", m.gc, m.go, m.gt);
}

void Circuit::dumpTAresultsTex() {
  ResultFile out(*this, ".tex", "Writing TA results to '%s' (TEX format)...\n");
  if (!out) return;
  FILE* f = out.get();
  std::fputs("\\documentclass[6pt]{report}\n\\usepackage{longtable}\n\\begin{document}\n", f);
  std::fprintf(f, "\n\\begin{center}\n'%s' testability results\n\\end{center}\n\n", name.c_str());
  std::fputs(
      "\\begin{center}\n\\begin{longtable}{|c||c|c|c|}\n\\hline\n\\bfseries Port name (bit width)&\n"
      "\\bfseries Con. &\n\\bfseries Obs. &\n\\bfseries Tst. \\\\ \n\\hline\n",
      f);
  forTableRows(*this, [f](const Port* p) {
    std::fprintf(f, "\\verb( %s ( (%ld)& ", p->getName().c_str(), long{p->getNBits()});
    std::fprintf(f, "%lf & ", p->getCon());
    std::fprintf(f, "%lf & ", p->getObs());
    std::fprintf(f, "%lf \\\\ \n\\hline\n", shownTst(p));
  });
  const Measures m = measuresOf(*this);
  std::fprintf(f, "Nodes(Total=%ld) & C(%ld/%3.1lf%s) & O(%ld/%3.1lf%s) & T(%ld/%3.1lf%s) \\\\ \n\\hline\n",
               m.total, m.nC, m.pctC, "\\%", m.nO, m.pctO, "\\%", m.nT, m.pctT, "\\%");
  std::fprintf(f, "Global measures & %lf & %lf & %lf \\\\ \n\\hline\n", m.gc, m.go, m.gt);
  std::fputs("\\end{longtable}\n\\end{center}\n\n\\end{document}\n", f);
}

void Circuit::dumpTAresultsHtml() {
  ResultFile out(*this, ".html", "Writing TA results to '%s' (HTML format)...\n");
  if (!out) return;
  FILE* f = out.get();
  std::fprintf(f, "<HTML>\n<HEAD>\n<TITLE>'%s' testability results</TITLE>\n\n<STYLE>\n\n", name.c_str());
  for (const StyleClass& s : kStyles) {
    std::fprintf(f, "%s\n{\n", s.name);
    for (const char* property : s.properties)
      if (property) std::fprintf(f, "%s\n", property);
    std::fputs(s.name == std::string(".TITLE") ? "}\n" : "}\n\n", f);
  }
  std::fputs("</STYLE>\n</HEAD>\n\n\n<BODY>\n\n<TABLE frame=border border=1 rules=all>\n", f);
  std::fprintf(f, "<TR><TD class=title colspan=4>'%s' testability results</TD></TR>\n\n", name.c_str());
  std::fputs(
      "<TR class=header align=center valign=middle>\n<TD>Port name (bit width)</TD>\n<TD>Con.</TD>\n"
      "<TD>Obs.</TD>\n<TD>Tst.</TD\n</TR>\n\n<TBODY class=table align=center valign=middle>\n",
      f);
  forTableRows(*this, [f](const Port* p) {
    std::fprintf(f, "<TR><TD class=portname>%s (%ld)</TD>", p->getName().c_str(), long{p->getNBits()});
    htmlCell(f, p->getCon(), p->getCon() == 0.0);
    htmlCell(f, p->getObs(), p->getObs() == 0.0);
    const double t = p->getTst();
    htmlCell(f, t, t == 0.0 || (t != 1.0 && p->getCon() * p->getObs() == 0.0));
  });
  const Measures m = measuresOf(*this);
  std::fprintf(f,
               "<TR><TR><TD class=header>#Nodes(Total=%ld)</TD><TD class=header>C(%ld/%3.1lf%c)</TD>"
               "<TD class=header>O(%ld/%3.1lf%c)</TD><TD class=header>T(%ld/%3.1lf%c)</TD></TR>\n",
               m.total, m.nC, m.pctC, '%', m.nO, m.pctO, '%', m.nT, m.pctT, '%');
  std::fprintf(f,
               "<TR><TR><TD class=header>Global measures</TD><TD class=header>%lf</TD>"
               "<TD class=header>%lf</TD><TD class=header>%lf</TD></TR>\n",
               m.gc, m.go, m.gt);
  std::fputs(
      "<TR><TD class=comment colspan=4>Generated by TARVEX, the register-transfer level testability "
      "analysis tool</TD></TR>\n",
      f);
  std::fputs("\n</TBODY>\n</TABLE>\n</BODY>\n</HTML>\n", f);
}
