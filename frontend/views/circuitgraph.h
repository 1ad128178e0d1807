// The circuit as a graph of items for the laid-out schema: which drawn wires
// lie on a feedback loop. The loops themselves (the register graph and its
// components) and the registers that break them come from the engine, in
// NAME.json. Pure data, no widgets.
#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

#include <vector>

#include "enginelink/resultjson.h"

// True for the kinds that hold state (plain and scan registers).
bool IsRegisterKind(const QString& kind);
// True for ports added by a scan layout (their name contains "SCAN").
bool IsScanPortName(const QString& port);
// The item of a composed port name "item.port" (the text before the last '.').
QString ItemOfComposedPort(const QString& port);
// The short port of a composed port name (the text after the last '.').
QString PortOfComposedPort(const QString& port);

class CircuitGraph {
 public:
  // Builds the graph of `circuit`'s items and links; scan ports and clock
  // inputs carry no data and are left out; links inside one item (its
  // internal paths) and links naming unknown items are skipped.
  explicit CircuitGraph(const CircuitResult& circuit);

  // The indices into circuit.links of the wires on the cycles among `loop`
  // (the registers of one loop the engine listed).
  std::vector<int> loopWires(const QStringList& loop) const;

 private:
  std::vector<bool> reach(const std::vector<int>& start, bool forward) const;

  const CircuitResult& circuit_;
  QHash<QString, int> itemIndex_;
  std::vector<bool> isRegister_;
  std::vector<std::vector<int>> succ_, pred_;  // item graph
  std::vector<std::pair<int, int>> linkEnds_;  // item indices per link, -1 = skipped
};
