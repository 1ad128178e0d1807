// Helpers of the analysis tests.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include "main.h"
#include "model.h"

// Reads a description from examples/ (the reader's console line is printed).
inline std::unique_ptr<Circuit> readExample(const char* name) {
  const std::string path = std::string(TARVEX_EXAMPLES) + "/" + name;
  FILE* in = std::fopen(path.c_str(), "r");
  if (!in) return nullptr;
  auto c = readCirData(in);
  std::fclose(in);
  return c;
}

// Turns every register into a scan register on a chain of its own, as the
// layout "0.1.2.3.4.5" does: primary SCAN_MODE, SCAN_INk and SCAN_OUTk.
inline void chainEveryRegister(Circuit& c) {
  Port* mode = c.addPrimaryPort("SCAN_MODE", 1, CIN_SEL);
  int k = 0;
  for (Item* i = c.getIList(); i; i = i->getNext()) {
    if (i->getType() != REG) continue;
    i->toSreg();
    Port* in = c.addPrimaryPort("SCAN_IN" + std::to_string(k), 1, IN);
    Port* out = c.addPrimaryPort("SCAN_OUT" + std::to_string(k), 1, OUT);
    ++k;
    mode->addToPort(c.getPortPtr(i->getName() + ".SCAN_MODE"));
    in->addToPort(c.getPortPtr(i->getName() + ".SCAN_IN"));
    c.getPortPtr(i->getName() + ".SCAN_OUT")->addToPort(out);
  }
}
