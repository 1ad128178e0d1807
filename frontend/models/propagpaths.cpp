#include "models/propagpaths.h"

#include <QFile>
#include <QIODevice>

#include <algorithm>
#include <charconv>
#include <cctype>
#include <unordered_set>

namespace {

const QString kUncontrollable =
    QStringLiteral("Uncontrollable item - no test vector propagation path can be adjusted.");
const QString kUnobservable =
    QStringLiteral("Unobservable item - no test response observation path can be adjusted.");

// Step values outside this range are never shown.
constexpr int kMinStep = -100;
constexpr int kMaxStep = 100;

// The decimal value at the start of `text` (blanks skipped), 0 when there is
// none; independent of the process locale.
double decimalValue(const QByteArray& text) {
  const char* begin = text.constData();
  const char* end = begin + text.size();
  while (begin < end && std::isspace(static_cast<unsigned char>(*begin))) ++begin;
  if (begin < end && *begin == '+') ++begin;
  double value = 0.0;
  const auto result = std::from_chars(begin, end, value);
  return result.ec == std::errc() ? value : 0.0;
}

// Builds the records of a propagation file character by character.
class RecordReader {
 public:
  explicit RecordReader(PropagRecordList& list) : list_(list) {}

  void feed(char c) {
    if (c == ';') {
      complete();
      return;
    }
    switch (state_) {
      case 0:
        if (c == ' ') state_ = 1;
        else kind_ = c;
        break;
      case 1:
        if (c == ' ') state_ = 2;
        else direction_ = c;
        break;
      case 2:
        if (c == ' ') state_ = 3;
        else port_ += c;
        break;
      case 3:
        if (c == '(') state_ = 4;
        else driver_ += c;
        break;
      case 4:
        if (c == ')') {
          con_ = decimalValue(number_);
          number_.clear();
          state_ = 5;
        } else {
          number_ += c;
        }
        break;
      case 5:
        if (c == ' ') state_ = 6;
        break;
      case 6:
        if (c == '(') state_ = 7;
        else sink_ += c;
        break;
      case 7:
        if (c == ')') {
          obs_ = decimalValue(number_);
          number_.clear();
          state_ = 8;
        } else {
          number_ += c;
        }
        break;
      default:
        break;
    }
  }

 private:
  void complete() {
    PropagRecord record;
    record.kind = kind_;
    record.direction = direction_;
    record.port = QString::fromLatin1(port_);
    record.driver = QString::fromLatin1(driver_);
    record.con = con_;
    record.sink = QString::fromLatin1(sink_);
    record.obs = obs_;
    list_.prepend(std::move(record));
    state_ = 0;
    kind_ = direction_ = '-';
    port_.clear();
    driver_.clear();
    sink_.clear();
    number_.clear();
    con_ = obs_ = -1.0;
  }

  PropagRecordList& list_;
  int state_ = 0;
  char kind_ = '-';
  char direction_ = '-';
  QByteArray port_, driver_, sink_, number_;
  double con_ = -1.0;
  double obs_ = -1.0;
};

bool isInput(const PropagRecord& r) { return r.direction == 'I'; }
bool isOutput(const PropagRecord& r) { return r.direction == 'O'; }

}  // namespace

void PathStack::push(const QString& name, int step) {
  entries_.push_back(PathEntry{name, step, nextId()});
}

void PathQueue::append(const QString& name, int step) {
  entries_.push_back(PathEntry{name, step, nextId()});
}

PropagRecordList PropagRecordList::readFile(const QString& fileName) {
  QFile file(fileName);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return read(file);
}

PropagRecordList PropagRecordList::read(QIODevice& device) {
  return parse(device.readAll());
}

PropagRecordList PropagRecordList::parse(const QByteArray& text) {
  PropagRecordList list;
  RecordReader reader(list);
  for (char c : text) reader.feed(c);
  return list;
}

QString ItemOfPort(const QString& port) {
  const qsizetype dot = port.indexOf(u'.');
  return dot < 0 ? port : port.left(dot);
}

QString HistoryRule() { return QString(72, u'-'); }

