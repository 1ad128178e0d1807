#include "views/optimiserpanel.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

#include "enginelink/enginerun.h"
#include "ui/progresstext.h"

OptimiserPanel::OptimiserPanel(QWidget* parent)
    : QWidget(parent, Qt::Window),
      method_(new QComboBox(this)),
      objective_(new QComboBox(this)),
      area_(new QDoubleSpinBox(this)),
      pins_(new QDoubleSpinBox(this)),
      population_(new QSpinBox(this)),
      patience_(new QSpinBox(this)),
      elitism_(new QCheckBox(QStringLiteral("Elitism"), this)),
      unordered_(new QCheckBox(QStringLiteral("Unordered scan"), this)),
      fixedSeed_(new QCheckBox(QStringLiteral("Fixed seed"), this)),
      seed_(new QSpinBox(this)),
      progress_(new QProgressBar(this)),
      status_(new QLabel(QStringLiteral("Ready."), this)),
      run_(new QPushButton(QStringLiteral("&Run"), this)),
      stop_(new QPushButton(QStringLiteral("&Stop"), this)) {
  setWindowTitle(QStringLiteral("Optimiser"));
  method_->addItem(QStringLiteral("Genetic algorithm"), QStringLiteral("ga"));
  method_->addItem(QStringLiteral("Exact search"), QStringLiteral("exact"));
  method_->addItem(QStringLiteral("Loop breaking"), QStringLiteral("loops"));
  method_->addItem(QStringLiteral("Full scan"), QStringLiteral("full"));
  objective_->addItem(QStringLiteral("graded"));
  objective_->addItem(QStringLiteral("classic"));
  for (auto* box : {area_, pins_}) {
    box->setRange(0.0, 1000.0);
    box->setDecimals(1);
    box->setSuffix(QStringLiteral(" %"));
  }
  // The engine's defaults.
  area_->setValue(7.0);
  pins_->setValue(13.0);
  population_->setRange(2, 100000);
  population_->setValue(20);
  patience_->setRange(1, 100000000);
  patience_->setValue(500);
  seed_->setRange(0, 2147483647);
  seed_->setEnabled(false);
  progress_->setRange(0, 1);
  progress_->setValue(0);
  // The longest of these texts that fits the bar, at any width, font and count.
  FitProgressText(progress_, {QStringLiteral("%v of %m generations without improvement"),
                              QStringLiteral("%v of %m generations"), QStringLiteral("%v / %m")});
  status_->setWordWrap(true);  // a long report wraps instead of widening the window

  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("Method"), method_);
  form->addRow(QStringLiteral("Objective"), objective_);
  form->addRow(QStringLiteral("Area budget"), area_);
  form->addRow(QStringLiteral("Pin budget"), pins_);
  form->addRow(QStringLiteral("Population"), population_);
  form->addRow(QStringLiteral("Patience"), patience_);
  auto* seedRow = new QHBoxLayout;
  seedRow->addWidget(fixedSeed_);
  seedRow->addWidget(seed_, 1);
  form->addRow(QStringLiteral("Seed"), seedRow);
  form->addRow(QString(), elitism_);
  form->addRow(QString(), unordered_);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(run_);
  buttons->addWidget(stop_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(progress_);
  layout->addWidget(status_);
  layout->addLayout(buttons);

  connect(fixedSeed_, &QCheckBox::toggled, seed_, &QSpinBox::setEnabled);
  connect(method_, &QComboBox::currentIndexChanged, this, &OptimiserPanel::updateControls);
  connect(run_, &QPushButton::clicked, this, [this] { emit runRequested(arguments()); });
  connect(stop_, &QPushButton::clicked, this, &OptimiserPanel::stopRequested);
  updateControls();
}

void OptimiserPanel::setCircuitFile(const QString& file, const QString& outDir) {
  file_ = file;
  outDir_ = outDir;
  updateControls();
}

