#include "views/layoutprogram.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>

#ifdef Q_OS_LINUX
#include <sys/resource.h>
#include <unistd.h>
#endif

namespace {

constexpr int kLayoutNiceness = 8;

// Ends a process still running: it is killed, not waited for in vain.
void killProcess(QProcess& process) {
  process.kill();
  process.waitForFinished(2000);
}

}  // namespace

void LowerThisThreadsPriority() {
#ifdef Q_OS_LINUX
  // Linux gives each thread its own nice value.
  (void)::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), kLayoutNiceness);
#endif
}

LayoutOutput RunLayoutProgram(const QString& program, const QByteArray& graph, const LayoutControl& control) {
  LayoutOutput out;
  const QString path = control.programFolder.isEmpty()
                           ? QStandardPaths::findExecutable(program)
                           : QStandardPaths::findExecutable(program, {control.programFolder});
  if (path.isEmpty()) {
    out.error = QStringLiteral("the layout program '%1' was not found").arg(program);
    return out;
  }
  QProcess process;
#ifdef Q_OS_LINUX
  // The layout yields the processor to the window that waits for it.
  process.setChildProcessModifier([] { (void)::nice(kLayoutNiceness); });
#endif
  process.start(path, {QStringLiteral("-Tdot")});
  if (!process.waitForStarted(10000)) {
    out.error = QStringLiteral("the layout program '%1' could not be started").arg(program);
    return out;
  }
  process.write(graph);
  process.closeWriteChannel();
  QElapsedTimer clock;
  clock.start();
  while (!process.waitForFinished(50)) {
    if (process.state() == QProcess::NotRunning) break;
    if (control.cancelled && control.cancelled()) {
      killProcess(process);
      out.cancelled = true;
      out.error = QStringLiteral("the layout was cancelled");
      return out;
    }
    if (clock.elapsed() > control.timeLimitMs) {
      killProcess(process);
      out.error = QStringLiteral("the layout took longer than %1 s and was stopped").arg(control.timeLimitMs / 1000);
      return out;
    }
  }
  if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
    const QString errors = QString::fromLocal8Bit(process.readAllStandardError()).trimmed();
    out.error = QStringLiteral("the layout program '%1' failed%2").arg(program, errors.isEmpty() ? QString() : ": " + errors);
    return out;
  }
  out.dot = process.readAllStandardOutput();
  return out;
}
