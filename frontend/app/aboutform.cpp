#include "app/aboutform.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>
#include <QVBoxLayout>

#include "ui/fixedlayout.h"

QPixmap LumenoPicture(int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QSvgRenderer renderer(QStringLiteral(":/lumeno/lumeno.svg"));
  if (renderer.isValid()) {
    QPainter painter(&pixmap);
    renderer.render(&painter);
  }
  return pixmap;
}

TAboutBox::TAboutBox(const QString& enginePath, const QString& workingFolder, QWidget* parent)
    : QDialog(parent) {
  setWindowTitle(QStringLiteral("About Lumeno"));
  // Drawn 500 pixels wide for 96 DPI; wider with the font resolution, never wider than the screen.
  const double factor = WindowScaleFactor(QSize(500, 1), ScreenMetricsOf(this));
  auto scaled = [factor](int length) { return ScaledSize(QSize(length, 1), factor).width(); };
  auto* picture = new QLabel(this);
  picture->setPixmap(LumenoPicture(scaled(128)));
  picture->setAlignment(Qt::AlignTop | Qt::AlignHCenter);

  const QString engine = enginePath.isEmpty() ? QStringLiteral("not found") : enginePath.toHtmlEscaped();
  text_ = new QLabel(this);
  text_->setTextFormat(Qt::RichText);
  text_->setWordWrap(true);
  text_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  text_->setText(
      QStringLiteral("<h2>Lumeno</h2>"
                     "<p>A workbench for learning the testability of register-transfer level data paths. "
                     "Analyse the benchmark circuit <b>diffeq</b>, compose scan layouts by hand or let a "
                     "genetic algorithm design one under area and pin limits, and compare the results "
                     "run by run.</p>"
                     "<p>Lumeno runs the engine <b>tarvex</b> for every action.</p>"
                     "<p><b>Engine:</b> %1<br><b>Working folder:</b> %2</p>")
          .arg(engine, workingFolder.toHtmlEscaped()));
  text_->setMinimumWidth(scaled(320));

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

  auto* row = new QHBoxLayout;
  row->addWidget(picture);
  row->addWidget(text_, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(row);
  layout->addWidget(buttons);
  setFixedWidth(scaled(500));
}

QString TAboutBox::text() const { return text_->text(); }
