#include "enginelink/checkjob.h"

#include <QDir>
#include <QFile>

#include "enginelink/enginerun.h"

namespace {

const QStringList kCheckFiles{QStringLiteral("*.check.json")};

}  // namespace

CheckJob::CheckJob(QObject* parent) : QObject(parent) {}

void CheckJob::start(const QString& program, const QStringList& arguments, const QString& folder) {
  if (run_ != nullptr) run_->deleteLater();  // abandons its engine
  folder_ = folder;
  const QDir dir(folder);
  for (const QString& old : dir.entryList(kCheckFiles, QDir::Files)) QFile::remove(dir.filePath(old));
  auto* run = new EngineRun(this);
  run_ = run;
  connect(run, &EngineRun::finished, this, [this, run] {
    if (run == run_) engineEnded(QString());
  });
  connect(run, &EngineRun::failed, this, [this, run](const QString& reason) {
    if (run == run_) engineEnded(reason);
  });
  run->start(program, arguments, folder);
}

bool CheckJob::isRunning() const { return run_ != nullptr && run_->isRunning(); }

void CheckJob::abandon() {
  if (run_ == nullptr) return;
  EngineRun* run = run_;
  run_ = nullptr;
  run->disconnect(this);
  run->deleteLater();  // kills its engine
}

void CheckJob::engineEnded(const QString& reason) {
  // Status 1 with a report: the design has errors, which the report lists.
  if (!reason.isEmpty() && run_->exitStatus() != 1) {
    emit failed(run_->failureText(reason));
    return;
  }
  const QString file = FindCheckJson(folder_);
  if (file.isEmpty()) {
    emit failed(run_->failureText(reason.isEmpty() ? QStringLiteral("the engine wrote no check report") : reason));
    return;
  }
  const ReadResult<CheckReport> read = readCheckReport(file);
  if (!read) {
    emit failed(QStringLiteral("The check report could not be read:\n") + read.errors.join(u'\n'));
    return;
  }
  emit reported(*read.value);
}

QString FindCheckJson(const QString& folder) {
  const QFileInfoList found = QDir(folder).entryInfoList(kCheckFiles, QDir::Files, QDir::Time);
  return found.isEmpty() ? QString() : found.front().absoluteFilePath();
}
