#include "ui/progresstext.h"

#include <QEvent>
#include <QFontMetrics>
#include <QLocale>
#include <QProgressBar>
#include <QStyle>
#include <QStyleOptionProgressBar>

#include <algorithm>

namespace {

// Room left at each end of the text, so that it never touches the frame.
constexpr int kTextMargin = 3;

}  // namespace

QString ExpandProgressFormat(const QString& format, const QProgressBar& bar) {
  const qint64 steps = qint64(bar.maximum()) - bar.minimum();
  if ((bar.minimum() == 0 && bar.maximum() == 0) || bar.value() < bar.minimum()) return QString();
  QLocale locale = bar.locale();
  locale.setNumberOptions(locale.numberOptions() | QLocale::OmitGroupSeparator);
  QString text = format;
  text.replace(QStringLiteral("%m"), locale.toString(steps));
  text.replace(QStringLiteral("%v"), locale.toString(bar.value()));
  const qint64 percent = steps == 0 ? 0 : (qint64(bar.value()) - bar.minimum()) * 100 / steps;
  text.replace(QStringLiteral("%p"), locale.toString(percent));
  return text;
}

int ProgressTextRoom(const QProgressBar& bar) {
  QStyleOptionProgressBar option;
  option.initFrom(&bar);
  option.minimum = bar.minimum();
  option.maximum = bar.maximum();
  option.progress = bar.value();
  option.textVisible = true;
  const QRect label = bar.style()->subElementRect(QStyle::SE_ProgressBarLabel, &option, &bar);
  const int width = label.isValid() ? std::min(label.width(), bar.contentsRect().width()) : bar.contentsRect().width();
  return std::max(0, width - 2 * kTextMargin);
}

ProgressTextFitter::ProgressTextFitter(QProgressBar* bar, QStringList formats)
    : QObject(bar), bar_(bar), formats_(std::move(formats)) {
  bar_->installEventFilter(this);
  connect(bar_, &QProgressBar::valueChanged, this, &ProgressTextFitter::refit);
  refit();
}

void ProgressTextFitter::refit() {
  if (formats_.isEmpty()) return;
  const QFontMetrics metrics = bar_->fontMetrics();
  const int room = ProgressTextRoom(*bar_);
  QString chosen;
  for (const QString& format : formats_) {
    if (metrics.horizontalAdvance(ExpandProgressFormat(format, *bar_)) <= room) {
      chosen = format;
      break;
    }
  }
  // Nothing fits: the shortest, elided (the numbers written in, as it no longer follows the value by itself).
  if (chosen.isEmpty())
    chosen = metrics.elidedText(ExpandProgressFormat(formats_.back(), *bar_), Qt::ElideRight, room);
  if (bar_->format() != chosen) bar_->setFormat(chosen);
}

bool ProgressTextFitter::eventFilter(QObject* watched, QEvent* event) {
  if (watched == bar_) {
    const QEvent::Type type = event->type();
    if (type == QEvent::Paint || type == QEvent::Resize || type == QEvent::FontChange || type == QEvent::Show)
      refit();
  }
  return QObject::eventFilter(watched, event);
}

ProgressTextFitter* FitProgressText(QProgressBar* bar, const QStringList& formats) {
  return new ProgressTextFitter(bar, formats);
}
