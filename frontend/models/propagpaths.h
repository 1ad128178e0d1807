// Test data propagation paths of a function unit of diffeq, built from the
// propagation record "diffeq.pro" that the engine writes with every analysis.
//
// The test vector adjustment path runs from the primary inputs back to the
// unit's inputs, always through the best-controllable input; the response
// observation path runs from the unit's output to a primary output. Both are
// merged into one list of numbered steps: negative step values for the
// adjustment part (the deepest level first), a separator entry "-" with value
// 0, then positive values for the observation part.
//
// Nothing here touches a window: the browser writes its history lines and its
// port marks through callbacks.
#pragma once

#include <QString>
#include <QStringList>

#include <deque>
#include <functional>
#include <optional>
#include <vector>

class QIODevice;

// One entry of a path stack or queue: a port name, its step value and its id
// (1, 2, 3 ... in the order the entries were added).
struct PathEntry {
  QString name;
  int step = 0;
  int id = 0;
};

// Last-in first-out list of path entries.
class PathStack {
 public:
  // Puts a new entry on top; its id is the current next id.
  void push(const QString& name, int step);
  // The id the next entry will get (count + 1).
  int nextId() const { return static_cast<int>(entries_.size()) + 1; }
  // Entries from the bottom (first pushed) to the top.
  const std::vector<PathEntry>& entries() const { return entries_; }

 private:
  std::vector<PathEntry> entries_;
};

// First-in first-out list of path entries, walked from its head.
class PathQueue {
 public:
  // Appends a new entry at the tail; its id is the current next id.
  void append(const QString& name, int step);
  // The id the next entry will get (count + 1).
  int nextId() const { return static_cast<int>(entries_.size()) + 1; }
  // Entries from the head to the tail.
  const std::vector<PathEntry>& entries() const { return entries_; }
  // Number of entries.
  int size() const { return static_cast<int>(entries_.size()); }
  // True when the queue holds no entry.
  bool empty() const { return entries_.empty(); }

 private:
  std::vector<PathEntry> entries_;
};

// One record of the propagation file: kind ('F' function unit, 'M'
// multiplexer, 'R' register, 'S' scan register, 'U' primary port, others
// ignored), direction ('I' input, 'O' output, others ignored), the port, its
// controllability source ("driver") with the controllability, and its
// observability source ("sink") with the observability. '-' and -1 mark
// what the file did not give.
struct PropagRecord {
  char kind = '-';
  char direction = '-';
  QString port;
  QString driver;
  double con = -1.0;
  QString sink;
  double obs = -1.0;
};

// The records of a propagation file, newest first: every walk over them
// visits the file's records from the last to the first.
class PropagRecordList {
 public:
  // Reads a propagation file; a file that cannot be opened gives no records.
  static PropagRecordList readFile(const QString& fileName);
  // Reads propagation records from an open device.
  static PropagRecordList read(QIODevice& device);
  // Parses propagation records from text.
  static PropagRecordList parse(const QByteArray& text);

  // Puts a record in front of the list.
  void prepend(PropagRecord record) { records_.push_front(std::move(record)); }
  // The records, the last read first.
  const std::deque<PropagRecord>& records() const { return records_; }
  // Number of records.
  int size() const { return static_cast<int>(records_.size()); }

 private:
  std::deque<PropagRecord> records_;
};

// The item a port name belongs to: the part before the first '.'.
QString ItemOfPort(const QString& port);

// The separator entry between the adjustment and the observation part.
inline const QString kPathSeparator = QStringLiteral("-");

// The merged test data paths of one function unit.
class PathSet {
 public:
  // Reads `fileName` and builds the paths of `unit`.
  static PathSet build(const QString& unit, const QString& fileName);
  // Builds the paths of `unit` from records already read.
  static PathSet build(const QString& unit, PropagRecordList records);

  // The unit the paths belong to.
  const QString& unit() const { return unit_; }
  // The records the paths were built from.
  const PropagRecordList& records() const { return records_; }
  // The merged path: adjustment entries, the separator, observation entries.
  const PathQueue& merged() const { return merged_; }

