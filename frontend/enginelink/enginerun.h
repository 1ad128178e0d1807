// One run of the engine as a child process: started hidden in a folder, its
// standard output discarded, its standard error kept (progress lines are
// passed on as they come). It ends by signalling finished or failed, once.
#pragma once

#include <QObject>
#include <QProcess>
#include <QString>
#include <QStringList>

// The reason a run ended by stop() gives: a wish of the user, not a fault.
QString RunStoppedReason();

class EngineRun : public QObject {
  Q_OBJECT
 public:
  // A run that has not been started.
  explicit EngineRun(QObject* parent = nullptr);
  // Kills an engine still running.
  ~EngineRun() override;

  // Starts `program` with `arguments` in `folder`; failure to start is
  // signalled as failed.
  void start(const QString& program, const QStringList& arguments, const QString& folder);
  // Kills the engine, if it runs, without signalling anything.
  void abandon();
  // Ends a running engine at the user's wish: kills it and signals failed
  // with RunStoppedReason(). Whatever it wrote so far is not a result.
  void stop();
  // True when the run was ended by stop().
  bool wasStopped() const { return stopped_; }

  // True from start until the end has been signalled.
  bool isRunning() const { return started_ && !ended_; }
  // True once finished or failed has been signalled.
  bool hasEnded() const { return ended_; }
  // What the engine wrote to its standard error, progress lines left out.
  QString errorText() const { return errorText_; }
  // The exit status of an engine that ended normally; -1 before that, or
  // when it could not be started or crashed.
  int exitStatus() const { return exitStatus_; }
  // `reason` followed by what the engine wrote to its standard error, for
  // the one who reports a failed run.
  QString failureText(const QString& reason) const;

 signals:
  // The engine ended normally with exit status 0.
  void finished();
  // The engine could not be started, crashed or ended with another status.
  void failed(const QString& reason);
  // A line "progress ..." from the engine's standard error.
  void progressLine(const QString& line);

 private:
  void readErrors(bool all);
  void end(const QString& failure);

  QProcess* process_ = nullptr;
  QByteArray pending_;
  QString errorText_;
  bool started_ = false;
  bool ended_ = false;
  bool stopped_ = false;
  int exitStatus_ = -1;
};
