// lumeno-screenshots: drives lumeno through a short session on the bundled
// benchmark (an analysis without scan, one with full scan, an auto-design)
// and saves pictures of the main window, the scan layout window, the schema
// window and the testability details window; then of a Verilog example, and
// of the scan-readiness checks and a comparison with fault simulation, and
// of a large hierarchical design in its register summary.
// Usage: lumeno-screenshots OUTPUT_FOLDER [ENGINE [VERILOG_EXAMPLE [CHECKED_DESIGN COMPARED_DESIGN [LARGE_DESIGN]]]]
// Run it with QT_QPA_PLATFORM=offscreen when there is no display.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QDir>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTextStream>

#include "models/appstate.h"
#include "app/circuitviews.h"
#include "views/checkspanel.h"
#include "views/comparisonview.h"
#include "views/graphschema.h"
#include "views/scanlayouteditor.h"
#include "classic/dftform.h"
#include "app/mainform.h"
#include "enginelink/platform.h"
#include "classic/schema.h"
#include "classic/tares.h"

namespace {

QTextStream& err() {
  static QTextStream stream(stderr);
  return stream;
}

// Presses Run and waits for the end of the action; false on a timeout.
bool run(TFormMain& form) {
  form.RunButton->click();
  QDeadlineTimer deadline(180000);
  while (form.isRunning() && !deadline.hasExpired()) QApplication::processEvents(QEventLoop::AllEvents, 50);
  return !form.isRunning();
}

bool save(QWidget* window, const QDir& folder, const QString& name) {
  QApplication::processEvents();
  const QString path = folder.filePath(name);
  if (!window->grab().toImage().save(path)) {
    err() << "Can't write '" << path << "'\n";
    return false;
  }
  err() << "Wrote " << path << "\n";
  return true;
}

// A main window over `engine` that keeps its work and settings in `temp`, shown.
void prepare(TFormMain& form, const QString& engine, const QString& temp) {
  form.setEnginePath(engine);
  form.setWorkRoot(QDir(temp).filePath(QStringLiteral("circuits")));
  form.setSettingsFile(QDir(temp).filePath(QStringLiteral("settings.ini")));
  form.show();
}

}  // namespace

// The benchmark: the main, scan layout, schema and details windows after
// an analysis, a full scan and an auto-design.
bool benchmarkPictures(AppState& state, const QString& engine, const QDir& out) {
  bool ok = true;
  TFormMain form(state);
  form.setEnginePath(engine);
  form.show();
  QApplication::processEvents();

  if (!run(form)) ok = false;

  form.ScanLayoutBox->setChecked(true);
  if (form.scanLayoutWindow() != nullptr) {
    form.scanLayoutWindow()->PresetBox->setCurrentIndex(kPresetFullOwnChains);
    form.scanLayoutWindow()->presetChanged();
  }
  if (!run(form)) ok = false;

  form.AutoDesignRadio->click();
  form.TrackBars[4]->setValue(100);
  form.ElitismBox->setChecked(true);
  if (!run(form)) ok = false;

  if (!save(&form, out, QStringLiteral("lumeno-main.png"))) ok = false;
  if (form.scanLayoutWindow() == nullptr) {
    form.ScanLayoutBox->setChecked(true);
  }
  if (form.scanLayoutWindow() == nullptr || !save(form.scanLayoutWindow(), out, QStringLiteral("lumeno-scanlayout.png"))) ok = false;

  // A partial layout (REG4 in chain A, REG5 in chain B) leaves the feedback
  // loops unbroken: the schema shows both, with the test data paths of MUL1
  // stepped through to the end, and the details table the per-port figures.
  form.ScanLayoutBox->setChecked(false);
  state.clearLayout();
  state.loadNotation(QStringLiteral("3.4"));
  form.AnalysisRadio->click();
  if (!run(form)) ok = false;
  form.SchemaBox->setChecked(true);
  form.LoopsBox->setChecked(true);
  if (form.schemaWindow() != nullptr) {
    form.schemaWindow()->pictureClicked(QPoint(150, 150));  // MUL1
    for (int i = 0; i < 12 && form.schemaWindow()->NextStepButton->isEnabled(); ++i)
      form.schemaWindow()->nextStepClicked();
  }
  if (form.schemaWindow() == nullptr || !save(form.schemaWindow(), out, QStringLiteral("lumeno-schema.png"))) ok = false;
  form.DetailsBox->setChecked(true);
  if (form.detailsWindow() == nullptr || !save(form.detailsWindow(), out, QStringLiteral("lumeno-details.png"))) ok = false;
  return ok;
}

