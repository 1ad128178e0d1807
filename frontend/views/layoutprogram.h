// Runs a Graphviz layout program (`dot`, `sfdp`) as a child process on a
// graph in the DOT language and returns the laid-out graph in the same
// language. The process can be cancelled and is killed after a time limit,
// so that no layout, however large, holds the front end up. Blocks the
// calling thread: run it from a worker. Pure unit, no widgets.
#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

// How long a layout may take and how to tell it to stop.
struct LayoutControl {
  std::function<bool()> cancelled;  // polled while the program runs; empty: never
  int timeLimitMs = 120000;
  QString programFolder;  // where the Graphviz programs are; empty: the PATH
};

// What came of a layout run: the laid-out graph, or the reason there is none.
struct LayoutOutput {
  QByteArray dot;
  QString error;   // empty on success
  bool cancelled = false;
};

// Lays `graph` out with `program` ("dot" or "sfdp") under `control`.
LayoutOutput RunLayoutProgram(const QString& program, const QByteArray& graph, const LayoutControl& control);

// Lowers the priority of the calling (worker) thread, so that the interface
// thread is served first on a busy machine.
void LowerThisThreadsPriority();
