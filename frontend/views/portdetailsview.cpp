#include "views/portdetailsview.h"

#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QVBoxLayout>

PortDetailsView::PortDetailsView(QWidget* parent)
    : QWidget(parent),
      model_(this),
      proxy_(new QSortFilterProxyModel(this)),
      summary_(new QLabel(this)),
      filter_(new QLineEdit(this)),
      table_(new QTableView(this)),
      exportButton_(new QPushButton(QStringLiteral("Export &CSV..."), this)),
      status_(new QLabel(this)) {
  setWindowTitle(QStringLiteral("Testability Details"));
  proxy_->setSourceModel(&model_);
  proxy_->setSortRole(Qt::UserRole);
  proxy_->setFilterKeyColumn(PortDetailsModel::kPort);
  proxy_->setFilterCaseSensitivity(Qt::CaseInsensitive);
  table_->setModel(proxy_);
  table_->setSortingEnabled(true);
  table_->sortByColumn(-1, Qt::AscendingOrder);  // the engine's order until a header is clicked
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->verticalHeader()->hide();
  table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 6);
  table_->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  table_->horizontalHeader()->setStretchLastSection(true);
  table_->setToolTip(QStringLiteral("The testability of every port; click a heading to sort"));
  summary_->setWordWrap(true);
  summary_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  filter_->setPlaceholderText(QStringLiteral("Filter ports by name"));
  filter_->setClearButtonEnabled(true);
  exportButton_->setToolTip(QStringLiteral("Write the rows shown to a CSV file"));
  connect(filter_, &QLineEdit::textChanged, this, &PortDetailsView::setFilterText);
  connect(exportButton_, &QPushButton::clicked, this, &PortDetailsView::exportCsv);

  auto* top = new QHBoxLayout;
  top->addWidget(filter_, 1);
  top->addWidget(exportButton_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(summary_);
  layout->addLayout(top);
  layout->addWidget(table_, 1);
  layout->addWidget(status_);
  chooseFile_ = [this] {
    return QFileDialog::getSaveFileName(this, QStringLiteral("Export the testability details"),
                                        QDir::home().filePath(QStringLiteral("details.csv")),
                                        QStringLiteral("CSV files (*.csv);;All files (*)"));
  };
  showCount();
}

void PortDetailsView::setCircuit(const CircuitResult& circuit) {
  model_.setCircuit(circuit);
  summary_->setText(model_.summary());
  table_->horizontalHeader()->setResizeContentsPrecision(64);
  table_->resizeColumnsToContents();
  showCount();
}

void PortDetailsView::clear() {
  model_.clear();
  summary_->setText(QStringLiteral("No analysis yet."));
  showCount();
}

void PortDetailsView::setFilterText(const QString& text) {
  if (filter_->text() != text) filter_->setText(text);  // comes back here once
  proxy_->setFilterFixedString(text);
  showCount();
}

void PortDetailsView::showCount() {
  status_->setText(QStringLiteral("%1 of %2 ports shown.").arg(proxy_->rowCount()).arg(model_.rowCount()));
}

QString PortDetailsView::visibleCsv() const {
  std::vector<int> rows;
  rows.reserve(static_cast<std::size_t>(proxy_->rowCount()));
  for (int r = 0; r < proxy_->rowCount(); ++r) rows.push_back(proxy_->mapToSource(proxy_->index(r, 0)).row());
  return model_.csv(rows);
}

bool PortDetailsView::exportCsv() {
  const QString file = chooseFile_ ? chooseFile_() : QString();
  if (file.isEmpty()) return false;
  QSaveFile out(file);
  const QByteArray bytes = visibleCsv().toUtf8();
  const bool ok = out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size() && out.commit();
  status_->setText(ok ? QStringLiteral("%1 ports written to %2.").arg(proxy_->rowCount()).arg(QDir::toNativeSeparators(file))
                      : QStringLiteral("Could not write %1.").arg(QDir::toNativeSeparators(file)));
  return ok;
}
