// Renders the main window and the scan layout window to PNG files in the
// build folder, so that their looks can be checked by eye.
#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>

#include "app/aboutform.h"
#include "classic/dftform.h"
#include "app/helpwindow.h"
#include "app/mainform.h"
#include "testsupport.h"

// Runs the stand-in engine's Auto-Designer from the main window; true when it ended in time.
static bool autoDesign(TFormMain& form) {
  form.setEnginePath(QStringLiteral(FAKE_ENGINE));
  form.show();
  form.AutoDesignRadio->click();
  form.RunButton->click();
  return QTest::qWaitFor([&form] { return !form.isRunning(); }, 10000);
}

class RenderTest : public QObject, public StateFixture {
  Q_OBJECT
 private slots:
  void init() { renewState(); }

  void mainWindowAfterAutoDesign() {
    MessageLog log(state());
    WorkFolder work;
    TFormMain form(state());
    QVERIFY(autoDesign(form));
    const QImage image = form.grab().toImage();
    QCOMPARE(image.size(), QSize(kMainWidth, kMainHeight));
    QVERIFY(image.save(QStringLiteral(RENDER_DIR "/lumeno-main.png")));
  }

  // After an Auto-Designer run the scan layout window names the designed layout.
  void scanLayoutWindowAfterAutoDesign() {
    MessageLog log(state());
    WorkFolder work;
    TFormMain form(state());
    QVERIFY(autoDesign(form));
    TDftForm* layout = form.scanLayoutWindow();
    QVERIFY(layout != nullptr);
    QCOMPARE(layout->PresetBox->currentText(), QStringLiteral("Auto-Designer layout: REG1 REG2 | REG3"));
    QVERIFY(layout->grab().toImage().save(QStringLiteral(RENDER_DIR "/lumeno-scanlayout-designed.png")));
  }

  void scanLayoutWindowWithPresets() {
    MessageLog log(state());
    WorkFolder work;
    TDftForm form(state());
    form.show();
    choose(form.PresetBox, QStringLiteral("Full Scan (1 Register <-> 1 Scan-Chain)"));
    QVERIFY(form.grab().toImage().save(QStringLiteral(RENDER_DIR "/lumeno-scanlayout-full.png")));
    choose(form.PresetBox, QStringLiteral("Complete Scan Layout Selection by User"));
    form.ShowOrderingBox->click();
    choose(form.ChainBoxes[0], QStringLiteral("B"));
    choose(form.OrderingBoxes[0], QStringLiteral("2nd"));
    choose(form.ChainBoxes[2], QStringLiteral("B"));
    choose(form.OrderingBoxes[2], QStringLiteral("1st"));
    choose(form.ChainBoxes[4], QStringLiteral("D"));
    choose(form.OrderingBoxes[4], QStringLiteral("1st"));
    QCOMPARE(state().layoutNotation(), QStringLiteral("20.4"));
    QVERIFY(form.grab().toImage().save(QStringLiteral(RENDER_DIR "/lumeno-scanlayout.png")));
  }

  void helpAndAboutWindows() {
    WorkFolder work;
    TFormMain form(state());
    form.setEnginePath(QStringLiteral(FAKE_ENGINE));
    form.TutorialAction->trigger();
    QVERIFY(form.helpWindow() != nullptr);
    QVERIFY(form.helpWindow()->grab().toImage().save(QStringLiteral(RENDER_DIR "/lumeno-help.png")));
    form.ShowHelpTopic(QStringLiteral("mux"));
    QVERIFY(form.helpWindow()->grab().toImage().save(QStringLiteral(RENDER_DIR "/lumeno-help-mux.png")));
    form.AboutAction->trigger();
    QVERIFY(form.aboutBox() != nullptr);
    QVERIFY(form.aboutBox()->grab().toImage().save(QStringLiteral(RENDER_DIR "/lumeno-about.png")));
  }
};

QTEST_MAIN(RenderTest)
#include "render_test.moc"
