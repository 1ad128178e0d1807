// Imported designs as circuits and as descriptions, and the `import` command.
#include <cstdio>
#include <fstream>
#include <ostream>
#include <sstream>

#include "base/diagnostics.h"
#include "read/import.h"

namespace {

void writePorts(const std::vector<ImportedPort>& ports, std::ostream& out) {
  for (const ImportedPort& p : ports) out << ' ' << p.name << '(' << portTypeName(p.type) << ',' << p.bits << ')';
}

// "item.port" of a port reference.
void writeRef(const ImportedDesign& d, const PortRef& r, std::ostream& out) {
  if (r.item < 0)
    out << d.name << NAME_SEPARATOR << d.ports[r.port].name;
  else
    out << d.items[r.item].name << NAME_SEPARATOR << d.items[r.item].ports[r.port].name;
}

bool validRef(const ImportedDesign& d, const PortRef& r) {
  if (r.item < 0) return r.port >= 0 && static_cast<size_t>(r.port) < d.ports.size();
  return static_cast<size_t>(r.item) < d.items.size() && r.port >= 0 &&
         static_cast<size_t>(r.port) < d.items[r.item].ports.size();
}

// True when every reference, kind and port type of the design can be written.
bool wellFormed(const ImportedDesign& d) {
  for (const ImportedPort& p : d.ports)
    if (!portTypeName(p.type)) return false;
  for (const ImportedItem& i : d.items) {
    if (!itemTypeName(i.kind) || i.kind == UUA || i.kind == BILBO || i.kind == LFSR) return false;
    for (const ImportedPort& p : i.ports)
      if (!portTypeName(p.type)) return false;
  }
  for (const ImportedLink& l : d.links) {
    if (!validRef(d, l.from)) return false;
    for (const PortRef& r : l.to)
      if (!validRef(d, r)) return false;
  }
  return true;
}

Port* portOf(const std::vector<Port*>& primary, const std::vector<std::vector<Port*>>& items, const PortRef& r) {
  return r.item < 0 ? primary[r.port] : items[r.item][r.port];
}

void usage() { std::fprintf(stderr, "usage: tarvex import FILE [--top NAME] [-o OUT]\n"); }

}  // namespace

std::unique_ptr<Circuit> buildCircuit(const ImportedDesign& d, Diagnostics& diagnostics) {
  if (!wellFormed(d)) {
    diagnostics.error("Design '%s' is not well formed!\n", d.name.c_str());
    return nullptr;
  }
  auto c = std::make_unique<Circuit>(d.name);
  Item* holder = c->getPortHolder();
  std::vector<Port*> primary;
  primary.reserve(d.ports.size());
  for (const ImportedPort& p : d.ports) primary.push_back(holder->addPort(p.name, p.bits, p.type));
  std::vector<std::vector<Port*>> items(d.items.size());
  for (size_t k = 0; k < d.items.size(); ++k) {
    const ImportedItem& i = d.items[k];
    Item* item = c->addItem(i.name, i.kind);
    item->setBlock(c->blocks().add(i.block));
    item->setSettable(i.settable);
    items[k].reserve(i.ports.size());
    for (const ImportedPort& p : i.ports) items[k].push_back(item->addPort(p.name, p.bits, p.type));
    item->makeInnerIpaths(diagnostics);
  }
  for (const ImportedLink& l : d.links) {
    Port* from = portOf(primary, items, l.from);
    for (const PortRef& r : l.to) from->addToPort(portOf(primary, items, r));
  }
  for (const auto& [path, module] : d.blockModules) c->blocks().setModule(path, module);
  c->setOrigArea(c->getArea());
  c->setOrigNPIOs(c->getNPIOs());
  return c;
}

bool writeDescription(const ImportedDesign& d, std::ostream& out) {
  if (!wellFormed(d)) return false;
  out << "// " << d.name << ": imported by tarvex import (" << d.items.size() << " items)\n";
  out << "CIR " << d.name;
  writePorts(d.ports, out);
  // A CIR line needs white space after the name before its end.
  out << (d.ports.empty() ? " \n" : "\n");
  for (const ImportedItem& i : d.items) {
    if (!i.origin.empty()) out << "// " << i.name << ": " << i.origin << '\n';
    out << "ITM " << i.name << '(' << itemTypeName(i.kind) << ')';
    writePorts(i.ports, out);
    out << '\n';
  }
  for (const ImportedLink& l : d.links) {
    out << "LINK ";
    writeRef(d, l.from, out);
    out << " ->";
    for (const PortRef& r : l.to) {
      out << ' ';
      writeRef(d, r, out);
    }
    out << '\n';
  }
  return static_cast<bool>(out);
}

