// The text of every progress bar, and of the line beside it, fits its place,
// on the desktop screen and on the 144-DPI laptop screen (ctest runs this
// test on both): long texts of the optimiser panel, the run status line, the
// schema's layout progress and the main window's run bar. Each window is
// rendered to RENDER_DIR/progress-SCREEN-*.png to be looked at.
#include <QLabel>
#include <QMainWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSpinBox>

#include "app/mainform.h"
#include "ui/elidingstatusbar.h"
#include "ui/progresstext.h"
#include "views/graphschema.h"
#include "views/optimiserpanel.h"
#include "views/runstatusline.h"
#include "testsupport.h"

namespace {

// Every progress bar of `window` whose text shows fits it; every one-line
// label beside a bar fits its own width. Returns what does not fit.
QStringList overflowingTexts(QWidget* window) {
  QCoreApplication::sendPostedEvents();  // the layouts settle, as on the screen
  QCoreApplication::processEvents();
  (void)window->grab();  // and a paint
  QStringList problems;
  const QRect room = window->screen()->availableGeometry();
  if (window->isWindow() && window->width() > room.width())
    problems << QStringLiteral("the window is %1 px wide on a screen of %2").arg(window->width()).arg(room.width());
  if (auto* main = qobject_cast<QMainWindow*>(window)) {
    // The status bar's message, beside the Stop button while the engine runs.
    auto* status = qobject_cast<ElidingStatusBar*>(main->statusBar());
    if (status == nullptr) return {QStringLiteral("the status bar does not fit its message")};
    const int need = status->fontMetrics().horizontalAdvance(status->shownMessage());
    if (need > status->messageRoom().width())
      problems << QStringLiteral("status '%1': %2 px in %3").arg(status->shownMessage()).arg(need).arg(status->messageRoom().width());
    if (status->shownMessage() != status->currentMessage() && status->toolTip() != status->currentMessage())
      problems << QStringLiteral("status '%1' is cut without its whole text in the tooltip").arg(status->currentMessage());
  }
  for (QProgressBar* bar : window->findChildren<QProgressBar*>()) {
    if (!bar->isVisible()) continue;
    const QString text = bar->isTextVisible() ? bar->text() : QString();
    const int width = bar->fontMetrics().horizontalAdvance(text);
    if (!text.isEmpty() && width > bar->contentsRect().width())
      problems << QStringLiteral("bar '%1': %2 px in %3").arg(text).arg(width).arg(bar->contentsRect().width());
    for (QLabel* label : bar->parentWidget()->findChildren<QLabel*>(Qt::FindDirectChildrenOnly)) {
      if (!label->isVisible() || label->wordWrap() || label->text().contains(u'\n')) continue;
      const int need = label->fontMetrics().horizontalAdvance(label->text());
      if (need > label->contentsRect().width())
        problems << QStringLiteral("label '%1': %2 px in %3").arg(label->text()).arg(need).arg(label->contentsRect().width());
      if (label->geometry().right() > label->parentWidget()->width())
        problems << QStringLiteral("label '%1' runs out of its window").arg(label->text());
    }
  }
  return problems;
}

// Fails the test with what does not fit.
#define VERIFY_FITS(window)                                              \
  do {                                                                   \
    const QStringList problems = overflowingTexts(window);               \
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QStringLiteral("; ")))); \
  } while (false)

QString screenName() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return QStringLiteral("%1-dpi%2-ratio%3")
      .arg(screen->name())
      .arg(qRound(screen->logicalDotsPerInch()))
      .arg(screen->devicePixelRatio());
}

void render(QWidget* window, const QString& what) {
  QVERIFY(window->grab().toImage().save(QStringLiteral(RENDER_DIR "/progress-%1-%2.png").arg(screenName(), what)));
}

QString progressLine(qint64 generation, qint64 stale) {
  return QStringLiteral("progress generation=%1 stale=%2 best=0.912345 elapsed=12345.6").arg(generation).arg(stale);
}

}  // namespace

class ProgressTextTest : public QObject, public StateFixture {
  Q_OBJECT
 private slots:
  void init() { renewState(); }

