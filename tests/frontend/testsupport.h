// Helpers shared by the front-end tests.
#pragma once

#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTimer>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <ctime>
#include <deque>
#include <memory>
#include <vector>

#include "models/appstate.h"

// Records every message box instead of showing it, answering from a queue
// (Ok when the queue is empty).
class MessageLog {
 public:
  struct Entry {
    QMessageBox::Icon icon;
    QString caption;
    QString text;
    QMessageBox::StandardButtons buttons;
  };

  explicit MessageLog(AppState& state) : state_(state) {
    state_.setMessageBoxHandler([this](QWidget*, QMessageBox::Icon icon, const QString& caption, const QString& text,
                                QMessageBox::StandardButtons buttons) {
      entries.push_back({icon, caption, text, buttons});
      if (answers.empty()) return QMessageBox::Ok;
      const auto answer = answers.front();
      answers.pop_front();
      return answer;
    });
  }
  ~MessageLog() { state_.setMessageBoxHandler({}); }
  MessageLog(const MessageLog&) = delete;
  MessageLog& operator=(const MessageLog&) = delete;

  std::vector<Entry> entries;
  std::deque<QMessageBox::StandardButton> answers;

 private:
  AppState& state_;
};

// A temporary working folder, made current for the lifetime of the object.
class WorkFolder {
 public:
  explicit WorkFolder(bool withBenchmark = true) : previous_(QDir::currentPath()) {
    QVERIFY(dir_.isValid());
    if (withBenchmark)
      QVERIFY(QFile::copy(QStringLiteral(LUMENO_EXAMPLES "/diffeq"), dir_.filePath(QStringLiteral("diffeq"))));
    QDir::setCurrent(dir_.path());
  }
  ~WorkFolder() { QDir::setCurrent(previous_); }
  WorkFolder(const WorkFolder&) = delete;
  WorkFolder& operator=(const WorkFolder&) = delete;

  QString path() const { return dir_.path(); }
  QString file(const QString& name) const { return dir_.filePath(name); }

  // Writes `content` into a file of the folder.
  void write(const QString& name, const QByteArray& content) const {
    QFile f(file(name));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(content);
  }

  // The content of a file of the folder (empty when missing).
  QByteArray read(const QString& name) const {
    QFile f(file(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }

 private:
  QString previous_;
  QTemporaryDir dir_;
};

// Chooses an item of a combo box as the user would.
inline void choose(QComboBox* box, const QString& text) {
  const int index = box->findText(text);
  QVERIFY2(index >= 0, qPrintable(QStringLiteral("no item '%1'").arg(text)));
  box->setCurrentIndex(index);
  emit box->activated(index);
}

// The items of a combo box.
inline QStringList items(const QComboBox* box) {
  QStringList list;
  for (int i = 0; i < box->count(); ++i) list << box->itemText(i);
  return list;
}

// A fixed clock for the history lines.
inline QDateTime fixedNow() { return QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9)); }

// Sets the scan layout of the last results.
inline void setResultLayout(AppState& state, const QString& notation) {
  LastResults results = state.results();
  results.scanLayout = notation;
  state.setResults(results);
}

// A fresh state for every test, with the fixed clock.
class StateFixture {
 protected:
  void renewState() {
    state_ = std::make_unique<AppState>();
    state_->setClock(fixedNow);
  }
  AppState& state() { return *state_; }

 private:
  std::unique_ptr<AppState> state_ = std::make_unique<AppState>();
};

// Writes a layered data path of `ports` item ports to FOLDER/layered.txt
// with the circuit generator (33000: a b19-size design of about 10,000
// items and 2,500 registers, one large loop); returns its path, empty when
// the generator failed.
inline QString WriteLayeredDesign(const QString& folder, int ports = 33000) {
  QDir().mkpath(folder);
  const QString file = folder + QStringLiteral("/layered.txt");
  QProcess gen;
  gen.setStandardOutputFile(file);
  gen.start(QStringLiteral(GENCIRCUIT), {QStringLiteral("layered"), QString::number(ports)});
  return gen.waitForFinished(60000) && gen.exitCode() == 0 ? file : QString();
}

// Analyses `description` with the real engine into `outDir`; returns the
// path of its NAME.json, empty when the engine failed.
inline QString AnalyseWithEngine(const QString& description, const QString& outDir) {
  QProcess engine;
  engine.setStandardOutputFile(QProcess::nullDevice());
  engine.start(QStringLiteral(REAL_ENGINE),
               {QStringLiteral("analyse"), description, QStringLiteral("--json"), QStringLiteral("--out"), outDir});
  if (!engine.waitForFinished(240000) || engine.exitCode() != 0) return {};
  return outDir + u'/' + QFileInfo(description).completeBaseName() + QStringLiteral(".json");
}

// The longest time the event loop went unserved while it ran: a timer every
// 10 ms, the largest gap between two of its ticks, in wall-clock time and in
// processor time of the interface thread. The second is what the window's
// own work costs, whatever the machine's load; the first is what a user
// waits, which a busy machine lengthens.
class EventLoopWatch : public QObject {
 public:
  EventLoopWatch() {
    clock_.start();
    lastCpu_ = threadCpuMs();
    timer_.setInterval(10);
    QObject::connect(&timer_, &QTimer::timeout, this, [this] {
      maxGap_ = std::max(maxGap_, clock_.restart());
      const qint64 cpu = threadCpuMs();
      maxBusy_ = std::max(maxBusy_, cpu - lastCpu_);
      lastCpu_ = cpu;
    });
    timer_.start();
  }
  qint64 maxGapMs() const { return std::max(maxGap_, clock_.elapsed()); }
  qint64 maxBusyMs() const { return std::max(maxBusy_, threadCpuMs() - lastCpu_); }

  // The wall-clock gap allowed: 100 ms, or LUMENO_MAX_EVENT_GAP_MS on a
  // loaded machine (the processor-time gap is held to 100 ms regardless).
  static qint64 allowedGapMs() {
    bool ok = false;
    const qint64 env = qEnvironmentVariableIntValue("LUMENO_MAX_EVENT_GAP_MS", &ok);
    return ok && env > 0 ? env : 100;
  }
  static constexpr qint64 kAllowedBusyMs = 100;

  // Both gaps within their bounds, else what went over.
  QString verdict() const {
    if (maxBusyMs() > kAllowedBusyMs)
      return QStringLiteral("the interface thread worked %1 ms without serving events").arg(maxBusyMs());
    if (maxGapMs() > allowedGapMs())
      return QStringLiteral("the event loop was held up %1 ms (busy %2 ms)").arg(maxGapMs()).arg(maxBusyMs());
    return {};
  }

 private:
  static qint64 threadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return qint64(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
  }

  QTimer timer_;
  QElapsedTimer clock_;
  qint64 maxGap_ = 0, maxBusy_ = 0, lastCpu_ = 0;
};