QStringList OptimiserPanel::arguments() const {
  const QString method = method_->currentData().toString();
  QStringList args{QStringLiteral("optimise"), file_, QStringLiteral("--method"), method};
  args << QStringLiteral("--area") << QString::number(area_->value()) << QStringLiteral("--pins")
       << QString::number(pins_->value()) << QStringLiteral("--objective") << objective_->currentText();
  if (unordered_->isChecked()) args << QStringLiteral("--unordered");
  if (method == u"ga") {
    args << QStringLiteral("--population") << QString::number(population_->value()) << QStringLiteral("--patience")
         << QString::number(patience_->value());
    if (elitism_->isChecked()) args << QStringLiteral("--elitism");
  }
  if (fixedSeed_->isChecked()) args << QStringLiteral("--seed") << QString::number(seed_->value());
  args << QStringLiteral("--json") << QStringLiteral("--progress");
  if (!outDir_.isEmpty()) args << QStringLiteral("--out") << outDir_;
  return args;
}

void OptimiserPanel::setMethod(const QString& method) {
  const int index = method_->findData(method);
  if (index >= 0) method_->setCurrentIndex(index);
}

void OptimiserPanel::setSeed(qint64 seed) {
  fixedSeed_->setChecked(seed >= 0);
  if (seed >= 0) seed_->setValue(static_cast<int>(std::min<qint64>(seed, seed_->maximum())));
}

QString OptimiserPanel::statusText() const { return status_->text(); }
int OptimiserPanel::progressValue() const { return progress_->value(); }
int OptimiserPanel::progressMaximum() const { return progress_->maximum(); }

void OptimiserPanel::runStarted() {
  running_ = true;
  last_ = {};
  // Only the GA reports generations; the other methods show a busy bar.
  const bool ga = method_->currentData().toString() == u"ga";
  progress_->setRange(0, ga ? patience_->value() : 0);
  progress_->setValue(0);
  status_->setText(QStringLiteral("Running..."));
  updateControls();
}

void OptimiserPanel::showProgressLine(const QString& line) {
  const auto report = ParseProgressLine(line);
  if (!report) return;
  last_ = *report;
  if (progress_->maximum() > 0) progress_->setValue(static_cast<int>(std::min<qint64>(last_.stale, progress_->maximum())));
  status_->setText(QStringLiteral("Generation %1, best fitness %2, %3 s")
                       .arg(last_.generation)
                       .arg(last_.best, 0, 'f', 6)
                       .arg(last_.elapsed, 0, 'f', 1));
}

void OptimiserPanel::runFinished(bool ok, const QString& message) {
  running_ = false;
  if (progress_->maximum() == 0) progress_->setRange(0, 1);
  progress_->setValue(ok ? progress_->maximum() : progress_->minimum());
  if (message == RunStoppedReason())
    status_->setText(QStringLiteral("Stopped. The results shown are those of the previous run."));
  else
    status_->setText(message.isEmpty() ? (ok ? QStringLiteral("Finished.") : QStringLiteral("Failed.")) : message);
  updateControls();
}

QMessageBox::StandardButton OptimiserPanel::askToStop() {
  const QString text = QStringLiteral("The optimiser is still running.\n\nStop it? Its results are then discarded "
                                      "and those of the previous run kept. (No: it goes on and its results are "
                                      "shown when it ends.)");
  const auto buttons = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
  if (ask_) return ask_(this, QMessageBox::Question, QStringLiteral("Optimiser"), text, buttons);
  return QMessageBox::question(this, QStringLiteral("Optimiser"), text, buttons, QMessageBox::Yes);
}

void OptimiserPanel::closeEvent(QCloseEvent* event) {
  if (!running_) return QWidget::closeEvent(event);
  const auto answer = askToStop();
  if (answer == QMessageBox::Yes) {
    emit stopRequested();
  } else if (answer != QMessageBox::No) {
    event->ignore();  // Cancel, or the box was closed: the panel stays
    return;
  }
  QWidget::closeEvent(event);
}

void OptimiserPanel::updateControls() {
  const bool ga = method_->currentData().toString() == u"ga";
  for (QWidget* w : std::initializer_list<QWidget*>{population_, patience_, elitism_}) w->setEnabled(ga && !running_);
  run_->setEnabled(!running_ && !file_.isEmpty());
  stop_->setEnabled(running_);
}
