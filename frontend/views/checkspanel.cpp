#include "views/checkspanel.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "models/circuitsession.h"
#include "ui/fixedlayout.h"
#include "views/runstatusline.h"

namespace {

enum Column { kRule, kSeverity, kObject, kLocation, kMessage, kColumns };

// The colour of a severity: errors red, warnings amber, infos blue.
QColor severityColour(const QString& severity) {
  if (severity == u"error") return {176, 0, 0};
  if (severity == u"warning") return {160, 100, 0};
  return {0, 70, 150};
}

QTableWidgetItem* cell(const QString& text) {
  auto* item = new QTableWidgetItem(text);
  item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
  return item;
}

}  // namespace

ChecksPanel::ChecksPanel(QWidget* parent)
    : QWidget(parent, Qt::Window),
      testMode_(new QLineEdit(this)),
      runButton_(new QPushButton(QStringLiteral("&Run checks"), this)),
      summary_(new QLabel(this)),
      table_(new QTableWidget(0, kColumns, this)),
      status_(new RunStatusLine(this)) {
  setWindowTitle(QStringLiteral("Scan-Readiness Checks"));
  testMode_->setPlaceholderText(QStringLiteral("none, e.g. test_mode=1, rst_n=1"));
  testMode_->setToolTip(QStringLiteral("Primary inputs held constant in test mode: PORT=0 or PORT=1, "
                                       "separated by commas or spaces"));
  summary_->setWordWrap(true);
  summary_->setText(QStringLiteral("No checks run yet."));
  table_->setHorizontalHeaderLabels({QStringLiteral("Rule"), QStringLiteral("Severity"), QStringLiteral("Object"),
                                     QStringLiteral("Source"), QStringLiteral("What to do")});
  table_->verticalHeader()->hide();
  // Rows grow with their wrapped advice, whatever the width.
  table_->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setSelectionMode(QAbstractItemView::SingleSelection);
  table_->setWordWrap(true);
  table_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  table_->horizontalHeader()->setSectionResizeMode(kMessage, QHeaderView::Stretch);
  table_->setToolTip(QStringLiteral("Click a finding to show its register on the schema"));

  auto* top = new QHBoxLayout;
  top->addWidget(new QLabel(QStringLiteral("Test-mode pins"), this));
  top->addWidget(testMode_, 1);
  top->addWidget(runButton_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(summary_);
  layout->addWidget(table_, 1);
  layout->addWidget(status_);
  // Opens at its 96-DPI size, grown with the font resolution and kept on the screen.
  resize(FittedWindowSize(QSize(820, 420), ScreenMetricsOf(this)));

  connect(runButton_, &QPushButton::clicked, this, &ChecksPanel::runClicked);
  connect(testMode_, &QLineEdit::returnPressed, this, &ChecksPanel::runClicked);
  connect(table_, &QTableWidget::cellClicked, this, [this](int row, int) { findingClicked(row); });
  connect(status_, &RunStatusLine::busyChanged, this, &ChecksPanel::updateRunButton);
  setCheckable(false, QStringLiteral("No circuit read from Verilog"));
}

void ChecksPanel::setReport(const CheckReport& report) {
  report_ = report;
  QStringList domains;
  for (const auto& d : report_.clockDomains) domains << QStringLiteral("%1 %2 (%3)").arg(d.clock, d.edge).arg(d.flipFlops);
  summary_->setText(report_.summary() +
                    (domains.isEmpty() ? QString() : QStringLiteral(" Clock domains: %1.").arg(domains.join(u", "))));
  table_->setRowCount(static_cast<int>(report_.findings.size()));
  for (int r = 0; r < static_cast<int>(report_.findings.size()); ++r) {
    const CheckFinding& f = report_.findings[r];
    const QStringList texts{f.rule, f.severity, f.object, f.location.isEmpty() ? QStringLiteral("-") : f.location,
                            f.message};
    for (int c = 0; c < kColumns; ++c) table_->setItem(r, c, cell(texts[c]));
    table_->item(r, kSeverity)->setForeground(severityColour(f.severity));
    table_->item(r, kMessage)->setToolTip(f.message);
    if (report_.reg(f.object) != nullptr)
      table_->item(r, kObject)->setToolTip(QStringLiteral("Click to show %1 on the schema").arg(f.object));
  }
}

void ChecksPanel::setCheckable(bool checkable, const QString& reason) {
  checkable_ = checkable;
  reason_ = reason;
  updateRunButton();
}

QString ChecksPanel::testModeText() const { return testMode_->text(); }

void ChecksPanel::setTestModeText(const QString& text) { testMode_->setText(text); }

void ChecksPanel::runClicked() {
  if (!checkable_ || status_->isBusy()) return;
  QString error;
  const QStringList pins = TestModePins(testMode_->text(), &error);
  if (!error.isEmpty()) {
    status_->showFailed(QStringLiteral("Test-mode pins: %1").arg(error));
    return;
  }
  emit checksRequested(pins);
}

void ChecksPanel::findingClicked(int row) {
  if (row < 0 || row >= static_cast<int>(report_.findings.size())) return;
  const QString object = report_.findings[row].object;
  if (!object.isEmpty()) emit objectChosen(object);
}

void ChecksPanel::showLocated(const QString& object, const QString& shown) {
  if (shown.isEmpty())
    status_->showFailed(QStringLiteral("'%1' is not on the schema (run an analysis to lay it out).").arg(object));
  else
    status_->showSucceeded(QStringLiteral("%1 is selected on the schema.").arg(shown));
}

void ChecksPanel::updateRunButton() {
  const bool busy = status_->isBusy();
  runButton_->setEnabled(checkable_ && !busy);
  testMode_->setEnabled(checkable_);
  runButton_->setToolTip(!checkable_ ? reason_
                         : busy      ? QStringLiteral("The checks are running")
                                     : QStringLiteral("Run 'tarvex check' on the design with these pins held"));
}