// A Verilog example in the docked main window: opened (which analyses it),
// laid out, scanned by the loop-breaking preset, and compared.
bool verilogPictures(AppState& state, const QString& engine, const QDir& out, const QString& file,
                     const QString& temp) {
  bool ok = true;
  TFormMain form(state);
  prepare(form, engine, temp);
  auto wait = [&form] {
    QDeadlineTimer deadline(240000);
    while (form.isRunning() && !deadline.hasExpired()) QApplication::processEvents(QEventLoop::AllEvents, 50);
    return !form.isRunning();
  };
  if (!form.OpenCircuit(file) || !wait()) ok = false;
  form.ScanLayoutBox->setChecked(true);
  if (form.layoutEditorWindow() != nullptr) form.layoutEditorWindow()->presetLoopBreaking();
  if (!run(form)) ok = false;
  // The schema and the details are panels of the docked main window.
  form.SchemaBox->setChecked(true);
  form.DetailsBox->setChecked(true);
  QApplication::processEvents();
  if (GraphSchemaWindow* schema = form.graphSchemaWindow()) {
    if (!schema->waitForLayout()) ok = false;
    schema->fitToWindow();
  }
  if (form.graphSchemaWindow() == nullptr || !save(form.graphSchemaWindow(), out, QStringLiteral("lumeno-verilog-schema.png")))
    ok = false;
  if (form.layoutEditorWindow() == nullptr || !save(form.layoutEditorWindow(), out, QStringLiteral("lumeno-verilog-editor.png")))
    ok = false;
  form.compareChosen();
  if (!wait()) ok = false;
  if (form.comparisonWindow() != nullptr) form.comparisonWindow()->resize(900, 600);
  if (form.comparisonWindow() == nullptr || !save(form.comparisonWindow(), out, QStringLiteral("lumeno-verilog-compare.png")))
    ok = false;
  form.activateWindow();
  QApplication::processEvents();
  if (GraphSchemaWindow* schema = form.graphSchemaWindow()) schema->fitToWindow();
  if (!save(&form, out, QStringLiteral("lumeno-verilog-main.png"))) ok = false;
  return ok;
}

// Scan readiness and what a layout buys: the checks of `file` (a design
// whose registers fail them) with its editor marks, and a comparison with
// fault simulation of `compared` plotted as coverage against area.
bool scanReadinessPictures(AppState& state, const QString& engine, const QDir& out, const QString& file,
                           const QString& compared, const QString& temp) {
  bool ok = true;
  TFormMain form(state);
  prepare(form, engine, temp);
  CircuitViews* views = form.circuitViews();
  auto wait = [&form, views] {
    QDeadlineTimer deadline(240000);
    while ((form.isRunning() || views->isChecking()) && !deadline.hasExpired())
      QApplication::processEvents(QEventLoop::AllEvents, 50);
    return !form.isRunning() && !views->isChecking();
  };
  if (!form.OpenCircuit(file) || !wait()) ok = false;
  views->openChecks();
  views->runChecks({});
  if (!wait()) ok = false;
  views->checks()->findingClicked(0);
  if (!save(views->checks(), out, QStringLiteral("lumeno-verilog-checks.png"))) ok = false;
  views->openEditor();
  if (!save(views->editor(), out, QStringLiteral("lumeno-verilog-unscannable.png"))) ok = false;
  if (!form.OpenCircuit(compared) || !wait()) ok = false;
  form.compareChosen(true);
  if (!wait()) ok = false;
  if (ComparisonView* comparison = form.comparisonWindow()) {
    comparison->resize(900, 640);
    comparison->setMeasure(ComparisonMeasure::Coverage);
    if (!save(comparison, out, QStringLiteral("lumeno-verilog-coverage.png"))) ok = false;
  } else {
    ok = false;
  }
  return ok;
}

