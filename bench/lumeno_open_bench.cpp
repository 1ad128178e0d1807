// The time lumeno takes from opening a design to showing its first figures,
// against the engine's own time for the analysis it runs: a layered design of
// about 10,000 items (the circuit generator's "layered 33000") is analysed
// by `tarvex analyse FILE --json --out DIR --measure M` alone (the command lumeno runs), then opened in the main
// window (offscreen) until its figures are shown (and on until NAME.json is
// read and shown). Each is run REPEAT times,
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

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "app/mainform.h"
#include "enginelink/enginemeasure.h"
#include "enginelink/enginerun.h"
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
  // The command line lumeno runs for a first analysis, its testability measure included.
  engine.start(QStringLiteral(REAL_ENGINE),
               WithMeasure({QStringLiteral("analyse"), design, QStringLiteral("--json"), QStringLiteral("--out"), outDir},
                           AppState().measure()));
  if (!engine.waitForFinished(600000) || engine.exitCode() != 0) return -1.0;
  return static_cast<double>(clock.nsecsElapsed()) / 1e6;
}

// One opening in lumeno: milliseconds to the figures shown, and to the end of the engine it ran.
struct OpenTimes {
  double figures = -1.0;    // the first figures shown
  double complete = -1.0;   // the run over, NAME.json read and shown
  double engineStart = -1.0;  // OpenCircuit, which starts the engine, returned
  double engineEnd = -1.0;
  double processorUntilEngineEnd = -1.0;  // lumeno's own, all its threads
};

// Milliseconds of processor time this process has used.
double processorMs() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

// Opens `design` in a fresh main window until its figures are shown.
OpenTimes lumenoOpen(const QString& design, const QString& workRoot) {
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
  OpenTimes times;
  QTimer poll;
  const double processorAtOpen = processorMs();
  if (!form.OpenCircuit(design)) return times;
  times.engineStart = static_cast<double>(clock.nsecsElapsed()) / 1e6;
  if (auto* run = form.findChild<EngineRun*>())
    QObject::connect(run, &EngineRun::finished, &form, [&] {
      times.engineEnd = static_cast<double>(clock.nsecsElapsed()) / 1e6;
      times.processorUntilEngineEnd = processorMs() - processorAtOpen;
      poll.setInterval(1);  // closely from now on, not while the engine works
    });
  // The first figures are shown when the node count is no longer the empty
  // one; the opening is complete when the run is over with NAME.json read.
  const QString empty = form.NodesValue->text();
  QEventLoop loop;
  poll.setInterval(50);
  QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
    const double now = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    if (times.figures < 0 && form.NodesValue->text() != empty) times.figures = now;
    if (!form.isRunning() && (state.circuitResult() != nullptr || now > 600000.0)) loop.quit();
  });
  poll.start();
  loop.exec();
  if (state.circuitResult() == nullptr) times.figures = -1.0;
  times.complete = static_cast<double>(clock.nsecsElapsed()) / 1e6;
  return times;
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
  std::vector<double> engine, lumeno, own, sameRun, complete, busy, reading, table;
  const QString outDir = work.filePath(QStringLiteral("engine-out"));
  for (int r = 0; r < options.repeat; ++r) {
    // Alternately first, so that a drift of the machine's load favours neither.
    OpenTimes opened;
    const QString lumenoRoot = work.filePath(QStringLiteral("lumeno"));
    if (r % 2 == 1) opened = lumenoOpen(options.design, lumenoRoot);
    engine.push_back(engineAlone(options.design, outDir));
    if (r % 2 == 0) opened = lumenoOpen(options.design, lumenoRoot);
    lumeno.push_back(opened.figures);
    own.push_back(opened.engineStart + (opened.figures - opened.engineEnd));
    sameRun.push_back(opened.figures / (opened.engineEnd - opened.engineStart));
    complete.push_back(opened.complete - opened.engineEnd);
    busy.push_back(opened.processorUntilEngineEnd);
    const auto [read, fill] =
        lumenoParts(outDir + u'/' + QFileInfo(options.design).completeBaseName() + QStringLiteral(".json"));
    reading.push_back(read);
    table.push_back(fill);
    std::printf("run %d: engine alone %.0f ms; lumeno %.0f ms to the figures, its engine %.0f ms of them, %.0f ms "
                "its own; NAME.json read and shown %.0f ms after its engine ended; lumeno's processor time while "
                "its engine ran %.0f ms\n",
                r + 1, engine.back(), lumeno.back(), opened.engineEnd - opened.engineStart, own.back(),
                complete.back(), busy.back());
    if (engine.back() < 0 || lumeno.back() < 0) return 1;
  }
  const double e = median(engine), l = median(lumeno);
  std::printf("design: %s\n", qPrintable(options.design));
  std::printf("engine alone (tarvex analyse): %.0f ms (median)\n", e);
  std::printf("lumeno, open to first figures:  %.0f ms (median)\n", l);
  std::printf("ratio of the medians: %.3f (overhead %.1f %%; two runs of the engine differ by the machine's load)\n",
              l / e, (l / e - 1.0) * 100.0);
  // Within one opening the engine's own time is known too, free of that noise.
  std::printf("within one opening: figures / its engine's time %.3f (overhead %.1f %%), lumeno's own %.0f ms\n",
              median(sameRun), (median(sameRun) - 1.0) * 100.0, median(own));
  std::printf("NAME.json read and shown %.0f ms after the engine ended (%.1f %% of the engine's time)\n",
              median(complete), median(complete) / e * 100.0);
  std::printf("measured apart: reading NAME.json %.0f ms (in a worker), filling the details %.0f ms\n",
              median(reading), median(table));
  return 0;
}
