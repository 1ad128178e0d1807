#include "views/runstatusline.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>

namespace {

// The first lines of a long error, the rest left to the tooltip.
QString firstLines(const QString& text, int count) {
  const QStringList lines = text.split(u'\n');
  return lines.size() <= count ? text : lines.mid(0, count).join(u'\n') + QStringLiteral("\n...");
}

}  // namespace

RunStatusLine::RunStatusLine(QWidget* parent) : QWidget(parent), bar_(new QProgressBar(this)), label_(new QLabel(this)) {
  bar_->setRange(0, 0);  // busy: the engine reports no progress for these runs
  bar_->setMaximumWidth(120);
  bar_->setTextVisible(false);
  bar_->hide();
  label_->setWordWrap(true);
  label_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(0, 0, 0, 0);
  row->addWidget(bar_);
  row->addWidget(label_, 1);
}

void RunStatusLine::showRunning(const QString& text) {
  failed_ = false;
  label_->setStyleSheet(QString());
  label_->setText(text);
  label_->setToolTip(QString());
  setBusy(true);
}

void RunStatusLine::showSucceeded(const QString& text) {
  failed_ = false;
  label_->setStyleSheet(QStringLiteral("color: #006000"));
  label_->setText(text);
  label_->setToolTip(text);
  setBusy(false);
}

void RunStatusLine::showFailed(const QString& text) {
  failed_ = true;
  label_->setStyleSheet(QStringLiteral("color: #b00000"));
  label_->setText(firstLines(text, 4));
  label_->setToolTip(text);
  setBusy(false);
}

QString RunStatusLine::text() const { return label_->text(); }

void RunStatusLine::setBusy(bool busy) {
  bar_->setVisible(busy);
  if (busy_ == busy) return;
  busy_ = busy;
  emit busyChanged(busy);
}
