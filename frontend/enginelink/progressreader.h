// Reader of the engine's progress lines on standard error
// ("progress generation=G stale=S best=F elapsed=T"); EngineRun passes them
// on one by one. Pure unit, no widgets.
#pragma once

#include <QString>

#include <optional>

// One progress report of an optimiser run.
struct ProgressReport {
  qint64 generation = 0;
  qint64 stale = 0;  // generations since the last improvement
  double best = 0.0;
  double elapsed = 0.0;  // seconds
};

// Parses one line; nothing when it is not a complete, well-formed progress line.
std::optional<ProgressReport> ParseProgressLine(const QString& line);
