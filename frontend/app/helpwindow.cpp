#include "app/helpwindow.h"

#include <QFile>
#include <QTextBrowser>
#include <QToolBar>
#include <QUrl>
#include <QVBoxLayout>

#include "ui/fixedlayout.h"

QString HelpPageUrl(const QString& topic) {
  QString name = topic.trimmed().toLower();
  if (name.endsWith(QStringLiteral(".hlp"))) name.chop(4);
  if (name.isEmpty()) return {};
  for (QChar c : name)
    if (!c.isLetter()) return {};
  const QString path = QStringLiteral(":/lumeno/help/%1.html").arg(name);
  if (!QFile::exists(path)) return {};
  return QStringLiteral("qrc") + path;
}

THelpWindow::THelpWindow(QWidget* parent) : QWidget(parent, Qt::Window), browser_(new QTextBrowser(this)) {
  setWindowTitle(QStringLiteral("Lumeno Help"));
  // Opens at its 96-DPI size, grown with the font resolution and kept on the screen.
  resize(FittedWindowSize(QSize(640, 560), ScreenMetricsOf(this)));
  auto* bar = new QToolBar(this);
  bar->addAction(QStringLiteral("Contents"), this, [this] { showTopic(QString::fromLatin1(kHelpTutorial)); });
  bar->addAction(QStringLiteral("Back"), browser_, &QTextBrowser::backward);
  bar->addAction(QStringLiteral("Forward"), browser_, &QTextBrowser::forward);
  browser_->setOpenLinks(true);
  browser_->setOpenExternalLinks(false);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(bar);
  layout->addWidget(browser_);
}

bool THelpWindow::showTopic(const QString& topic) {
  const QString url = HelpPageUrl(topic);
  if (url.isEmpty()) return false;
  browser_->setSource(QUrl(url));
  return true;
}