std::unique_ptr<Circuit> loadCircuit(const std::string& path, const ImportOptions& options, ProcessRunner& runner,
                                     Diagnostics& diagnostics) {
  const long before = diagnostics.count();
  if (inputKindOf(path) == InputKind::Description) {
    FILE* in = std::fopen(path.c_str(), "r");
    if (!in) {
      diagnostics.error("Can't open DC description file '%s'!\n", path.c_str());
      return nullptr;
    }
    std::unique_ptr<Circuit> c = readCirData(in, diagnostics);
    std::fclose(in);
    if (diagnostics.count() != before) c.reset();
    return c;
  }
  ImportedDesign design;
  if (!importDesign(path, options, runner, design, diagnostics)) return nullptr;
  std::unique_ptr<Circuit> c = buildCircuit(design, diagnostics);
  if (diagnostics.count() != before) c.reset();
  return c;
}

int importToDescription(const std::string& file, const ImportOptions& options, const std::string& outPath,
                        ProcessRunner& runner, std::ostream& out, Diagnostics& diagnostics) {
  const long before = diagnostics.count();
  ImportedDesign design;
  if (!importDesign(file, options, runner, design, diagnostics)) return 1;
  std::ostringstream text;
  if (!writeDescription(design, text)) {
    diagnostics.error("Design '%s' cannot be written as a description!\n", design.name.c_str());
    return 1;
  }
  if (outPath.empty()) {
    out << text.str();
    out.flush();
  } else {
    std::ofstream f(outPath, std::ios::binary | std::ios::trunc);
    f << text.str();
    f.close();
    if (!f) {
      diagnostics.error("Can't write '%s'!\n", outPath.c_str());
      std::remove(outPath.c_str());
    }
  }
  return diagnostics.count() == before ? 0 : 1;
}

int importCommand(const std::vector<std::string>& args, ProcessRunner& runner, std::ostream& out,
                  Diagnostics& diagnostics) {
  std::string file, outPath;
  ImportOptions options;
  for (size_t k = 0; k < args.size(); ++k) {
    const std::string& a = args[k];
    if ((a == "--top" || a == "-o") && k + 1 < args.size()) {
      (a == "--top" ? options.top : outPath) = args[++k];
    } else if (a == "--lib" && k + 1 < args.size()) {
      options.libs.push_back(args[++k]);
    } else if (a == "--memory-words" && k + 1 < args.size()) {
      if (!parseMemoryWords(args[++k], options.memoryWords)) {
        usage();
        return 2;
      }
    } else if (a == "--help" || a == "-h") {
      std::printf("usage: tarvex import FILE [--top NAME] [--lib FILE.v ...] [--memory-words N] [-o OUT]\n"
                  "Writes the circuit description of a Verilog design (.v, .sv) or a Yosys JSON netlist\n"
                  "(.json) to OUT, or to standard output without -o. --lib reads modules (models of\n"
                  "memories or macros) before the design; writable memories of at most N words (256)\n"
                  "become one register a word, larger ones a RAM item.\n");
      return 0;
    } else if (!a.empty() && a[0] == '-') {
      usage();
      return 2;
    } else if (file.empty()) {
      file = a;
    } else {
      usage();
      return 2;
    }
  }
  if (file.empty()) {
    usage();
    return 2;
  }
  return importToDescription(file, options, outPath, runner, out, diagnostics);
}

bool DesignImporter::accepts(const std::string& path) const { return inputKindOf(path) != InputKind::Description; }

std::unique_ptr<Circuit> DesignImporter::import(const std::string& path) {
  std::printf("%s\n", inputKindOf(path) == InputKind::Verilog ? "Importing Verilog design with yosys..."
                                                               : "Reading Yosys netlist...");
  std::fflush(stdout);
  return loadCircuit(path, options, runner, diagnostics);
}
