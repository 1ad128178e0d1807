// Reader of the engine's progress lines on standard error
// ("progress generation=G stale=S best=F elapsed=T"), fed in chunks as
// they arrive. Pure unit, no widgets.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// One progress report of an optimiser run.
struct ProgressReport {
  qint64 generation = 0;
  qint64 stale = 0;  // generations since the last improvement
  double best = 0.0;
  double elapsed = 0.0;  // seconds
};

// Parses one line; nothing when it is not a complete progress line.
std::optional<ProgressReport> ParseProgressLine(const QByteArray& line);

class ProgressReader {
 public:
  // Takes the next chunk of output; returns the reports of the lines it
  // completed. Other complete lines are kept in otherLines().
  std::vector<ProgressReport> feed(const QByteArray& chunk);
  // The complete lines that were no progress report, in order.
  const QStringList& otherLines() const { return other_; }
  // Forgets everything (a new run).
  void reset();

 private:
  QByteArray pending_;
  QStringList other_;
};
