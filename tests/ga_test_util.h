// Helpers shared by the optimiser tests: loading circuits and describing
// their structure so that two states of a circuit can be compared.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include "test_diagnostics.h"
#include "cli/classic.h"
#include "model/model.h"
#include "optimise/population.h"
#include "scan/insertion.h"

namespace gatest {

// Reads a circuit description given as text.
inline std::unique_ptr<Circuit> parseCircuit(const std::string& text) {
  FILE* f = fmemopen(const_cast<char*>(text.data()), text.size(), "r");
  if (!f) return nullptr;
  auto c = readCirData(f, testDiagnostics());
  std::fclose(f);
  return c;
}

// Reads a circuit description file of the examples folder.
inline std::unique_ptr<Circuit> loadExample(const std::string& name) {
  const std::string path = std::string(TARVEX_EXAMPLES) + "/" + name;
  FILE* f = std::fopen(path.c_str(), "r");
  if (!f) return nullptr;
  auto c = readCirData(f, testDiagnostics());
  std::fclose(f);
  return c;
}

// A chain of `nregs` 8-bit registers between one input and one output.
inline std::string registerChain(int nregs) {
  std::string t = "CIR chain a(in,8) clk(clk,1) y(out,8)\n";
  for (int i = 0; i < nregs; ++i) t += "ITM r" + std::to_string(i) + "(REG) d(in,8) c(clk,1) q(out,8)\n";
  for (int i = 0; i < nregs; ++i) {
    t += "LINK chain.clk -> r" + std::to_string(i) + ".c\n";
    t += (i == 0 ? std::string("LINK chain.a") : "LINK r" + std::to_string(i - 1) + ".q") + " -> r" +
         std::to_string(i) + ".d\n";
  }
  if (nregs > 0) t += "LINK r" + std::to_string(nregs - 1) + ".q -> chain.y\n";
  return t;
}

// Everything structural about a circuit: items, kinds, areas, ports, links and counts.
inline std::string structure(const Circuit& c) {
  std::string s = c.getName() + " area=" + std::to_string(c.getArea()) +
                  " regs=" + std::to_string(c.getNREGs()) + " pins=" + std::to_string(c.getNPins()) +
                  "/" + std::to_string(c.getNPCins()) + "/" + std::to_string(c.getNPouts()) + "/" +
                  std::to_string(c.getNPinouts()) + " ports=" + std::to_string(c.getNIns()) + "/" +
                  std::to_string(c.getNCins()) + "/" + std::to_string(c.getNOuts()) + "/" +
                  std::to_string(c.getNInouts()) + "\n";
  for (Item* i = c.getIList(); i; i = i->getNext()) {
    s += " item " + i->getName() + " kind=" + std::to_string(i->getType()) +
         " area=" + std::to_string(i->getArea()) + " counts=" + std::to_string(i->getNIns()) + "/" +
         std::to_string(i->getNCins()) + "/" + std::to_string(i->getNOuts()) + "/" +
         std::to_string(i->getNInouts()) + "\n";
    for (Port* p = i->getPList(); p; p = p->getNext()) {
      s += "  port " + p->getName() + " t=" + std::to_string(p->getType()) +
           " b=" + std::to_string(p->getNBits()) + " ->";
      for (LinkToPort* l = p->getLinkToPortPtr(); l; l = l->getNext())
        s += " " + (l->getPort() ? l->getPort()->getName() : std::string("<null>"));
      s += "\n";
    }
  }
  return s;
}

// Names of the ports `p` drives, in list order.
inline std::string targets(const Port* p) {
  std::string s;
  for (LinkToPort* l = p ? p->getLinkToPortPtr() : nullptr; l; l = l->getNext())
    s += (s.empty() ? "" : " ") + l->getPort()->getName();
  return s;
}

// Names of the primary ports in list order.
inline std::string primaryPorts(const Circuit& c) {
  std::string s;
  for (Port* p = c.getPortHolder()->getPList(); p; p = p->getNext())
    s += (s.empty() ? "" : " ") + p->getName();
  return s;
}

// Silences counted errors for the scope and tells how many were counted.
class ErrorCapture {
 public:
  ErrorCapture() : sink(std::tmpfile()) {
    previous = setTestErrorStream(sink);  // counts from 0
    start = testErrorCount();
  }
  ~ErrorCapture() {
    setTestErrorStream(previous);
    if (sink) std::fclose(sink);
  }
  ErrorCapture(const ErrorCapture&) = delete;
  ErrorCapture& operator=(const ErrorCapture&) = delete;
  long count() const { return testErrorCount() - start; }
  // Text written to the error stream so far.
  std::string text() const {
    std::string t;
    if (!sink) return t;
    std::fflush(sink);
    std::rewind(sink);
    for (int ch; (ch = std::fgetc(sink)) != EOF;) t.push_back(static_cast<char>(ch));
    std::fseek(sink, 0, SEEK_END);
    return t;
  }

 private:
  long start = 0;
  FILE* sink;
  FILE* previous = nullptr;
};

// The layout chromosome chID of `pop` encodes, applied to `c` while the result lives.
inline std::unique_ptr<AppliedScanLayout> applyChromosome(Circuit& c, const Population& pop, int chID) {
  return std::make_unique<AppliedScanLayout>(c, pop.registers(), pop.chains(chID));
}

}  // namespace gatest