QStringList FunctionUnits() {
  return {QStringLiteral("mul1"), QStringLiteral("sub"), QStringLiteral("mul2"),
          QStringLiteral("add"), QStringLiteral("comp")};
}

// ---------------------------------------------------------------------------
// PathSet

PathSet PathSet::build(const QString& unit, const QString& fileName) {
  return build(unit, PropagRecordList::readFile(fileName));
}

PathSet PathSet::build(const QString& unit, PropagRecordList records) {
  PathSet set;
  set.unit_ = unit;
  set.records_ = std::move(records);
  set.buildAdjustment();
  set.separatorIndex_ = set.merged_.entries().size();
  set.merged_.append(kPathSeparator, 0);
  set.buildObservation();
  return set;
}

// A record belongs to an item when the item's name occurs in its port name.
std::vector<const PropagRecord*> PathSet::recordsOf(const QString& item) const {
  std::vector<const PropagRecord*> out;
  for (const PropagRecord& r : records_.records())
    if (r.port.contains(item)) out.push_back(&r);
  return out;
}

// With function-unit records: every 'F' input must carry a non-zero
// controllability. Otherwise the records decide from the last read to the
// first: a controllable 'M' input makes the item controllable for good, an
// 'R' input sets it to whether it is controllable, 'S' and 'U' records set it.
bool PathSet::controllable(const QString& item) const {
  const auto recs = recordsOf(item);
  const bool hasF = std::any_of(recs.begin(), recs.end(),
                                [](const PropagRecord* r) { return r->kind == 'F'; });
  if (hasF) {
    return std::all_of(recs.begin(), recs.end(), [](const PropagRecord* r) {
      return !(r->kind == 'F' && isInput(*r)) || r->con != 0.0;
    });
  }
  bool result = false;
  for (const PropagRecord* r : recs) {
    if (r->kind == 'M' && isInput(*r)) {
      if (r->con != 0.0) result = true;
    } else if (r->kind == 'R' && isInput(*r)) {
      result = r->con != 0.0;
    } else if (r->kind == 'S' || r->kind == 'U') {
      result = true;
    }
  }
  return result;
}

// Starts observable; an 'F' output with zero observability makes the item
// unobservable, an 'M' or 'R' output sets it to whether it is observed, 'S'
// and 'U' records set it.
bool PathSet::observable(const QString& item) const {
  bool result = true;
  for (const PropagRecord* r : recordsOf(item)) {
    if (r->kind == 'F' && isOutput(*r)) {
      if (r->obs == 0.0) result = false;
    } else if ((r->kind == 'M' || r->kind == 'R') && isOutput(*r)) {
      result = r->obs != 0.0;
    } else if (r->kind == 'S' || r->kind == 'U') {
      result = true;
    }
  }
  return result;
}

const PropagRecord* PathSet::bestSource(const QString& port) const {
  const QString item = ItemOfPort(port);
  if (!controllable(item)) return nullptr;
  const PropagRecord* best = nullptr;
  double max = 0.0;
  for (const PropagRecord* r : recordsOf(item)) {
    const bool candidate =
        isInput(*r) && (r->kind == 'F' || ((r->kind == 'M' || r->kind == 'S') && r->con > 0.0));
    if (candidate) {
      if (r->con > max) {
        max = r->con;
        best = r;
      }
    } else if (r->kind == 'R' && isInput(*r)) {
      best = r;
    } else if (r->kind == 'U' && r->port == port) {
      best = r;
    }
  }
  return best;
}

const PropagRecord* PathSet::nextSink(const QString& port) const {
  const QString item = ItemOfPort(port);
  if (!observable(item)) return nullptr;
  const PropagRecord* choice = nullptr;
  for (const PropagRecord* r : recordsOf(item)) {
    if ((r->kind == 'F' || r->kind == 'M' || r->kind == 'R') && isOutput(*r)) {
      choice = r;
    } else if (r->kind == 'S' && r->port == port) {
      return r;
    } else if (r->kind == 'U' && r->port == port) {
      choice = r;
    }
  }
  return choice;
}

