// The reader of the chain description `tarvex insert` writes beside the
// scanned Verilog (OUT.chains.json): the scan ports, clock and length of
// every chain and the registers in it. Pure data, no widgets.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

#include "enginelink/resultjson.h"

// One chain of the written design.
struct ScanChainPorts {
  QString scanIn;
  QString scanOut;
  QString clock;
  QString edge;
  int length = 0;        // flip-flops
  QStringList registers;  // from the scan input on, each once
};

// Everything OUT.chains.json holds that the front end shows.
struct ChainDescription {
  QString module;
  QString layout;
  QString verilog;
  QString scanMode;
  std::vector<ScanChainPorts> chains;

  // The flip-flops of every chain.
  int flipFlops() const;
  // "Wrote 'OUT.v': 2 scan chain(s), 48 flip-flop(s) scanned".
  QString summary() const;
};

// The chain description the engine writes for the Verilog file `verilogFile`
// (".v" or ".sv" replaced by ".chains.json", else ".chains.json" appended).
QString ChainDescriptionFileFor(const QString& verilogFile);

// Parses the text of OUT.chains.json.
ReadResult<ChainDescription> parseChainDescription(const QByteArray& text);
// Reads and parses an OUT.chains.json file.
ReadResult<ChainDescription> readChainDescription(const QString& fileName);
