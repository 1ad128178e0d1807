#include "enginelink/progressreader.h"

#include <QStringList>

#include <cmath>

std::optional<ProgressReport> ParseProgressLine(const QString& line) {
  const QStringList fields = line.trimmed().split(u' ');
  if (fields.size() != 5 || fields[0] != u"progress") return std::nullopt;
  ProgressReport r;
  const char* keys[] = {"generation=", "stale=", "best=", "elapsed="};
  for (int i = 0; i < 4; ++i) {
    const QString& f = fields[i + 1];
    const QLatin1String key(keys[i]);
    if (!f.startsWith(key)) return std::nullopt;
    const QString value = f.mid(key.size());
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
