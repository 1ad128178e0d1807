// The windows laid out by hand for 96 DPI: the scale arithmetic, the exact
// sizes at 96 DPI, windows that fit a 1000-pixel screen at 144 DPI, captions
// that fit their controls, and the history that shows every line. The same
// test also runs on off-screen displays of 144 DPI (with and without Qt's own
// high-DPI scaling), where the windows meet the real screen.
#include <QAbstractButton>
#include <QCheckBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

#include <cmath>

#include "app/aboutform.h"
#include "classic/dftform.h"
#include "app/mainform.h"
#include "classic/schema.h"
#include "classic/tares.h"
#include "testsupport.h"
#include "ui/windowscale.h"

namespace {

const ScreenMetrics kDesktop96{96.0, QSize(1920, 1040)};
const ScreenMetrics kLaptop144{144.0, QSize(1600, 1000)};

// The room a window needs with its frame, at the DPI of `screen`.
QSize withFrame(QSize size, const ScreenMetrics& screen) {
  return size + ScaledSize(kFrameAllowance, screen.logicalDpi / kDesignDpi);
}

bool fits(QSize size, const ScreenMetrics& screen) {
  const QSize needed = withFrame(size, screen);
  return needed.width() <= screen.available.width() && needed.height() <= screen.available.height();
}

// Text of a control as drawn (the mnemonic marks are not).
QString shown(QString text) { return text.remove(u'&'); }

// Every caption of `window` that its control cuts, as "text: needed > given".
QStringList clippedCaptions(const QWidget* window) {
  QStringList clipped;
  auto check = [&clipped](const QWidget* w, const QString& text, QSize needed, QSize given) {
    if (w->isVisibleTo(w->window()) && !text.isEmpty() &&
        (needed.width() > given.width() || needed.height() > given.height()))
      clipped << QStringLiteral("%1: %2x%3 > %4x%5")
                     .arg(text.simplified())
                     .arg(needed.width())
                     .arg(needed.height())
                     .arg(given.width())
                     .arg(given.height());
  };
  for (const QLabel* label : window->findChildren<QLabel*>()) {
    if (label->wordWrap() || !label->pixmap().isNull()) continue;
    check(label, label->text(), label->sizeHint(), label->size());
  }
  for (const QAbstractButton* button : window->findChildren<QAbstractButton*>()) {
    if (qobject_cast<const QPushButton*>(button) != nullptr) {
      const QFontMetrics metrics(button->font());
      const QSize text(metrics.horizontalAdvance(shown(button->text())) + 4, metrics.height());
      check(button, button->text(), text, button->size());
    } else if (qobject_cast<const QCheckBox*>(button) != nullptr ||
               qobject_cast<const QRadioButton*>(button) != nullptr) {
      check(button, button->text(), QSize(button->sizeHint().width(), button->fontMetrics().height()),
            button->size());
    }
  }
  for (const QGroupBox* group : window->findChildren<QGroupBox*>()) {
    const QFontMetrics metrics(group->font());
    check(group, group->title(), QSize(metrics.horizontalAdvance(shown(group->title())) + 12, 0), group->size());
  }
  return clipped;
}

// Size of the main window and geometry of every control in it, to compare the window with itself.
QList<QRect> geometries(const TFormMain& form) {
  QList<QRect> list{QRect(QPoint(), form.size())};
  for (const QWidget* w : form.centralWidget()->findChildren<QWidget*>()) list << w->geometry();
  return list;
}

// Save and Clear sit above the history, which fills the window below them
// and shows every line, wrapped at its width.
void checkHistory(TFormMain& form) {
  QVERIFY(form.ClearHistoryButton->geometry().bottom() < form.HistoryText->geometry().top());
  QVERIFY(form.SaveHistoryButton->geometry().bottom() < form.HistoryText->geometry().top());
  QVERIFY(!form.ClearHistoryButton->geometry().intersects(form.SaveHistoryButton->geometry()));
  QVERIFY(form.HistoryText->geometry().right() < form.width());
  const QWidget* central = form.centralWidget();
  QVERIFY(form.HistoryText->geometry().bottom() < central->height());
  QVERIFY(form.HistoryText->height() > 3 * form.HistoryText->fontMetrics().height());

  form.AppendHistory(QStringLiteral("\t\t-scanLayout: ") + QString(60, u'7') + QStringLiteral(" and some words more"));
  form.AppendHistory(QString(140, u'-'));
  form.HistoryText->horizontalScrollBar()->setValue(0);
  QCOMPARE(form.HistoryText->horizontalScrollBar()->maximum(), 0);
  const QTextDocument* document = form.HistoryText->document();
  for (QTextBlock block = document->begin(); block.isValid(); block = block.next())
    QVERIFY(block.layout()->boundingRect().width() <= form.HistoryText->viewport()->width());
  QVERIFY(document->lastBlock().layout()->lineCount() > 1);
}

}  // namespace

