// The reader of NAME.check.json, written by `tarvex check --json`: the
// scan-readiness findings of a design (rule, severity, object, source line,
// advice) and which of its registers can be scanned. Pure data, no widgets.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

#include "enginelink/resultjson.h"

// One finding, in the order the engine printed it.
struct CheckFinding {
  QString rule;      // e.g. "CLK-1"
  QString severity;  // "error", "warning" or "info"
  QString object;    // a register, or the cells or nets the rule names
  QString location;  // "file.v:LINE", "" when none
  QString message;
};

// One register of the design and whether it can be scanned.
struct CheckRegister {
  QString name;
  QString cell;
  QString location;
  int bits = 0;
  bool scannable = true;
  QString rule;  // the first error-level rule on it ("" when none)
};

// A clock net with the flip-flops it clocks on one edge.
struct ClockDomain {
  QString clock;
  QString edge;
  int flipFlops = 0;
};

// A place in the design's source: the file's name and its line (0: none).
struct SourcePlace {
  QString file;
  int line = 0;
};

// Everything NAME.check.json holds.
struct CheckReport {
  QString version;
  QString design;
  QString source;
  std::vector<CheckFinding> findings;
  std::vector<CheckRegister> registers;
  std::vector<ClockDomain> clockDomains;
  int flipFlops = 0;
  int scannableFlipFlops = 0;
  int registerCount = 0;
  int scannableRegisters = 0;
  int errors = 0;
  int warnings = 0;
  int infos = 0;

  // The register called `name`, or null.
  const CheckRegister* reg(const QString& name) const;
  // The one-line summary: scannable flip-flops and registers, and the
  // findings by severity.
  QString summary() const;
};

// The file and line of a finding's location ("timer.v:11"); an empty place
// for "" or "-", line 0 when there is no line number.
SourcePlace SourcePlaceOf(const QString& location);

// Parses the text of NAME.check.json.
ReadResult<CheckReport> parseCheckReport(const QByteArray& text);
// Reads and parses a NAME.check.json file.
ReadResult<CheckReport> readCheckReport(const QString& fileName);
