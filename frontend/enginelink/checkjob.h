// One `tarvex check --json` run: the engine writes NAME.check.json in the
// folder it runs in; the job reads it and reports the findings. A design
// with error-level findings makes the engine exit with status 1 and still
// write its report: that is a report, not a failure.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include "enginelink/checkreport.h"

class EngineRun;

class CheckJob : public QObject {
  Q_OBJECT
 public:
  explicit CheckJob(QObject* parent = nullptr);

  // Removes the reports of earlier checks from `folder` and starts `program`
  // with `arguments` in it; a job still running is abandoned first.
  void start(const QString& program, const QStringList& arguments, const QString& folder);
  // True from start until reported or failed has been signalled.
  bool isRunning() const;
  // Kills a running engine without signalling anything (another circuit was opened).
  void abandon();

 signals:
  // The engine's report was read.
  void reported(const CheckReport& report);
  // There is no report: `message` says why, with the engine's errors.
  void failed(const QString& message);

 private:
  void engineEnded(const QString& reason);

  QPointer<EngineRun> run_;
  QString folder_;
};

// The newest NAME.check.json in `folder`; empty when there is none.
QString FindCheckJson(const QString& folder);
