#include "enginelink/platform.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

bool isEngine(const QString& path) {
  const QFileInfo info(path);
  return info.isFile() && info.isExecutable();
}

}  // namespace

QString FindEngine(const QString& programDir) {
  const QDir dir(programDir);
  const QString name = QString::fromLatin1(kEngineName);
  for (const QString& candidate :
       {dir.filePath(name), dir.filePath(QStringLiteral("../engine/") + name)}) {
    if (isEngine(candidate)) return QFileInfo(candidate).canonicalFilePath();
  }
  return QStandardPaths::findExecutable(name);
}

QString ChooseWorkingFolder(const QString& currentDir, const QString& userDir, QString* error) {
  const QString bench = QString::fromLatin1(kBenchmarkName);
  if (!currentDir.isEmpty() && QFileInfo(QDir(currentDir).filePath(bench)).isFile())
    return currentDir;

  if (userDir.isEmpty()) {
    if (error) *error = QStringLiteral("No folder for the benchmark description is available.");
    return {};
  }
  QDir dir(userDir);
  if (!dir.mkpath(QStringLiteral("."))) {
    if (error) *error = QStringLiteral("Can't create the folder '%1'.").arg(userDir);
    return {};
  }
  const QString target = dir.filePath(bench);
  if (!QFileInfo(target).isFile()) {
    if (!QFile::copy(QString::fromLatin1(kBundledBenchmark), target)) {
      if (error) *error = QStringLiteral("Can't copy the benchmark description to '%1'.").arg(target);
      return {};
    }
    // Files copied out of the resources are read-only; the learner may edit it.
    QFile::setPermissions(target, QFile::permissions(target) | QFileDevice::WriteOwner);
  }
  return dir.absolutePath();
}
