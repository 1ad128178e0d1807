// Helpers shared by the front-end tests.
#pragma once

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QtTest>

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