// Every input path of the unit on its own stack, from the unit's input back to
// a primary input; then the stacks merged level by level, deepest first.
void PathSet::buildAdjustment() {
  if (!controllable(unit_)) return;
  std::vector<PathStack> stacks;
  int k = 0;
  for (const PropagRecord* r : recordsOf(unit_)) {
    if (!isInput(*r)) continue;
    const bool collected = r->kind == 'F' || r->kind == 'R' ||
                           ((r->kind == 'M' || r->kind == 'S') && r->con > 0.0);
    if (!collected) continue;
    PathStack stack;
    stack.push(r->port, k);
    stack.push(r->driver, k);
    // A record met twice would start a cycle: the walk ends there.
    std::unordered_set<const PropagRecord*> visited{r};
    QString last = r->driver;
    while (const PropagRecord* source = bestSource(last)) {
      if (source->kind == 'U' || !visited.insert(source).second) break;
      stack.push(source->port, k);
      stack.push(source->driver, k);
      last = source->driver;
    }
    stacks.push_back(std::move(stack));
    ++k;
  }
  int n = 0;
  for (const PathStack& s : stacks) n = std::max(n, s.nextId());
  for (int h = n - 1; h >= 1; --h) {
    for (const PathStack& s : stacks) {
      const auto& entries = s.entries();
      for (auto it = entries.rbegin(); it != entries.rend(); ++it)
        if (it->id == h) merged_.append(it->name, -h);
    }
  }
}

// Every output path of the unit on its own queue, from the unit's output to a
// primary output; the queues are aligned at their ends so that the last entry
// of each gets the largest step value.
void PathSet::buildObservation() {
  if (!observable(unit_)) return;
  std::vector<PathQueue> queues;
  for (const PropagRecord* r : recordsOf(unit_)) {
    if (!isOutput(*r)) continue;
    const bool collected = r->kind == 'F' || r->kind == 'R' ||
                           ((r->kind == 'M' || r->kind == 'S') && r->obs > 0.0);
    if (!collected) continue;
    PathQueue queue;
    queue.append(r->port, 0);
    std::unordered_set<const PropagRecord*> visited{r};
    QString current = r->sink;
    while (const PropagRecord* found = nextSink(current)) {
      if (found->kind == 'U') {
        queue.append(found->port, 0);
        break;
      }
      // A record met twice would start a cycle: the walk ends there.
      if (!visited.insert(found).second) break;
      queue.append(current, 0);
      if (found->port != current) queue.append(found->port, 0);
      current = found->sink;
    }
    queues.push_back(std::move(queue));
  }
  int m = 0;
  for (const PathQueue& q : queues) m = std::max(m, q.size());
  for (const PathQueue& q : queues)
    for (const PathEntry& e : q.entries()) merged_.append(e.name, m + e.id - q.nextId() + 1);
}

int PathSet::countSteps() const {
  int count = 0;
  for (int v = kMinStep; v <= kMaxStep; ++v) {
    const auto& entries = merged_.entries();
    for (std::size_t i = 0; i < entries.size(); ++i) {
      if (!isSeparator(i) && entries[i].step == v) {
        ++count;
        break;
      }
    }
  }
  return count;
}

QString PathSet::stepText(int step) const {
  QString text;
  const auto& entries = merged_.entries();
  for (std::size_t i = 0; i < entries.size(); ++i)
    if (!isSeparator(i) && entries[i].step == step) text = entries[i].name + u' ' + text;
  return text;
}

QStringList PathSet::listing() const {
  QStringList lines;
  lines << QStringLiteral("Test data propagation paths for %1:").arg(unit_) << QString()
        << QStringLiteral("Test vector adjustment path:");
  if (startsWithSeparator()) lines << kUncontrollable;
  int counter = 1;
  for (int v = kMinStep; v <= kMaxStep; ++v) {
    if (v == 0) {
      lines << QString() << QStringLiteral("Response observation path:");
      if (separatorIsLast()) lines << kUnobservable;
    }
    const QString text = stepText(v);
    if (!text.isEmpty()) lines << QStringLiteral("   Step %1) %2").arg(counter++).arg(text);
  }
  lines << HistoryRule();
  return lines;
}

