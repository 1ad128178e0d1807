// The time lumeno takes from opening a design to showing its first figures,
// against the engine's own time for the analysis it runs: a layered design of
// about 10,000 items (the circuit generator's "layered 33000") is analysed
// by `tarvex analyse FILE --json --out DIR` alone, then opened in the main
// window (offscreen) until its figures are shown. Each is run REPEAT times,
// alternately; the medians and their ratio are printed, with the parts of
// lumeno's own work measured apart (reading NAME.json, filling the details).
//
//   lumeno_open_bench [--ports N] [--repeat R] [--design FILE]
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "app/mainform.h"
#include "enginelink/resultjson.h"
#include "models/appstate.h"
#include "views/portdetailsview.h"

namespace {

struct Options {
  int ports = 33000;
  int repeat = 3;
  QString design;
};

Options parseOptions(const QStringList& args) {
  Options options;
  for (int i = 1; i + 1 < args.size(); i += 2) {
    if (args[i] == u"--ports") options.ports = args[i + 1].toInt();
    if (args[i] == u"--repeat") options.repeat = std::max(1, args[i + 1].toInt());
    if (args[i] == u"--design") options.design = args[i + 1];
  }
  return options;
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? 0.0 : values[values.size() / 2];
}

// Writes the generated design to `file`; false when the generator failed.
bool generateDesign(int ports, const QString& file) {
  QProcess gen;
  gen.setStandardOutputFile(file);
  gen.start(QStringLiteral(GENCIRCUIT), {QStringLiteral("layered"), QString::number(ports)});
  return gen.waitForFinished(120000) && gen.exitCode() == 0;
}

// Milliseconds of one `tarvex analyse` into `outDir`; negative when it failed.
double engineAlone(const QString& design, const QString& outDir) {
  QDir(outDir).removeRecursively();
  QProcess engine;
  engine.setStandardOutputFile(QProcess::nullDevice());
  QElapsedTimer clock;
  clock.start();
  engine.start(QStringLiteral(REAL_ENGINE),
               {QStringLiteral("analyse"), design, QStringLiteral("--json"), QStringLiteral("--out"), outDir});
  if (!engine.waitForFinished(600000) || engine.exitCode() != 0) return -1.0;
  return static_cast<double>(clock.nsecsElapsed()) / 1e6;
}

// Milliseconds from opening `design` in a fresh main window to its figures shown; negative when it failed.
double lumenoOpen(const QString& design, const QString& workRoot) {
  QDir(workRoot).removeRecursively();
  AppState state;
  state.setMessageBoxHandler([](QWidget*, QMessageBox::Icon, const QString& caption, const QString& text,
                                QMessageBox::StandardButtons) {
    std::fprintf(stderr, "message: %s: %s\n", qPrintable(caption), qPrintable(text));
    return QMessageBox::Ok;
  });
  TFormMain form(state);
  form.setSettingsFile(workRoot + QStringLiteral("/settings.ini"));
  form.setWorkRoot(workRoot + QStringLiteral("/circuits"));
  form.setEnginePath(QStringLiteral(REAL_ENGINE));
  form.show();
  QCoreApplication::processEvents();

  QElapsedTimer clock;
  clock.start();
  if (!form.OpenCircuit(design)) return -1.0;
  // The figures are shown once the run has ended and the node count is no longer the empty one.
  QEventLoop loop;
  QTimer poll;
  poll.setInterval(1);
  QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
    if (!form.isRunning() && state.circuitResult() != nullptr && form.NodesValue->text() != u"0") loop.quit();
    if (!form.isRunning() && state.circuitResult() == nullptr && clock.elapsed() > 600000) loop.quit();
  });
  poll.start();
  loop.exec();
  return state.circuitResult() != nullptr ? static_cast<double>(clock.nsecsElapsed()) / 1e6 : -1.0;
}

// Milliseconds of lumeno's own parts on the engine's NAME.json: reading it, and filling the details table.
std::pair<double, double> lumenoParts(const QString& json) {
  QElapsedTimer clock;
  clock.start();
  const ReadResult<CircuitResult> read = readCircuitResult(json);
  const double reading = static_cast<double>(clock.nsecsElapsed()) / 1e6;
  if (!read) return {reading, -1.0};
  PortDetailsView details;
  clock.restart();
  details.setCircuit(*read.value);
  return {reading, static_cast<double>(clock.nsecsElapsed()) / 1e6};
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  Options options = parseOptions(app.arguments());
  QTemporaryDir work;
  if (!work.isValid()) return 1;
  if (options.design.isEmpty()) {
    options.design = work.filePath(QStringLiteral("layered.txt"));
    if (!generateDesign(options.ports, options.design)) {
      std::fprintf(stderr, "the circuit generator failed\n");
      return 1;
    }
  }
  std::vector<double> engine, lumeno, reading, table;
  for (int r = 0; r < options.repeat; ++r) {
    const QString outDir = work.filePath(QStringLiteral("engine-out"));
    engine.push_back(engineAlone(options.design, outDir));
    lumeno.push_back(lumenoOpen(options.design, work.filePath(QStringLiteral("lumeno"))));
    const auto [read, fill] =
        lumenoParts(outDir + u'/' + QFileInfo(options.design).completeBaseName() + QStringLiteral(".json"));
    reading.push_back(read);
    table.push_back(fill);
    std::printf("run %d: engine %.0f ms, lumeno %.0f ms\n", r + 1, engine.back(), lumeno.back());
    if (engine.back() < 0 || lumeno.back() < 0) return 1;
  }
  const double e = median(engine), l = median(lumeno);
  std::printf("design: %s\n", qPrintable(options.design));
  std::printf("engine alone (tarvex analyse): %.0f ms\n", e);
  std::printf("lumeno, open to first figures:  %.0f ms\n", l);
  std::printf("ratio: %.3f (overhead %.1f %%)\n", l / e, (l / e - 1.0) * 100.0);
  std::printf("of which, measured apart: reading NAME.json %.0f ms, filling the details %.0f ms\n", median(reading),
              median(table));
  return 0;
}
