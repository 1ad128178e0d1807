#include "enginelink/insertjob.h"

#include <QFile>

#include "enginelink/enginerun.h"

InsertJob::InsertJob(QObject* parent) : QObject(parent) {}

void InsertJob::start(const QString& program, const QStringList& arguments, const QString& folder,
                      const QString& verilogFile) {
  if (run_ != nullptr) run_->deleteLater();  // abandons its engine
  verilogFile_ = verilogFile;
  // A description left by an earlier run is not taken for this run's.
  QFile::remove(ChainDescriptionFileFor(verilogFile));
  auto* run = new EngineRun(this);
  run_ = run;
  connect(run, &EngineRun::finished, this, [this, run] {
    if (run == run_) engineFinished();
  });
  connect(run, &EngineRun::failed, this, [this, run](const QString& reason) {
    if (run != run_) return;
    emit failed(run->failureText(reason));
  });
  run->start(program, arguments, folder);
}

bool InsertJob::isRunning() const { return run_ != nullptr && run_->isRunning(); }

void InsertJob::engineFinished() {
  const ReadResult<ChainDescription> read = readChainDescription(ChainDescriptionFileFor(verilogFile_));
  if (!read) {
    emit failed(QStringLiteral("The engine ended without a readable chain description:\n") + read.errors.join(u'\n'));
    return;
  }
  emit written(*read.value);
}
