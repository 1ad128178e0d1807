// Export of the circuit structure as a Graphviz "dot" graph: one cluster of
// ports per item (inner paths inside), links between items as edges labelled
// with their bit widths.
#include <cctype>
#include <cstdio>
#include <string>

#include "base/diagnostics.h"
#include "model/model.h"
#include "write/reports.h"
#include "base/sidebyside.h"
#include "base/textout.h"

namespace {

bool isKeyword(const std::string& s) {
  static constexpr const char* keywords[] = {"node", "edge", "graph", "digraph", "subgraph", "strict"};
  for (const char* k : keywords) {
    if (s.size() != std::char_traits<char>::length(k)) continue;
    bool same = true;
    for (size_t i = 0; i < s.size() && same; ++i)
      same = std::tolower(static_cast<unsigned char>(s[i])) == k[i];
    if (same) return true;
  }
  return false;
}

// True when `s` can stand unquoted as a dot identifier: letters, digits and
// '_', not starting with a digit, not a keyword.
bool isPlainId(const std::string& s) {
  auto digit = [](char ch) { return ch >= '0' && ch <= '9'; };
  auto letter = [](char ch) { return (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z'); };
  if (s.empty() || digit(s[0])) return false;
  for (char ch : s)
    if (!digit(ch) && !letter(ch) && ch != '_') return false;
  return !isKeyword(s);
}

// Text for the inside of a dot quoted string: quotes and backslashes escaped.
std::string quotedText(const std::string& s) {
  std::string out;
  out.reserve(s.size());
  for (char ch : s) {
    if (ch == '"' || ch == '\\') out += '\\';
    out += ch;
  }
  return out;
}

// A converted name as a dot identifier: as it is when plain, quoted otherwise.
std::string dotId(const std::string& converted) {
  if (isPlainId(converted)) return converted;
  // Built by appending: prepending the quote (`"\"" + text`) makes g++ 12 at
  // -O3 report a false -Wrestrict inside the inlined string insert.
  std::string id(1, '"');
  id += quotedText(converted);
  id += '"';
  return id;
}

// Appends the identifier of a node (a port named `name`); `scratch` holds the converted name.
void putNodeId(TextOut& out, const std::string& name, std::string& scratch) {
  scratch.assign(name.c_str());
  for (char& ch : scratch)
    if (ch == NAME_SEPARATOR) ch = '_';
  if (isPlainId(scratch))
    out.put(scratch);
  else
    out.put('"').put(quotedText(scratch)).put('"');
}

}  // namespace

void writeGraph(TextOut& out, const Circuit& c, const std::string& graphName, Diagnostics& diagnostics) {
  for (long n = writeGraphQuietly(out, c, graphName); n > 0; --n)
    diagnostics.error("Circuit::exportGraphviz(): lptr->getPort() is NULL");
}

long writeGraphQuietly(TextOut& out, const Circuit& c, const std::string& graphName) {
  long nullLinks = 0;
  out.put("digraph ").put(dotId(graphName)).put(" {\n");
  out.put("\n\t//size=\"60,35\";\n\tratio=fill;\n\trankdir=LR;\n\t//fontsize=40;\n\n");
  out.put("//\tsubgraph ").put(dotId("cluster_" + graphName)).put(" {\n");

  std::string scratch;
  for (Item* i = c.getIList(); i; i = i->getNext()) {
    if (i->getType() == UUA) continue;
    std::string itemName = i->getName().c_str();
    for (char& ch : itemName)
      if (ch == NAME_SEPARATOR) ch = '_';
    out.put("\t\tsubgraph ").put(dotId("cluster_" + itemName));
    out.put(" {style=filled; color=lightgrey; node [style=filled, color=white]; ");
    for (Port* p = i->getPList(); p; p = p->getNext()) {
      if (isControlInput(p->getType())) {
        out.put(' ');
        putNodeId(out, p->getName(), scratch);
        out.put(';');
      } else if (p->getType() == IN && p->getLinkToPortPtr()) {
        for (LinkToPort* l = p->getLinkToPortPtr(); l; l = l->getNext()) {
          const Port* t = l->getPort();
          if (!t || t->getItem() != i) continue;
          out.put(' ');
          putNodeId(out, p->getName(), scratch);
          out.put(" -> ");
          putNodeId(out, t->getName(), scratch);
          out.put(' ');
          if (p->getNBits() > 1) out.put("[style=bold, label=\"").putLong(p->getNBits()).put("\"];");
        }
      } else {
        putNodeId(out, p->getName(), scratch);
        out.put("; ");
      }
    }
    out.put(" label=\"").put(quotedText(itemName)).put("\";}\n");
  }

  for (Item* i = c.getIList(); i; i = i->getNext())
    for (Port* p = i->getPList(); p; p = p->getNext())
      for (LinkToPort* l = p->getLinkToPortPtr(); l; l = l->getNext()) {
        const Port* t = l->getPort();
        if (!t) {
          ++nullLinks;
          continue;
        }
        // Inner paths were drawn in the clusters; the primary port holder has none.
        if (t->getItem() == i && p->getType() == IN && i->getType() != UUA) continue;
        out.put("\t\t");
        putNodeId(out, p->getName(), scratch);
        out.put(" -> ");
        putNodeId(out, t->getName(), scratch);
        out.put(' ');
        if (p->getNBits() > 1) out.put("[style=bold, label=\"").putLong(p->getNBits()).put("\"];\n");
      }

  out.put("\n//\t\tratio=2.0; label=\"").put(quotedText(graphName)).put(" i path graph\";\n//\t}\n");
  out.put("}\n");
  return nullLinks;
}

std::string graphvizName(const std::string& n) {
  std::string name = n;
  for (char& ch : name)
    if (ch == NAME_SEPARATOR) ch = '_';
  return name;
}

void exportGraphviz(const Circuit& c, const ResultFiles& files, const std::function<void()>& meanwhile) {
  Diagnostics& diagnostics = files.diagnostics();
  const std::string graphName = graphvizName(c.getName());
  const std::string fileName = resultFileName(graphName, ".dot");
  std::printf("Exporting circuit structure to file '%s' in Graphviz format\n", fileName.c_str());
  std::fflush(stdout);
  // The writer drops the old drawing, which takes the kernel a while for a large one.
  FILE* f = openForRewrite(files.pathOf(fileName));
  if (!f) {
    diagnostics.error("Circuit::export_graphviz - can't open output file %s.dot!\n", graphName.c_str());
    if (meanwhile) meanwhile();
    return;
  }
  long nullLinks = 0;
  bool failed = false;
  // The writer also closes the file, so that starting its write-back overlaps the analysis.
  auto write = [&] {
    // Writing over an old drawing that could not be dropped would leave its tail behind.
    if (emptyForRewrite(f)) {
      TextOut out(f);
      nullLinks = writeGraphQuietly(out, c, graphName);
    } else {
      failed = true;
    }
    if (std::ferror(f) != 0) failed = true;
    if (std::fclose(f) != 0) failed = true;
  };
  if (meanwhile)
    runBeside(write, meanwhile);
  else
    write();
  for (; nullLinks > 0; --nullLinks) diagnostics.error("Circuit::exportGraphviz(): lptr->getPort() is NULL");
  if (failed) diagnostics.error("Circuit::export_graphviz - can't write output file %s.dot!\n", graphName.c_str());
}