// ---------------------------------------------------------------------------
// PathBrowser

PathBrowser::PathBrowser(QString fileName) : fileName_(std::move(fileName)) {}

PathBrowser::PathBrowser(PropagRecordList records) : records_(std::move(records)) {}

void PathBrowser::emitLine(const QString& line) const {
  if (lineSink_) lineSink_(line);
}

void PathBrowser::resetCursor() {
  cursor_.reset();
  if (paths_ && !paths_->merged().empty()) cursor_ = 0;
  stepNumber_ = 0;
  stepCount_ = paths_ ? paths_->countSteps() : 0;
  observation_ = false;
  stepped_ = false;
  atEnd_ = false;
}

void PathBrowser::prepare(const QString& unit) {
  if (paths_ && stepped_) emitLine(HistoryRule());
  discard();
  unit_ = unit;
  if (unit_.isEmpty()) return;
  paths_ = records_ ? PathSet::build(unit_, *records_) : PathSet::build(unit_, fileName_);
  resetCursor();
}

void PathBrowser::discard() {
  paths_.reset();
  resetCursor();
}

void PathBrowser::restart() {
  if (!paths_) return;
  resetCursor();
  if (cursor_ && !paths_->isSeparator(*cursor_) && markSink_)
    markSink_(paths_->merged().entries()[*cursor_].name, false);
}

bool PathBrowser::step() {
  if (!paths_ || atEnd_) return false;
  stepped_ = true;
  const auto& entries = paths_->merged().entries();
  if (!observation_ && stepNumber_ == 0) {
    emitLine(QStringLiteral("'%1' selected...").arg(unit_));
    emitLine(QString());
  }
  // Without an adjustment part the first press says so, and stepping goes on
  // with the observation part.
  if (paths_->startsWithSeparator()) {
    if (!observation_) emitLine(kUncontrollable);
    if (entries.size() == 1) emitLine(kUnobservable);
  }
  bool exhausted = false;
  if (stepNumber_ < stepCount_) {
    if (cursor_) {
      std::size_t i = *cursor_;
      // Steps outside the shown range are passed over.
      while (i < entries.size() && !paths_->isSeparator(i) &&
             (entries[i].step < kMinStep || entries[i].step > kMaxStep))
        ++i;
      QString text;
      if (i < entries.size()) {
        const int value = entries[i].step;
        for (; i < entries.size() && entries[i].step == value; ++i) {
          if (paths_->isSeparator(i)) {
            observation_ = true;
            emitLine(QStringLiteral("--------"));
          } else {
            text = entries[i].name + u' ' + text;
          }
        }
      }
      cursor_ = i;
      if (!text.isEmpty()) {
        emitLine(observation_ ? QStringLiteral("Response observation")
                              : QStringLiteral("Test vector adjustment"));
        ++stepNumber_;
        emitLine(QStringLiteral("   Step %1) %2").arg(stepNumber_).arg(text));
        if (markSink_) markSink_(text, observation_);
      }
      if (i >= entries.size()) {
        cursor_ = entries.size() - 1;
        exhausted = true;  // nothing is left to show, whatever the step count says
      }
    } else {
      cursor_ = 0;
      stepNumber_ = 0;
    }
    if (cursor_ && *cursor_ + 1 == entries.size() && !observation_) emitLine(kUnobservable);
  }
  if (stepNumber_ >= stepCount_ || exhausted) {
    emitLine(QStringLiteral(" "));
    emitLine(QStringLiteral("End of data for '%1'.").arg(unit_));
    emitLine(HistoryRule());
    atEnd_ = true;
    return false;
  }
  return true;
}

void PathBrowser::listUnit(const QString& unit) {
  discard();
  unit_ = unit;
  if (unit_.isEmpty()) return;
  paths_ = records_ ? PathSet::build(unit_, *records_) : PathSet::build(unit_, fileName_);
  for (const QString& line : paths_->listing()) emitLine(line);
  // Single stepping goes on from the first entry of the new paths.
  resetCursor();
}

void PathBrowser::listAll() {
  for (const QString& unit : FunctionUnits()) listUnit(unit);
}