// A hierarchical design of more than a thousand items in the docked main
// window: opened (which analyses it), with its schema panel in the block
// summary and the details of every port; the blocks coloured, and the
// register summary.
bool summaryPictures(AppState& state, const QString& engine, const QDir& out, const QString& file,
                     const QString& temp) {
  bool ok = true;
  TFormMain form(state);
  prepare(form, engine, temp);
  QDeadlineTimer deadline(240000);
  if (!form.OpenCircuit(file)) ok = false;
  while (form.isRunning() && !deadline.hasExpired()) QApplication::processEvents(QEventLoop::AllEvents, 50);
  if (form.isRunning()) ok = false;
  form.SchemaBox->setChecked(true);
  form.DetailsBox->setChecked(true);
  form.resize(1440, 900);  // a wider schema panel for the summary
  QApplication::processEvents();
  GraphSchemaWindow* schema = form.graphSchemaWindow();
  if (schema == nullptr || !schema->waitForLayout() || !schema->isSummary()) {
    err() << "No register summary of '" << file << "'\n";
    return false;
  }
  schema->fitToWindow();
  if (!save(&form, out, QStringLiteral("lumeno-soc-main.png"))) ok = false;
  // Its blocks in their colours, then the register summary by testability.
  schema->setBlockColouring(true);
  if (!save(schema, out, QStringLiteral("lumeno-soc-blocks.png"))) ok = false;
  schema->setHeatMeasure(HeatMeasure::Tst);
  schema->showRegisterSummary();
  if (!schema->waitForLayout()) ok = false;
  schema->fitToWindow();
  if (!save(schema, out, QStringLiteral("lumeno-soc-summary.png"))) ok = false;
  return ok;
}

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  if (argc < 2) {
    err() << "usage: lumeno-screenshots OUTPUT_FOLDER [ENGINE [VERILOG_EXAMPLE [CHECKED_DESIGN COMPARED_DESIGN "
             "[LARGE_DESIGN]]]]\n";
    return 2;
  }
  QDir out(QString::fromLocal8Bit(argv[1]));
  if (!out.mkpath(QStringLiteral("."))) {
    err() << "Can't create '" << out.path() << "'\n";
    return 1;
  }
  const QString engine =
      argc > 2 ? QString::fromLocal8Bit(argv[2]) : FindEngine(QCoreApplication::applicationDirPath());

  QTemporaryDir temp;
  QString error;
  const QString folder = ChooseWorkingFolder(QString(), temp.path(), &error);
  if (folder.isEmpty()) {
    err() << error << "\n";
    return 1;
  }

  // Message boxes are answered at once and echoed; the clock is fixed so that
  // the pictures do not change from one run to the next.
  AppState state(StartSession(folder));
  state.setMessageBoxHandler([](QWidget*, QMessageBox::Icon, const QString& caption, const QString& text,
                                QMessageBox::StandardButtons) {
    err() << caption << ": " << text << "\n";
    return QMessageBox::Ok;
  });
  state.setClock([] { return QDateTime(QDate(2024, 3, 5), QTime(10, 30)); });

  int status = benchmarkPictures(state, engine, out) ? 0 : 1;
  if (argc > 3 && !verilogPictures(state, engine, out, QString::fromLocal8Bit(argv[3]), temp.path())) status = 1;
  if (argc > 5 && !scanReadinessPictures(state, engine, out, QString::fromLocal8Bit(argv[4]),
                                         QString::fromLocal8Bit(argv[5]), temp.path()))
    status = 1;
  if (argc > 6 && !summaryPictures(state, engine, out, QString::fromLocal8Bit(argv[6]), temp.path())) status = 1;
  return status;
}