  // True when the item's inputs can be controlled (see the .cpp for the rule).
  bool controllable(const QString& item) const;
  // True when the item's outputs can be observed.
  bool observable(const QString& item) const;
  // The record through which `port` is best controlled, or none.
  const PropagRecord* bestSource(const QString& port) const;
  // The record through which `port` is observed next, or none.
  const PropagRecord* nextSink(const QString& port) const;

  // Number of step values in -100..100 held by a non-separator entry.
  int countSteps() const;
  // The names of every non-separator entry with the step value, the last
  // one first, each followed by a blank; empty when there is none.
  QString stepText(int step) const;
  // True when the merged path begins with the separator (no adjustment part).
  bool startsWithSeparator() const { return separatorIndex_ == 0; }
  // True when the separator is the last entry (no observation part).
  bool separatorIsLast() const { return separatorIndex_ + 1 == merged_.entries().size(); }
  // True when the entry at `index` of the merged path is the separator.
  bool isSeparator(std::size_t index) const { return index == separatorIndex_; }

  // The history lines of the "Itm" listing of this unit.
  QStringList listing() const;

 private:
  std::vector<const PropagRecord*> recordsOf(const QString& item) const;
  void buildAdjustment();
  void buildObservation();

  QString unit_;
  PropagRecordList records_;
  PathQueue merged_;
  std::size_t separatorIndex_ = 0;
};

// A rule of 72 '-' characters as written to the history.
QString HistoryRule();

// Step-by-step browsing of the paths of the selected unit, and the listings.
// History lines go to `lineSink`; the ports of every shown step go to
// `markSink` (the step text and whether the observation phase is on).
class PathBrowser {
 public:
  using LineSink = std::function<void(const QString&)>;
  using MarkSink = std::function<void(const QString& names, bool observation)>;

  // Creates a browser that reads `fileName` whenever paths are built.
  explicit PathBrowser(QString fileName = QStringLiteral("diffeq.pro"));
  // Creates a browser over records already read (those of NAME.json).
  explicit PathBrowser(PropagRecordList records);

  // Sets where history lines go.
  void setLineSink(LineSink sink) { lineSink_ = std::move(sink); }
  // Sets where the ports of a step are marked.
  void setMarkSink(MarkSink sink) { markSink_ = std::move(sink); }

  // Discards the path set (a rule goes to the history first when the unit
  // was stepped through), builds the paths of `unit`, counts their steps and
  // puts the cursor at the first entry.
  void prepare(const QString& unit);
  // Discards the path set and the stepping state.
  void discard();
  // Sets the step number back to 0 (a new click on the schema).
  void resetStepNumber() { stepNumber_ = 0; }

  // "|<": back to the first entry, marks its ports.
  void restart();
  // ">": shows the next step; returns false once the end of data was shown.
  bool step();
  // "Itm": lists every step of `unit` and makes it the browsed unit.
  void listUnit(const QString& unit);
  // "All": lists mul1, sub, mul2, add and comp; comp stays the browsed unit.
  void listAll();

  // The unit the browser works on (empty before the first selection).
  const QString& unit() const { return unit_; }
  // The current path set, if any.
  const std::optional<PathSet>& paths() const { return paths_; }
  // The number of the last step shown.
  int stepNumber() const { return stepNumber_; }
  // The number of steps of the current paths.
  int stepCount() const { return stepCount_; }
  // True once the cursor has passed the separator.
  bool observation() const { return observation_; }
  // True when single stepping has shown the end of data.
  bool atEnd() const { return atEnd_; }

 private:
  void emitLine(const QString& line) const;
  void resetCursor();

  QString fileName_;
  std::optional<PropagRecordList> records_;  // used instead of the file when set
  QString unit_;
  std::optional<PathSet> paths_;
  std::optional<std::size_t> cursor_;
  int stepNumber_ = 0;
  int stepCount_ = 0;
  bool observation_ = false;
  bool stepped_ = false;
  bool atEnd_ = false;
  LineSink lineSink_;
  MarkSink markSink_;
};

// The five function units in the order "All" lists them.
QStringList FunctionUnits();
