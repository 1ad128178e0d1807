// The result files of an analysis: propagation record (.pro), parameters
// (.par), evaluation line (.eva) and the per-port tables (.txt, .tex, .html).
#include "write/reports.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <utility>

#include "analysis/fixpoint.h"
#include "base/diagnostics.h"
#include "model/kinds.h"
#include "model/model.h"
#include "base/sidebyside.h"
#include "base/textout.h"

namespace {

double ratio(double a, double b) { return b != 0.0 ? a / b : 0.0; }

}  // namespace

// The circuit averages (as evalCon, evalObs and evalTst set them) and the bit
// counts of getNConNodes, getNObsNodes and getNTstNodes, in one walk.
// The shares, the global figures and the overheads of `m`, from its bit counts
// and mean values, and the circuit's pins and area.
static Measures withDerivedFigures(Measures m, const Circuit& c) {
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

Measures measuresOf(Circuit& c) {
  if (c.measureKind() == MeasureKind::FIXPOINT) return ownPortMeasures(c);
  double con = 0.0, obs = 0.0, tst = 0.0;
  long n = 0;
  int nC = 0, nO = 0, nT = 0;
  for (Item* i = c.getIList(); i; i = i->getNext())
    for (Port* p = i->getPList(); p; p = p->getNext()) {
      const int bits = p->getNBits();
      const bool controllable = p->getCon() > 0.0, observable = p->getObs() > 0.0;
      if (controllable) nC += bits;
      if (observable) nO += bits;
      if (controllable && observable) nT += bits;
      if (isControlInput(p->getType())) continue;
      con += p->getCon();
      obs += p->getObs();
      tst += p->getTst();
      ++n;
    }
  const double count = static_cast<double>(n);
  c.setCon(n ? con / count : 0.0);
  c.setObs(n ? obs / count : 0.0);
  c.setTst(n ? tst / count : 0.0);
  Measures m;
  m.total = c.getNPortBits();
  m.nC = nC;
  m.nO = nO;
  m.nT = nT;
  m.con = c.getCon();
  m.obs = c.getObs();
  return withDerivedFigures(m, c);
}

Measures ownPortMeasures(Circuit& c) {
  const OwnPortFigures f = ownPortFigures(c);
  c.setCon(f.con);
  c.setObs(f.obs);
  c.setTst(f.tst);
  Measures m;
  m.total = f.bits;
  m.nC = f.nC;
  m.nO = f.nO;
  m.nT = f.nT;
  m.con = f.con;
  m.obs = f.obs;
  return withDerivedFigures(m, c);
}

namespace {

// One result file: announces it on the console, opens it (reporting a
// failure), and reports a failed write when closed.
class ResultFile {
 public:
  ResultFile(const Circuit& c, const char* ext, const char* announcement, const ResultFiles& files)
      : name(resultFileName(c.getName(), ext)), diagnostics(files.diagnostics()) {
    std::printf(announcement, name.c_str());
    std::fflush(stdout);
    file = std::fopen(files.pathOf(name).c_str(), "w");
    if (!file) diagnostics.error("Can't write to '%s'!\n", name.c_str());
  }
  ~ResultFile() { close(); }
  // Closes the file without reporting anything, so that any thread may; a
  // failed write is reported by close().
  void finish() {
    if (!file) return;
    const bool failed = std::ferror(file) != 0;
    writeFailed = std::fclose(file) != 0 || failed;
    file = nullptr;
  }
  // Closes the file if still open, reporting a failed write.
  void close() {
    finish();
    if (writeFailed) diagnostics.error("Can't write to '%s'!\n", name.c_str());
    writeFailed = false;
  }
  ResultFile(const ResultFile&) = delete;
  ResultFile& operator=(const ResultFile&) = delete;

  explicit operator bool() const { return file != nullptr; }
  FILE* get() const { return file; }

 private:
  std::string name;
  Diagnostics& diagnostics;
  FILE* file = nullptr;
  bool writeFailed = false;
};

// Item kind letter of a .pro line, or null for a kind without one.
const char* itemLetter(item_type t) {
  const ItemKindInfo* k = itemKind(t);
  return k ? k->letter : nullptr;
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
void htmlCell(TextOut& out, double v, bool untestable) {
  if (untestable)
    out.put("<TD class=nontestport>");
  else if (v == 1.0)
    out.put("<TD class=testport>");
  else
    out.put("<TD>");
  out.putFixed(v).put("</TD>");
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


std::string resultFileName(const std::string& base, const char* ext) {
  std::string name = base;
  for (char& ch : name)
    if (ch == '/' || ch == '\\') ch = '_';
  return name + ext;
}

std::string ResultFiles::pathOf(const std::string& fileName) const {
  if (dir.empty()) return fileName;
  return dir.back() == '/' ? dir + fileName : dir + "/" + fileName;
}

FILE* openForRewrite(const std::string& path) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) return nullptr;
  FILE* f = ::fdopen(fd, "w");
  if (!f) ::close(fd);
  return f;
}

bool emptyForRewrite(FILE* f) {
  if (::ftruncate(::fileno(f), 0) == 0) return true;
  struct stat st {};
  return ::fstat(::fileno(f), &st) == 0 && !S_ISREG(st.st_mode);  // devices and pipes have nothing to drop
}

void emptyAnalysisFiles(const Circuit& c, const ResultFiles& files) {
  // A file that cannot be emptied here is reported when it is opened for writing.
  for (const char* ext : {".pro", ".txt", ".tex", ".html"})
    (void)::truncate(files.pathOf(resultFileName(c.getName(), ext)).c_str(), 0);
}

namespace {

// The .pro lines; returns how many ports belong to items of a kind with no letter.
long writePropagation(FILE* file, const Circuit& c) {
  long unknown = 0;
  TextOut f(file);
  for (Item* i = c.getIList(); i; i = i->getNext()) {
    const char* letter = itemLetter(i->getType());
    for (Port* p = i->getPList(); p; p = p->getNext()) {
      if (letter)
        f.put(letter);
      else
        ++unknown;
      f.put(portLetter(p->getType()));
      f.putName(p->getName()).put(' ');
      if (i->getType() == UUA) {
        f.put(p->getCon() == 1.0 ? "I(0.0) " : "-(0.0) ").put(p->getObs() == 1.0 ? "O(0.0);\n" : "-(0.0);\n");
        continue;
      }
      const Port* cs = p->getConSrc();
      const Port* os = p->getObsSrc();
      if (cs)
        f.putName(cs->getName());
      else
        f.put('-');
      f.put('(').putFixed(cs ? p->getCon() : 0.0).put(") ");
      if (os)
        f.putName(os->getName());
      else
        f.put('-');
      f.put('(').putFixed(os ? os->getObs() : 0.0).put(");\n");
    }
  }
  return unknown;
}

void reportUnknownKinds(long n, Diagnostics& diagnostics) {
  for (; n > 0; --n) diagnostics.error("Circuit::dumpPropagInfo - Unknown item type");
}

const char* const kProAnnouncement = "Writing propagation info to '%s' (ASCII text format)...\n";

}  // namespace

void writePropagationFile(const Circuit& c, const ResultFiles& files) {
  ResultFile out(c, ".pro", kProAnnouncement, files);
  if (out) reportUnknownKinds(writePropagation(out.get(), c), files.diagnostics());
}

void writeParameters(const Circuit& c, const Measures& m, const ResultFiles& files) {
  ResultFile out(c, ".par", "Writing circuit parameters to '%s' (ASCII text format)...\n", files);
  if (!out) return;
  TextOut f(out.get());
  f.put('\'').putName(c.getNotation()).put("' ").putLong(m.total).put(' ');
  for (const auto& [v, precision] : {std::pair{m.gt, 3}, {m.pctC, 1}, {m.pctO, 1}, {m.pinOver, 3}, {m.areaOver, 3},
                                     {c.getFitness(), 3}})
    f.putFixed(v, precision, 3).put(' ');
}

void writeEvaluation(const Circuit& c, const Measures& m, const ResultFiles& files) {
  ResultFile out(c, ".eva", "Writing circuit parameters to '%s' (ASCII text format)...\n", files);
  if (!out) return;
  TextOut f(out.get());
  f.putLong(m.total).put(' ');
  for (const auto& [v, precision] : {std::pair{m.gt, 3}, {m.con, 3}, {m.obs, 3}, {m.pctC, 1}, {m.pctO, 1}})
    f.putFixed(v, precision, 3).put(' ');
}

namespace {

void putTxtTable(FILE* file, const Circuit& c, const Measures& m) {
  TextOut f(file);
  f.printf("%s\t'%s' testability results\n%s", kRule60, c.getName().c_str(), kRule60);
  f.put("Port_name(bit_width) Con Obs Tst\n");
  forTableRows(c, [&f](const Port* p) {
    f.putName(p->getName()).put('(').putLong(p->getNBits()).put(") ");
    f.putFixed(p->getCon()).put(' ').putFixed(p->getObs()).put(' ').putFixed(shownTst(p)).put('\n');
  });
  f.printf("#Nodes(Total=%ld) C(%ld/%3.1lf%c) O(%ld/%3.1lf%c) T(%ld/%3.1lf%c)\n", m.total, m.nC, m.pctC,
               '%', m.nO, m.pctO, '%', m.nT, m.pctT, '%');
  f.printf("GlobalMeasures %lf %lf %lf\n", m.gc, m.go, m.gt);
}

void putTexTable(FILE* file, const Circuit& c, const Measures& m) {
  TextOut f(file);
  f.put("\\documentclass[6pt]{report}\n\\usepackage{longtable}\n\\begin{document}\n");
  f.printf("\n\\begin{center}\n'%s' testability results\n\\end{center}\n\n", c.getName().c_str());
  f.put(
      "\\begin{center}\n\\begin{longtable}{|c||c|c|c|}\n\\hline\n\\bfseries Port name (bit width)&\n"
      "\\bfseries Con. &\n\\bfseries Obs. &\n\\bfseries Tst. \\\\ \n\\hline\n");
  forTableRows(c, [&f](const Port* p) {
    f.put("\\verb( ").putName(p->getName()).put(" ( (").putLong(p->getNBits()).put(")& ");
    f.putFixed(p->getCon()).put(" & ").putFixed(p->getObs()).put(" & ");
    f.putFixed(shownTst(p)).put(" \\\\ \n\\hline\n");
  });
  f.printf("Nodes(Total=%ld) & C(%ld/%3.1lf%s) & O(%ld/%3.1lf%s) & T(%ld/%3.1lf%s) \\\\ \n\\hline\n",
               m.total, m.nC, m.pctC, "\\%", m.nO, m.pctO, "\\%", m.nT, m.pctT, "\\%");
  f.printf("Global measures & %lf & %lf & %lf \\\\ \n\\hline\n", m.gc, m.go, m.gt);
  f.put("\\end{longtable}\n\\end{center}\n\n\\end{document}\n");
}

void putHtmlTable(FILE* file, const Circuit& c, const Measures& m) {
  TextOut f(file);
  const char* name = c.getName().c_str();
  f.printf("<HTML>\n<HEAD>\n<TITLE>'%s' testability results</TITLE>\n\n<STYLE>\n\n", name);
  for (const StyleClass& s : kStyles) {
    f.put(s.name).put("\n{\n");
    for (const char* property : s.properties)
      if (property) f.put(property).put('\n');
    f.put(s.name == std::string(".TITLE") ? "}\n" : "}\n\n");
  }
  f.put("</STYLE>\n</HEAD>\n\n\n<BODY>\n\n<TABLE frame=border border=1 rules=all>\n");
  f.printf("<TR><TD class=title colspan=4>'%s' testability results</TD></TR>\n\n", name);
  f.put(
      "<TR class=header align=center valign=middle>\n<TD>Port name (bit width)</TD>\n<TD>Con.</TD>\n"
      "<TD>Obs.</TD>\n<TD>Tst.</TD\n</TR>\n\n<TBODY class=table align=center valign=middle>\n");
  forTableRows(c, [&f](const Port* p) {
    f.put("<TR><TD class=portname>").putName(p->getName()).put(" (").putLong(p->getNBits()).put(")</TD>");
    htmlCell(f, p->getCon(), p->getCon() == 0.0);
    htmlCell(f, p->getObs(), p->getObs() == 0.0);
    const double t = p->getTst();
    htmlCell(f, t, t == 0.0 || (t != 1.0 && p->getCon() * p->getObs() == 0.0));
  });
  f.printf("<TR><TR><TD class=header>#Nodes(Total=%ld)</TD><TD class=header>C(%ld/%3.1lf%c)</TD>"
               "<TD class=header>O(%ld/%3.1lf%c)</TD><TD class=header>T(%ld/%3.1lf%c)</TD></TR>\n",
               m.total, m.nC, m.pctC, '%', m.nO, m.pctO, '%', m.nT, m.pctT, '%');
  f.printf("<TR><TR><TD class=header>Global measures</TD><TD class=header>%lf</TD>"
               "<TD class=header>%lf</TD><TD class=header>%lf</TD></TR>\n",
               m.gc, m.go, m.gt);
  f.put(
      "<TR><TD class=comment colspan=4>Generated by TARVEX, the register-transfer level testability "
      "analysis tool</TD></TR>\n");
  f.put("\n</TBODY>\n</TABLE>\n</BODY>\n</HTML>\n");
}

const char* const kTxtAnnouncement = "Writing TA results to '%s' (ASCII text format)...\n";
const char* const kTexAnnouncement = "Writing TA results to '%s' (TEX format)...\n";
const char* const kHtmlAnnouncement = "Writing TA results to '%s' (HTML format)...\n";

}  // namespace

void writeTextTable(Circuit& c, const ResultFiles& files) {
  ResultFile out(c, ".txt", kTxtAnnouncement, files);
  if (out) putTxtTable(out.get(), c, measuresOf(c));
}

void writeTexTable(Circuit& c, const ResultFiles& files) {
  ResultFile out(c, ".tex", kTexAnnouncement, files);
  if (out) putTexTable(out.get(), c, measuresOf(c));
}

void writeHtmlTable(Circuit& c, const ResultFiles& files) {
  ResultFile out(c, ".html", kHtmlAnnouncement, files);
  if (out) putHtmlTable(out.get(), c, measuresOf(c));
}

void writeAnalysisFiles(const Circuit& c, const Measures& m, const ResultFiles& files) {
  // Announced and opened in order; a failed write is reported in order when closed.
  ResultFile pro(c, ".pro", kProAnnouncement, files);
  ResultFile txt(c, ".txt", kTxtAnnouncement, files);
  ResultFile tex(c, ".tex", kTexAnnouncement, files);
  ResultFile html(c, ".html", kHtmlAnnouncement, files);
  long unknown = 0;
  // Each file is closed as soon as it is written: closing a large file
  // starts its write-back, which then overlaps the other thread's work.
  runBeside(
      [&] {
        if (pro) unknown = writePropagation(pro.get(), c);
        pro.finish();
        if (txt) putTxtTable(txt.get(), c, m);
        txt.finish();
        if (tex) putTexTable(tex.get(), c, m);
        tex.finish();
      },
      [&] {
        if (html) putHtmlTable(html.get(), c, m);
        html.finish();
      });
  reportUnknownKinds(unknown, files.diagnostics());
  pro.close();
  txt.close();
  tex.close();
  html.close();
}
