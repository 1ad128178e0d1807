#include "enginelink/txtreport.h"

#include <QFile>

#include <algorithm>
#include <cctype>

namespace {

constexpr int kDetailsColumns = 4;

bool isBlank(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }
bool isLineEnd(char c) { return c == '\n' || c == '\r'; }

// Feeds the white-space separated tokens of a report to `onToken(token,
// column, line)` and returns the number of line ends. The column counts
// white-space characters since the line start; a carriage return followed by
// a line feed ends one line only. A last token without white space after it
// is not fed.
template <typename OnToken>
int splitReport(const QByteArray& text, OnToken onToken) {
  int line = 0;
  int column = 0;
  QByteArray token;
  char previous = '\0';
  for (char c : text) {
    const char before = previous;
    previous = c;
    if (!isBlank(c)) {
      token += c;
      continue;
    }
    if (c == '\n' && before == '\r') continue;
    onToken(token, column, line);
    ++column;
    if (isLineEnd(c)) {
      column = 0;
      ++line;
    }
    token.clear();
  }
  return line;
}

}  // namespace

QString DetailsTable::cell(int row, int column) const {
  if (row < 0 || row >= rows || column < 0 || column >= columns) return {};
  return cells[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
}

DetailsTable ParseDetailsReport(const QByteArray& text) {
  DetailsTable table;
  table.columns = kDetailsColumns;
  std::vector<std::vector<QString>> cells;
  const int lineEnds = splitReport(text, [&](const QByteArray& token, int column, int line) {
    if (line > 2 && column < kDetailsColumns) {
      const auto row = static_cast<std::size_t>(line - 2);
      if (cells.size() <= row) cells.resize(row + 1, std::vector<QString>(kDetailsColumns));
      cells[row][static_cast<std::size_t>(column)] = QString::fromLatin1(token);
    }
  });
  // Two rows to start with, one more per line end, four removed at the end.
  table.rows = std::max(1, 2 + lineEnds - 4);
  cells.resize(static_cast<std::size_t>(table.rows), std::vector<QString>(kDetailsColumns));
  table.cells = std::move(cells);
  return table;
}

DetailsTable ReadDetailsReport(const QString& fileName) {
  QFile file(fileName);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return ParseDetailsReport(file.readAll());
}

FeedbackLoopScan ScanFeedbackLoops(const QByteArray& text) {
  FeedbackLoopScan scan;
  scan.opened = true;
  int markedLine = -1;  // the line marked as the reg1 (or reg6) row
  bool reg1Row = false;
  bool reg6Row = false;
  splitReport(text, [&](const QByteArray& token, int column, int line) {
    if (line != markedLine) {
      reg1Row = reg6Row = false;
      markedLine = line;
    }
    if (line <= 2) return;
    if (token == "reg1.q(8)") reg1Row = scan.reg1Line = true;
    if (token == "reg6.q(8)") reg6Row = scan.reg6Line = true;
    if (column != 1) return;
    const bool zero = token == "0.000000";
    if (reg1Row && zero) scan.loops.push_back(FeedbackLoop::Reg1);
    if (reg6Row && zero) {
      scan.loops.push_back(FeedbackLoop::Reg3);
      scan.loops.push_back(FeedbackLoop::Reg2);
    }
  });
  return scan;
}

FeedbackLoopScan ReadFeedbackLoops(const QString& fileName) {
  QFile file(fileName);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return ScanFeedbackLoops(file.readAll());
}
