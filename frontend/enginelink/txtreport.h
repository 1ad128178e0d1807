// Readers of the engine's per-port testability report "diffeq.txt": the table
// of the testability details window and the feedback-loop test of the
// circuit schema window. Both read the file character by character and split
// it at every white-space character, so a field is expected to be separated
// from the next by exactly one blank.
#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

// The cells of the testability details table, row by row.
struct DetailsTable {
  int columns = 1;
  int rows = 1;
  std::vector<std::vector<QString>> cells{{QString()}};  // [row][column]

  // The text of a cell; empty outside the table.
  QString cell(int row, int column) const;
};

// The table of a report: 4 columns; row 0 stays empty, the fourth line of the
// report fills row 1 and so on; a field beyond the fourth column is dropped.
DetailsTable ParseDetailsReport(const QByteArray& text);

// The table of the report file; a file that cannot be opened gives the
// initial table of one empty cell.
DetailsTable ReadDetailsReport(const QString& fileName);

// The uncontrollable register-to-register cycles of diffeq.
enum class FeedbackLoop { Reg1, Reg3, Reg2 };

// What the feedback-loop test found in a report.
struct FeedbackLoopScan {
  bool opened = false;              // the report could be read
  bool reg1Line = false;            // a "reg1.q(8)" row was found
  bool reg6Line = false;            // a "reg6.q(8)" row was found
  std::vector<FeedbackLoop> loops;  // the loops to draw, in drawing order
  // Both rows were found and neither showed an uncontrollable loop.
  bool noLoops() const { return reg1Line && reg6Line && loops.empty(); }
};

// Tests the rows of reg1.q and reg6.q: a controllability of exactly
// "0.000000" means the loop through reg1 (for reg1) or the two loops through
// reg6 (reg3 then reg2) cannot be controlled.
FeedbackLoopScan ScanFeedbackLoops(const QByteArray& text);

// Reads the report file and tests it; nothing is found when it cannot be opened.
FeedbackLoopScan ReadFeedbackLoops(const QString& fileName);