class WindowScaleTest : public QObject, public StateFixture {
  Q_OBJECT
 private slots:
  void init() { renewState(); }

  void scaleFactor() {
    // At 96 DPI with room to spare every window keeps its designed size.
    for (const QSize base : {QSize(kMainWidth, kMainHeight), QSize(900, 542), QSize(773, 354), QSize(417, 444)}) {
      QCOMPARE(WindowScaleFactor(base, kDesktop96), 1.0);
      QCOMPARE(FittedWindowSize(base, kDesktop96), base);
    }
    // 144 DPI on a screen with room: half as big again.
    const QSize main(kMainWidth, kMainHeight);
    QCOMPARE(WindowScaleFactor(main, {144.0, QSize(3000, 2000)}), 1.5);
    QCOMPARE(FittedWindowSize(main, {144.0, QSize(3000, 2000)}), QSize(396, 1118));
    // 144 DPI on a 1000-pixel screen: as big as the screen allows, frame included.
    const double factor = WindowScaleFactor(main, kLaptop144);
    QVERIFY(factor > 1.2 && factor < 1.5);
    QVERIFY(fits(FittedWindowSize(main, kLaptop144), kLaptop144));
    QCOMPARE(withFrame(FittedWindowSize(main, kLaptop144), kLaptop144).height(), 1000);
    // Width limits too; a tiny screen stops at half size.
    QVERIFY(fits(FittedWindowSize(QSize(900, 542), {96.0, QSize(800, 800)}), {96.0, QSize(800, 800)}));
    QCOMPARE(WindowScaleFactor(main, {96.0, QSize(100, 100)}), kSmallestScale);
    // Unknown room or an unusable DPI change nothing.
    QCOMPARE(WindowScaleFactor(main, {144.0, QSize()}), 1.5);
    QCOMPARE(WindowScaleFactor(main, {0.0, QSize()}), 1.0);
    QCOMPARE(WindowScaleFactor(main, {std::nan(""), QSize()}), 1.0);
    QCOMPARE(WindowScaleFactor(QSize(), kLaptop144), 1.5);
  }

  void rectsAndFonts() {
    QCOMPARE(ScaledRect(QRect(3, 556, 258, 19), 1.0), QRect(3, 556, 258, 19));
    // Neighbours stay neighbours, whatever the rounding.
    for (double factor : {0.89, 1.27, 1.5, 1.333}) {
      const QRect left = ScaledRect(QRect(181, 556, 40, 18), factor);
      const QRect right = ScaledRect(QRect(221, 556, 40, 18), factor);
      QCOMPARE(left.right() + 1, right.left());
      QCOMPARE(left.top(), right.top());
    }
    QCOMPARE(ScaledPixelSize(11, 1.5), 17);
    QCOMPARE(ScaledPixelSize(1, 0.5), 1);
    // Points already follow the DPI: only the part of the factor below dpi / 96 is applied.
    QCOMPARE(ScaledPointSize(9.0, 1.5, 144.0), 9.0);
    QCOMPARE(ScaledPointSize(9.0, 1.0, 96.0), 9.0);
    QCOMPARE(ScaledPointSize(9.0, 1.2, 144.0), 7.2);
    QCOMPARE(ScaledPointSize(9.0, 0.9, 96.0), 8.1);
  }

  void mainWindowScales() {
    MessageLog log(state());
    WorkFolder work;
    TFormMain form(state());
    form.show();
    form.fitScreen(kDesktop96);
    const QList<QRect> designed = geometries(form);
    QCOMPARE(form.size(), QSize(kMainWidth, kMainHeight));
    QCOMPARE(form.minimumSize(), form.maximumSize());
    QCOMPARE(form.font().pixelSize(), 11);

    form.fitScreen(kLaptop144);
    QCoreApplication::processEvents();
    QVERIFY(form.height() > kMainHeight);
    QVERIFY(fits(form.size(), kLaptop144));
    QCOMPARE(form.minimumSize(), form.maximumSize());
    QVERIFY(form.font().pixelSize() > 11);
    QCOMPARE(form.width(), static_cast<int>(std::lround(kMainWidth * static_cast<double>(form.height()) / kMainHeight)));
    checkHistory(form);

    // Back on the desktop the window is as designed again.
    form.fitScreen(kDesktop96);
    QCoreApplication::processEvents();
    QCOMPARE(geometries(form), designed);
    QCOMPARE(form.font().pixelSize(), 11);
  }