  // The fitter keeps the longest format that fits, and the text inside the bar at any width and value.
  void fitterChoosesTheLongestFormatThatFits() {
    QWidget window;
    auto* bar = new QProgressBar(&window);
    bar->setRange(0, 100000000);
    bar->setValue(99999999);
    const QStringList formats{QStringLiteral("%v of %m generations without improvement"),
                              QStringLiteral("%v of %m generations"), QStringLiteral("%v / %m")};
    FitProgressText(bar, formats);
    window.show();
    for (int width : {40, 90, 160, 260, 420, 900}) {
      bar->setGeometry(0, 0, width, 24);
      (void)window.grab();
      const int need = bar->fontMetrics().horizontalAdvance(bar->text());
      QVERIFY2(need <= ProgressTextRoom(*bar), qPrintable(QStringLiteral("%1 at %2 px").arg(bar->text()).arg(width)));
    }
    QCOMPARE(bar->format(), formats[0]);  // 900 px: the whole sentence
    QCOMPARE(bar->text(), QStringLiteral("99999999 of 100000000 generations without improvement"));
    bar->setGeometry(0, 0, 90, 24);
    (void)window.grab();
    QVERIFY(bar->format() != formats[0]);
    // A new value is fitted at once; a wide bar gets the whole sentence back.
    bar->setValue(3);
    QVERIFY(bar->fontMetrics().horizontalAdvance(bar->text()) <= ProgressTextRoom(*bar));
    bar->setGeometry(0, 0, 900, 24);
    QCOMPARE(bar->text(), QStringLiteral("3 of 100000000 generations without improvement"));
    QCOMPARE(ExpandProgressFormat(QStringLiteral("%p% (%v of %m)"), *bar), QStringLiteral("0% (3 of 100000000)"));
  }

  void optimiserPanelProgressFits() {
    OptimiserPanel panel;
    panel.setCircuitFile(QStringLiteral("/tmp/a-circuit-with-a-long-name.v"), QString());
    for (QSpinBox* box : panel.findChildren<QSpinBox*>())
      if (box->maximum() == 100000000) box->setValue(100000000);  // the patience
    panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panel));
    panel.runStarted();
    panel.showProgressLine(progressLine(123456789, 99999999));
    QCOMPARE(panel.progressValue(), 99999999);
    VERIFY_FITS(&panel);
    render(&panel, QStringLiteral("optimiser"));
    panel.resize(panel.minimumSizeHint());
    VERIFY_FITS(&panel);
    panel.runFinished(false, QStringLiteral("the run was stopped"));
    VERIFY_FITS(&panel);
  }

  void runStatusLineFits() {
    QWidget window;
    auto* line = new RunStatusLine(&window);
    line->setGeometry(0, 0, 320, 80);
    window.resize(320, 80);
    window.show();
    line->showRunning(QStringLiteral("Writing /a/rather/long/folder/name/of/the/design/with-its-layout.v with the "
                                     "layout 12.345.6789 of 2,500 registers..."));
    VERIFY_FITS(&window);
    render(&window, QStringLiteral("runstatus"));
  }

  void schemaLayoutProgressFits() {
    auto circuit = readCircuitResult(QStringLiteral(LUMENO_TEST_DATA "/views/gcd.json"));
    QVERIFY(circuit);
    circuit.value->circuit = QStringLiteral("a_circuit_with_a_rather_long_name_for_its_top_module");
    GraphSchemaWindow window;
    window.resize(700, 500);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.setCircuit(*circuit.value);
    QVERIFY(window.isLayingOut());
    VERIFY_FITS(&window);
    render(&window, QStringLiteral("schema"));
    QVERIFY(window.waitForLayout());
  }

  void mainWindowRunFits() {
    WorkFolder work;
    MessageLog log(state());
    TFormMain form(state());
    form.setEnginePath(QStringLiteral(FAKE_ENGINE));
    form.show();
    form.AutoDesignRadio->click();
    form.RunButton->click();
    QCOMPARE(form.statusBar()->currentMessage(), QStringLiteral("Running... Please wait until the progress bar stops."));
    VERIFY_FITS(&form);
    render(&form, QStringLiteral("main"));
    QTRY_VERIFY_WITH_TIMEOUT(!form.isRunning(), 10000);
  }
};

QTEST_MAIN(ProgressTextTest)
#include "progresstext_test.moc"
