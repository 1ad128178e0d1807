#include "progressreader.h"

#include <cmath>

std::optional<ProgressReport> ParseProgressLine(const QByteArray& line) {
  const QList<QByteArray> fields = line.trimmed().split(' ');
  if (fields.size() != 5 || fields[0] != "progress") return std::nullopt;
  ProgressReport r;
  const char* keys[] = {"generation=", "stale=", "best=", "elapsed="};
  for (int i = 0; i < 4; ++i) {
    const QByteArray& f = fields[i + 1];
    if (!f.startsWith(keys[i])) return std::nullopt;
    const QByteArray value = f.mid(static_cast<qsizetype>(qstrlen(keys[i])));
    bool ok = false;
    if (i < 2) {
      const qint64 n = value.toLongLong(&ok);
      if (!ok || n < 0) return std::nullopt;
      (i == 0 ? r.generation : r.stale) = n;
    } else {
      const double d = value.toDouble(&ok);
      if (!ok || !std::isfinite(d)) return std::nullopt;
      (i == 2 ? r.best : r.elapsed) = d;
    }
  }
  return r;
}

std::vector<ProgressReport> ProgressReader::feed(const QByteArray& chunk) {
  pending_ += chunk;
  std::vector<ProgressReport> reports;
  qsizetype start = 0;
  for (qsizetype i = 0; i < pending_.size(); ++i) {
    if (pending_[i] != '\n' && pending_[i] != '\r') continue;
    const QByteArray line = pending_.mid(start, i - start);
    start = i + 1;
    if (line.trimmed().isEmpty()) continue;
    if (auto r = ParseProgressLine(line))
      reports.push_back(*r);
    else
      other_ << QString::fromUtf8(line);
  }
  pending_.remove(0, start);
  return reports;
}

void ProgressReader::reset() {
  pending_.clear();
  other_.clear();
}