  void companionWindowsScale() {
    MessageLog log(state());
    WorkFolder work;
    TDftForm layout(state());
    TFormSchema schema(state());
    TFormTAres details;
    layout.fitScreen(kDesktop96);
    schema.fitScreen(kDesktop96);
    details.fitScreen(kDesktop96);
    QCOMPARE(layout.size(), QSize(900, 542));
    QCOMPARE(schema.size(), QSize(kSchemaClientWidth, kSchemaClientHeight));
    QCOMPARE(details.size(), QSize(417, 444));
    QCOMPARE(details.maximumWidth(), 417);
    QCOMPARE(details.ReportTable->height(), 444 - 8);

    layout.fitScreen(kLaptop144);
    schema.fitScreen(kLaptop144);
    details.fitScreen(kLaptop144);
    QCOMPARE(layout.size(), QSize(1350, 813));
    QCOMPARE(schema.size(), QSize(1160, 531));
    QCOMPARE(details.size(), QSize(626, 666));
    QCOMPARE(details.maximumWidth(), 626);
    for (const QWidget* w : std::initializer_list<const QWidget*>{&layout, &schema, &details})
      QVERIFY(fits(w->size(), kLaptop144));
    // The schema picture stretches with its window, clicks map back onto it.
    auto* view = schema.findChild<TSchemaView*>();
    QVERIFY(view != nullptr);
    QCOMPARE(view->size(), schema.size());
    QSignalSpy clicks(view, &TSchemaView::clicked);
    QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(300, 150));
    QCOMPARE(clicks.size(), 1);
    QCOMPARE(clicks.at(0).at(0).toPoint(), QPoint(200, 100));
  }

  // The windows on the display the test runs on: on its screen, with every
  // caption whole and, at 96 DPI, the designed sizes.
  void windowsOnThisScreen() {
    MessageLog log(state());
    WorkFolder work;
    const ScreenMetrics screen = ScreenMetricsOf(nullptr);
    TFormMain form(state());
    TDftForm layout(state());
    TFormSchema schema(state());
    TFormTAres details;
    TAboutBox about(QStringLiteral("/usr/bin/tarvex"), work.path());
    qInfo("screen: %g DPI, %dx%d available, device pixel ratio %g", screen.logicalDpi, screen.available.width(),
          screen.available.height(), QGuiApplication::primaryScreen()->devicePixelRatio());
    for (QWidget* w : std::initializer_list<QWidget*>{&form, &layout, &schema, &details, &about}) {
      QVERIFY2(fits(w->size(), screen), qPrintable(w->windowTitle()));
      w->show();
      const QStringList clipped = clippedCaptions(w);
      QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(QStringLiteral("; "))));
    }
    if (screen.logicalDpi == kDesignDpi && fits(QSize(900, kMainHeight), screen)) {
      QCOMPARE(form.size(), QSize(kMainWidth, kMainHeight));
      QCOMPARE(layout.size(), QSize(900, 542));
      QCOMPARE(about.width(), 500);
    } else {
      QVERIFY(form.size() != QSize(kMainWidth, kMainHeight));
    }
    checkHistory(form);
    const auto pictureOf = [&screen](const char* window) {
      return QStringLiteral(RENDER_DIR "/lumeno-%1-%2dpi-%3.png")
          .arg(QLatin1String(window))
          .arg(std::lround(screen.logicalDpi * QGuiApplication::primaryScreen()->devicePixelRatio()))
          .arg(screen.available.height());
    };
    QVERIFY(form.grab().toImage().save(pictureOf("main")));
    state().loadNotation(QStringLiteral("01.2"));
    layout.drawLayoutClicked();
    QVERIFY(layout.grab().toImage().save(pictureOf("layout")));
    QVERIFY(schema.grab().toImage().save(pictureOf("schema")));
    QVERIFY(about.grab().toImage().save(pictureOf("about")));
  }
};

QTEST_MAIN(WindowScaleTest)
#include "windowscale_test.moc"
