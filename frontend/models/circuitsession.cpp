#include "models/circuitsession.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>

CircuitKind CircuitKindOf(const QString& path) {
  const QString suffix = QFileInfo(path).suffix().toLower();
  if (suffix == QLatin1String("v") || suffix == QLatin1String("sv")) return CircuitKind::Verilog;
  if (suffix == QLatin1String("json")) return CircuitKind::YosysJson;
  return CircuitKind::Description;
}

QString CircuitSession::path(const QString& fileName) const {
  return workFolder.isEmpty() ? fileName : QDir(workFolder).filePath(fileName);
}

CircuitSession StartSession(const QString& folder) {
  CircuitSession session;
  session.workFolder = folder;
  session.file = session.path(QStringLiteral("diffeq"));
  session.name = QStringLiteral("diffeq");
  session.benchmark = true;
  return session;
}

CircuitSession SessionFor(const QString& file, const QString& workRoot) {
  const QFileInfo info(file);
  CircuitSession session;
  session.file = info.absoluteFilePath();
  session.kind = CircuitKindOf(file);
  session.name = session.kind == CircuitKind::Description ? info.fileName() : info.completeBaseName();
  session.benchmark = session.kind == CircuitKind::Description && info.fileName() == QLatin1String("diffeq");
  if (session.benchmark) {
    session.workFolder = info.absolutePath();
  } else {
    // Two files of one name in different folders must not share results.
    const QByteArray tag =
        QCryptographicHash::hash(session.file.toUtf8(), QCryptographicHash::Sha1).toHex().left(8);
    session.workFolder = QDir(workRoot).filePath(session.name + u'-' + QString::fromLatin1(tag));
  }
  return session;
}

QString WindowTitleFor(const CircuitSession* session) {
  if (session == nullptr) return QStringLiteral("Lumeno");
  return QStringLiteral("Lumeno - %1").arg(session->name);
}

QStringList AnalyseArguments(const CircuitSession& session, const QString& notation) {
  QStringList args{QStringLiteral("analyse"), session.file, QStringLiteral("--json"), QStringLiteral("--out"),
                   session.workFolder};
  if (!notation.isEmpty()) args << QStringLiteral("--layout") << notation;
  return args;
}

QStringList OptimiseArguments(const CircuitSession& session, const OptimiseSettings& s) {
  QStringList args{QStringLiteral("optimise"), session.file,
                   QStringLiteral("--method"), s.method,
                   QStringLiteral("--area"), QString::number(s.area),
                   QStringLiteral("--pins"), QString::number(s.pins),
                   QStringLiteral("--population"), QString::number(s.population)};
  if (s.elitism) args << QStringLiteral("--elitism");
  args << QStringLiteral("--patience") << QString::number(s.patience);
  if (s.seed >= 0) args << QStringLiteral("--seed") << QString::number(s.seed);
  args << QStringLiteral("--json") << QStringLiteral("--progress") << QStringLiteral("--out") << session.workFolder;
  return args;
}

QStringList CompareArguments(const CircuitSession& session) {
  return {QStringLiteral("compare"), session.file, QStringLiteral("--json"), QStringLiteral("--out"),
          session.workFolder};
}

QStringList CompareFaultsimArguments(const CircuitSession& session) {
  QStringList args = CompareArguments(session);
  args.insert(2, QStringLiteral("--faultsim"));
  return args;
}

bool CanWriteVerilog(const CircuitSession& session) { return session.kind == CircuitKind::Verilog; }

bool IsGateLevelDesign(const CircuitSession& session) { return session.kind != CircuitKind::Description; }

QString NotForThisCircuit(const CircuitSession& session, const QString& what) {
  return QStringLiteral("%1 needs a circuit read from Verilog; '%2' is %3.")
      .arg(what, QFileInfo(session.file).fileName(),
           session.kind == CircuitKind::YosysJson ? QStringLiteral("a Yosys netlist")
                                                  : QStringLiteral("a circuit description"));
}

QStringList InsertArguments(const CircuitSession& session, const QString& notation, const QString& verilogFile) {
  return {QStringLiteral("insert"), session.file, QStringLiteral("--layout"),
          notation.trimmed().isEmpty() ? QStringLiteral("-1") : notation.trimmed(), QStringLiteral("-o"), verilogFile};
}

QString SuggestedVerilogFile(const CircuitSession& session, const QString& circuit) {
  const QFileInfo info(session.file);
  const QString name = circuit.isEmpty() ? info.completeBaseName() : circuit;
  return info.dir().filePath(name + QStringLiteral("_scan.v"));
}

QStringList TestModePins(const QString& text, QString* error) {
  const QRegularExpression pin(QStringLiteral(R"(^[A-Za-z_\\][^=\s,]*=[01]$)"));
  QStringList pins;
  for (const QString& entry : text.split(QRegularExpression(QStringLiteral("[,\\s]+")), Qt::SkipEmptyParts)) {
    if (!pin.match(entry).hasMatch()) {
      if (error != nullptr) *error = QStringLiteral("'%1' is not PORT=0 or PORT=1").arg(entry);
      return {};
    }
    pins << entry;
  }
  if (error != nullptr) error->clear();
  return pins;
}

QStringList CheckArguments(const CircuitSession& session, const QStringList& testModePins) {
  QStringList args{QStringLiteral("check"), session.file, QStringLiteral("--json")};
  for (const QString& pin : testModePins) args << QStringLiteral("--test-mode") << pin;
  return args;
}

namespace {

// The newest file of `folder` matching `pattern` and accepted by `keep`.
template <class Keep>
QString newest(const QString& folder, const QString& pattern, Keep keep) {
  const QFileInfoList files = QDir(folder).entryInfoList({pattern}, QDir::Files, QDir::Time);
  for (const QFileInfo& f : files)
    if (keep(f.fileName())) return f.absoluteFilePath();
  return {};
}

}  // namespace

QString FindResultJson(const QString& folder) {
  // Not the other files the engine writes as JSON: a comparison, a check
  // report, a chain description, a fault simulation.
  return newest(folder, QStringLiteral("*.json"), [](const QString& name) {
    for (const char* other : {".compare.json", ".check.json", ".chains.json", ".faultsim.json"})
      if (name.endsWith(QLatin1String(other))) return false;
    return true;
  });
}

QString FindCompareJson(const QString& folder) {
  return newest(folder, QStringLiteral("*.compare.json"), [](const QString&) { return true; });
}

void RemoveResultFiles(const QString& folder) {
  QDir dir(folder);
  const QStringList patterns{"*.json", "*.par", "*.txt", "*.pro", "*.tex", "*.html", "*.eva", "*.dot", "*.gar"};
  for (const QString& name : dir.entryList(patterns, QDir::Files)) dir.remove(name);
}

QStringList WithRecentFile(QStringList list, const QString& file, int limit) {
  list.removeAll(file);
  list.prepend(file);
  while (list.size() > std::max(0, limit)) list.removeLast();
  return list;
}

int ProgressPercent(const QString& line, long patience) {
  if (!line.startsWith(QLatin1String("progress ")) || patience <= 0) return -1;
  for (const QString& field : line.split(u' ', Qt::SkipEmptyParts)) {
    if (!field.startsWith(QLatin1String("stale="))) continue;
    bool ok = false;
    const long stale = field.mid(6).toLong(&ok);
    if (!ok || stale < 0) return -1;
    return static_cast<int>(std::min<long>(100, stale * 100 / patience));
  }
  return -1;
}
