// One `tarvex insert` run: the engine writes a design with scan chains and
// its chain description; the job reads the description back and reports
// what was written, or why nothing was. It never blocks: the engine runs as
// a child process (EngineRun) and the job signals when it ends.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include "enginelink/chaindescription.h"

class EngineRun;

class InsertJob : public QObject {
  Q_OBJECT
 public:
  explicit InsertJob(QObject* parent = nullptr);

  // Starts `program` with `arguments` (an insert writing `verilogFile`) in
  // `folder`; a job still running is abandoned first.
  void start(const QString& program, const QStringList& arguments, const QString& folder, const QString& verilogFile);
  // True from start until written or failed has been signalled.
  bool isRunning() const;
  // The Verilog file of the last start.
  const QString& verilogFile() const { return verilogFile_; }

 signals:
  // The design and its chain description were written.
  void written(const ChainDescription& description);
  // Nothing usable was written: `message` says why, with the engine's errors.
  void failed(const QString& message);

 private:
  void engineFinished();

  QPointer<EngineRun> run_;
  QString verilogFile_;
};
