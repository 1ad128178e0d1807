#include "enginelink/enginerun.h"

QString RunStoppedReason() { return QStringLiteral("the run was stopped"); }

EngineRun::EngineRun(QObject* parent) : QObject(parent) {}

EngineRun::~EngineRun() { abandon(); }

void EngineRun::start(const QString& program, const QStringList& arguments, const QString& folder) {
  abandon();
  started_ = true;
  ended_ = false;
  stopped_ = false;
  errorText_.clear();
  pending_.clear();
  exitStatus_ = -1;
  auto* process = new QProcess(this);
  process_ = process;
  process->setProgram(program);
  process->setArguments(arguments);
  process->setWorkingDirectory(folder);
  process->setStandardOutputFile(QProcess::nullDevice());
  connect(process, &QProcess::readyReadStandardError, this, [this, process] {
    if (process == process_) readErrors(false);
  });
  connect(process, &QProcess::finished, this, [this, process](int exitCode, QProcess::ExitStatus status) {
    if (process != process_) return;
    readErrors(true);
    if (status == QProcess::NormalExit) exitStatus_ = exitCode;
    if (status == QProcess::CrashExit)
      end(QStringLiteral("the engine crashed"));
    else if (exitCode != 0)
      end(QStringLiteral("the engine ended with exit status %1").arg(exitCode));
    else
      end(QString());
  });
  connect(process, &QProcess::errorOccurred, this, [this, process](QProcess::ProcessError error) {
    if (process != process_ || error != QProcess::FailedToStart) return;
    end(QStringLiteral("the engine could not be started (%1)").arg(process->errorString()));
  });
  process->start();
  if (process->state() != QProcess::NotRunning) process->closeWriteChannel();
}

QString EngineRun::failureText(const QString& reason) const {
  const QString errors = errorText_.trimmed();
  return errors.isEmpty() ? reason : reason + QStringLiteral(":\n") + errors;
}

void EngineRun::abandon() {
  if (process_ == nullptr) return;
  QProcess* process = process_;
  process_ = nullptr;
  process->disconnect(this);
  if (process->state() != QProcess::NotRunning) {
    process->kill();
    process->waitForFinished(2000);
  }
  process->deleteLater();
}

void EngineRun::stop() {
  if (!isRunning()) return;
  abandon();
  stopped_ = true;
  end(RunStoppedReason());
}

void EngineRun::readErrors(bool all) {
  if (process_ == nullptr) return;
  pending_ += process_->readAllStandardError();
  // Whole lines only, unless the engine has ended.
  qsizetype start = 0;
  for (qsizetype nl = pending_.indexOf('\n'); nl >= 0; nl = pending_.indexOf('\n', start)) {
    const QString line = QString::fromLocal8Bit(pending_.mid(start, nl - start));
    if (line.startsWith(QStringLiteral("progress ")))
      emit progressLine(line.trimmed());
    else
      errorText_ += line + u'\n';
    start = nl + 1;
  }
  pending_.remove(0, start);
  if (all && !pending_.isEmpty()) {
    errorText_ += QString::fromLocal8Bit(pending_);
    pending_.clear();
  }
}

void EngineRun::end(const QString& failure) {
  if (ended_) return;
  ended_ = true;
  if (failure.isEmpty())
    emit finished();
  else
    emit failed(failure);
}
