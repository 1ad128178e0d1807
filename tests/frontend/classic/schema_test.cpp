// The circuit schema window: the picture against the description and the
// port table, click and help regions, the feedback loops, the scan chains,
// the step marks and the path browser buttons.
#include <QCheckBox>
#include <QFile>
#include <QGroupBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QTextBrowser>
#include <QXmlStreamReader>

#include <cmath>
#include <map>
#include <set>

#include "classic/dftform.h"
#include "app/helpwindow.h"
#include "app/mainform.h"
#include "classic/schema.h"
#include "classic/schemageometry.h"
#include "testsupport.h"
#include "enginelink/txtreport.h"

namespace {

// The ports declared by a description: "circuit.port" for the CIR line and
// "item.port" for every ITM line.
std::set<QString> declaredPorts(const QString& text) {
  std::set<QString> ports;
  const QRegularExpression portRe(QStringLiteral("(\\w+)\\s*\\("));
  for (const QString& raw : text.split(u'\n')) {
    const QString line = raw.trimmed();
    QString owner;
    QString rest;
    if (line.startsWith(QStringLiteral("CIR "))) {
      rest = line.mid(4).trimmed();
      owner = rest.section(u' ', 0, 0);
      rest = rest.section(u' ', 1);
    } else if (line.startsWith(QStringLiteral("ITM "))) {
      rest = line.mid(4).trimmed();
      owner = rest.section(u'(', 0, 0);
      rest = rest.section(u')', 1);
    } else {
      continue;
    }
    for (auto it = portRe.globalMatch(rest); it.hasNext();) ports.insert(owner + u'.' + it.next().captured(1));
  }
  return ports;
}

// The links of a description: driver -> sinks.
std::map<QString, std::set<QString>> declaredLinks(const QString& text) {
  std::map<QString, std::set<QString>> links;
  for (const QString& raw : text.split(u'\n')) {
    const QString line = raw.trimmed();
    if (!line.startsWith(QStringLiteral("LINK "))) continue;
    const QStringList parts = line.mid(5).split(QStringLiteral("->"));
    if (parts.size() != 2) continue;
    for (const QString& sink : parts[1].split(u' ', Qt::SkipEmptyParts)) links[parts[0].trimmed()].insert(sink);
  }
  return links;
}

QString readText(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

struct Net {
  std::set<QString> sinks;
  std::vector<std::vector<QPointF>> route;  // picture coordinates
};

// The nets drawn in the schema picture, by driver.
std::map<QString, Net> pictureNets(const QString& svg) {
  std::map<QString, Net> nets;
  QXmlStreamReader xml(svg);
  while (!xml.atEnd()) {
    if (xml.readNext() != QXmlStreamReader::StartElement || xml.name() != QLatin1String("g")) continue;
    const auto attrs = xml.attributes();
    if (!attrs.hasAttribute(QStringLiteral("data-from"))) continue;
    Net net;
    for (const QString& s : attrs.value(QStringLiteral("data-to")).toString().split(u' ', Qt::SkipEmptyParts))
      net.sinks.insert(s);
    for (const QString& pl : attrs.value(QStringLiteral("data-route")).toString().split(u';')) {
      std::vector<QPointF> points;
      for (const QString& p : pl.split(u' ', Qt::SkipEmptyParts))
        points.emplace_back(p.section(u',', 0, 0).toDouble(), p.section(u',', 1, 1).toDouble());
      net.route.push_back(points);
    }
    nets[attrs.value(QStringLiteral("data-from")).toString()] = net;
  }
  return nets;
}

// Distance from a point to the nearest segment of a route.
double distanceTo(const Net& net, QPointF p) {
  double best = 1e9;
  for (const auto& pl : net.route) {
    for (std::size_t i = 0; i + 1 < pl.size(); ++i) {
      const QPointF a = pl[i], b = pl[i + 1];
      const QPointF d = b - a;
      const double len2 = QPointF::dotProduct(d, d);
      const double t = len2 > 0 ? std::clamp(QPointF::dotProduct(p - a, d) / len2, 0.0, 1.0) : 0.0;
      const QPointF q = a + t * d - p;
      best = std::min(best, std::hypot(q.x(), q.y()));
    }
  }
  return best;
}

// True when a pixel within `radius` of `at` has the colour.
bool colourNear(const QImage& image, QPoint at, QColor colour, int radius = 1) {
  for (int dy = -radius; dy <= radius; ++dy)
    for (int dx = -radius; dx <= radius; ++dx) {
      const QPoint p = at + QPoint(dx, dy);
      if (image.valid(p) && image.pixelColor(p).rgb() == colour.rgb() && image.pixelColor(p).alpha() == 255)
        return true;
    }
  return false;
}

// True when the canvas holds any pixel of the colour.
bool anyPixel(const QImage& image, QColor colour) {
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (image.pixelColor(x, y).alpha() == 255 && image.pixelColor(x, y).rgb() == colour.rgb()) return true;
  return false;
}

bool canvasEmpty(const QImage& image) {
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (image.pixelColor(x, y).alpha() != 0) return false;
  return true;
}

// Client point of a point measured from the window's outer corner.
QPoint client(int x, int y) { return QPoint(x, y) - kFrameOffset; }

const QColor kRed(255, 0, 0);
const QColor kLoopReg1(255, 0, 250);
const QColor kLoopReg3(0, 225, 255);
const QColor kLoopReg2(165, 0, 255);

QByteArray report(const QByteArray& reg1, const QByteArray& reg6) {
  return "------------------------------------------------------------\n"
         "\t'diffeq' testability results\n"
         "------------------------------------------------------------\n"
         "Port_name(bit_width) Con Obs Tst\n"
         "reg6.q(8)" + reg6 + " 0.967480 0.000000\n"
         "reg1.q(8)" + reg1 + " 0.000000 0.000000\n"
         "GlobalMeasures 0.459932 0.164019 0.075437\n";
}

}  // namespace

class SchemaTest : public QObject, public StateFixture {
  Q_OBJECT
 private slots:
  void init() {
    renewState();
    state().setActionRun(true);
    state().setHelpMode(false);
  }

  void portTableMatchesTheDescription() {
    const std::set<QString> ports = declaredPorts(readText(QStringLiteral(LUMENO_EXAMPLES "/diffeq")));
    QVERIFY(ports.size() > 50);
    for (const QString& port : SchemaTablePorts())
      QVERIFY2(ports.count(port) == 1, qPrintable(port + QStringLiteral(" is not in examples/diffeq")));
    // Every data port of the description has a place on the schema.
    for (const QString& port : ports) {
      if (port.endsWith(QStringLiteral(".clk")) || port.contains(QStringLiteral(".s"))) continue;
      QVERIFY2(SchemaPortPosition(port, ChainAnchors()).has_value(), qPrintable(port + QStringLiteral(" has no place")));
    }
  }

  void pictureDrawsEveryLinkThroughItsPorts() {
    const QString svg = readText(QStringLiteral(LUMENO_ASSETS "/diffeq.svg"));
    QVERIFY(svg.contains(QStringLiteral("width=\"776\" height=\"336\"")));
    const auto nets = pictureNets(svg);
    const auto links = declaredLinks(readText(QStringLiteral(LUMENO_EXAMPLES "/diffeq")));
    QCOMPARE(nets.size(), links.size());
    const QPointF toPicture(3, -8);
    for (const auto& [driver, sinks] : links) {
      const auto it = nets.find(driver);
      QVERIFY2(it != nets.end(), qPrintable(driver + QStringLiteral(" is not drawn")));
      QVERIFY2(it->second.sinks == sinks, qPrintable(driver + QStringLiteral(" is drawn to other ports")));
      std::set<QString> ends = sinks;
      ends.insert(driver);
      for (const QString& port : ends) {
        const auto place = SchemaPortPosition(port, ChainAnchors());
        if (!place) continue;  // clock and select inputs have no table place
        const QPointF p = QPointF(*place) + toPicture;
        // On its own wire, and clear of every other wire.
        QVERIFY2(distanceTo(it->second, p) <= 1.0,
                 qPrintable(QStringLiteral("%1 lies off the wire of %2").arg(port, driver)));
        for (const auto& [other, net] : nets) {
          if (other == driver) continue;
          QVERIFY2(distanceTo(net, p) >= 2.0,
                   qPrintable(QStringLiteral("%1 touches the wire of %2").arg(port, other)));
        }
      }
    }
  }

  void clickSelectsAFunctionUnitWithAFrame() {
    MessageLog log(state());
    TFormSchema schema(state());
    QTest::mouseClick(schema.Schema, Qt::LeftButton, {}, client(150, 170));
    QCOMPARE(schema.selectedUnit(), QStringLiteral("mul1"));
    const QImage& canvas = schema.canvas();
    for (QPoint corner : {QPoint(137, 138), QPoint(171, 138), QPoint(171, 162), QPoint(137, 162)})
      QVERIFY(colourNear(canvas, corner, kRed, 0));
    QVERIFY(canvas.pixelColor(154, 150).alpha() == 0);  // inside the frame
    QVERIFY(schema.RestartButton->isEnabled() && schema.NextStepButton->isEnabled() &&
            schema.ItemStepsButton->isEnabled());
    QVERIFY(log.entries.empty());

    // Bounds are exclusive: (140, 170) is on mul1's border.
    TFormSchema other(state());
    other.pictureClicked(client(140, 170));
    QCOMPARE(other.selectedUnit(), QString());
    QVERIFY(canvasEmpty(other.canvas()));
    QVERIFY(!other.NextStepButton->isEnabled());

    // The other units, and a click beside every unit keeps the last one.
    other.pictureClicked(client(420, 230));
    QCOMPARE(other.selectedUnit(), QStringLiteral("mul2"));
    for (auto [x, y, unit] : {std::tuple(580, 215, "add"), std::tuple(250, 170, "sub"), std::tuple(670, 190, "comp")}) {
      other.pictureClicked(client(x, y));
      QCOMPARE(other.selectedUnit(), QString::fromLatin1(unit));
    }
    other.pictureClicked(client(20, 20));
    QCOMPARE(other.selectedUnit(), QStringLiteral("comp"));
    QVERIFY(!anyPixel(other.canvas(), kRed));  // the frame went with the refresh
  }

  void helpModeOpensThePageOfTheItemKind() {
    MessageLog log(state());
    TFormSchema schema(state());
    QStringList topics;
    connect(&schema, &TFormSchema::helpRequested, this, [&topics](const QString& topic) { topics << topic; });
    state().setHelpMode(true);
    QCOMPARE(schema.cursor().shape(), Qt::WhatsThisCursor);
    schema.pictureClicked(client(370, 280));  // MUX4's lower region
    QCOMPARE(topics, QStringList{QStringLiteral("mux.hlp")});
    QCOMPARE(HelpPageUrl(topics.last()), HelpPageUrl(QStringLiteral("mux")));
    QCOMPARE(schema.selectedUnit(), QString());
    QVERIFY(!schema.NextStepButton->isEnabled());
    // Function units open their own kinds' pages, registers theirs.
    schema.pictureClicked(client(150, 170));
    schema.pictureClicked(client(630, 210));
    schema.pictureClicked(client(670, 190));
    QCOMPARE(topics, (QStringList{"mux.hlp", "mul.hlp", "reg.hlp", "cmp.hlp"}));
    QCOMPARE(schema.selectedUnit(), QString());
    QVERIFY(log.entries.empty());
    state().setHelpMode(false);
    QCOMPARE(schema.cursor().shape(), Qt::ArrowCursor);
  }

  void helpPagesOpenInTheMainWindowsHelp() {
    WorkFolder work;
    MessageLog log(state());
    TFormMain form(state());
    form.SchemaBox->setChecked(true);
    state().setHelpMode(true);
    form.schemaWindow()->pictureClicked(client(370, 280));
    QVERIFY(form.helpWindow() != nullptr && form.helpWindow()->isVisible());
    QCOMPARE(form.helpWindow()->browser()->source().toString(), HelpPageUrl(QStringLiteral("mux")));
  }

  void helpRegionsAndFiles() {
    QCOMPARE(HitHelpRegion(QPoint(370, 280)), std::optional(ItemKind::Multiplexer));
    QCOMPARE(HitHelpRegion(QPoint(300, 160)), std::optional(ItemKind::Register));
    QCOMPARE(HitHelpRegion(QPoint(250, 170)), std::optional(ItemKind::Subtractor));
    QCOMPARE(HitHelpRegion(QPoint(580, 215)), std::optional(ItemKind::Adder));
    QVERIFY(!HitHelpRegion(QPoint(360, 260)).has_value());  // exclusive bound
    QCOMPARE(HelpFileOf(ItemKind::Comparator), QStringLiteral("cmp.hlp"));
    QCOMPARE(HelpFileOf(ItemKind::Multiplexer), QStringLiteral("mux.hlp"));
  }

  void clickBeforeTheFirstRunExplains() {
    WorkFolder work;
    MessageLog log(state());
    TFormMain form(state());
    state().setActionRun(false);
    form.SchemaBox->setChecked(true);
    QVERIFY(form.schemaWindow() != nullptr);
    form.LoopsBox->setChecked(true);
    const qsizetype historyLines = form.HistoryLines().size();
    form.schemaWindow()->pictureClicked(client(150, 170));
    QCOMPARE(log.entries.size(), std::size_t(1));
    QCOMPARE(log.entries[0].text, RunAnalysisFirstMessage());
    QVERIFY(!form.LoopsBox->isChecked());
    QVERIFY(!form.schemaWindow()->NextStepButton->isEnabled());
    QVERIFY(!anyPixel(form.schemaWindow()->canvas(), kRed));
    // "All" refuses too, and lists nothing.
    form.schemaWindow()->allStepsClicked();
    QCOMPARE(log.entries.size(), std::size_t(2));
    QCOMPARE(log.entries[1].text, RunAnalysisFirstMessage());
    QCOMPARE(form.HistoryLines().size(), historyLines);
  }

  void feedbackLoopsFromTheReport() {
    WorkFolder work(false);
    MessageLog log(state());
    TFormSchema schema(state());
    // One blank before 0.000000: the reg1 loop; reg6 controllable.
    work.write(QStringLiteral("diffeq.txt"), report(" 0.000000", " 0.500000"));
    schema.DrawFeedbackLoops();
    QVERIFY(colourNear(schema.canvas(), QPoint(335, 142), kLoopReg1));
    QVERIFY(!anyPixel(schema.canvas(), kLoopReg3));
    QVERIFY(log.entries.empty());

    // Two blanks: the controllability is an empty field, so no loop; with
    // both rows found and no loop drawn, the learner is told.
    schema.RefreshCanvas();
    work.write(QStringLiteral("diffeq.txt"), report("  0.000000", " 0.500000"));
    schema.DrawFeedbackLoops(true);
    QVERIFY(canvasEmpty(schema.canvas()));
    QCOMPARE(log.entries.size(), std::size_t(1));
    QCOMPARE(log.entries[0].caption, QStringLiteral("Info"));
    QCOMPARE(log.entries[0].text,
             QStringLiteral("According to selected scan layout, there are no uncontrollable loops in the circuit."));

    // reg6 uncontrollable: both loops through it.
    work.write(QStringLiteral("diffeq.txt"), report(" 0.400000", " 0.000000"));
    schema.DrawFeedbackLoops();
    QVERIFY(colourNear(schema.canvas(), QPoint(646, 250), kLoopReg3));
    QVERIFY(colourNear(schema.canvas(), QPoint(652, 250), kLoopReg2));
    QVERIFY(!anyPixel(schema.canvas(), kLoopReg1));
    QCOMPARE(log.entries.size(), std::size_t(1));

    // No report: nothing drawn, nothing said.
    schema.RefreshCanvas();
    QFile::remove(work.file(QStringLiteral("diffeq.txt")));
    schema.DrawFeedbackLoops();
    QVERIFY(canvasEmpty(schema.canvas()));
    QCOMPARE(log.entries.size(), std::size_t(1));
  }

  void feedbackLoopScanRules() {
    // The benchmark without scan: all three loops, in drawing order.
    QFile noscan(QStringLiteral(LUMENO_TEST_DATA "/diffeq/diffeq.txt"));
    QVERIFY(noscan.open(QIODevice::ReadOnly));
    const FeedbackLoopScan scan = ScanFeedbackLoops(noscan.readAll());
    QCOMPARE(scan.loops, (std::vector<FeedbackLoop>{FeedbackLoop::Reg3, FeedbackLoop::Reg2, FeedbackLoop::Reg1}));
    QVERIFY(!scan.noLoops());
    // Rows before the fourth line are not examined.
    QVERIFY(ScanFeedbackLoops("reg1.q(8) 0.000000\n").loops.empty());
    // Only the second field counts, and only on the row of the register.
    QVERIFY(ScanFeedbackLoops("\n\n\nx\nreg1.q(8) 0.1 0.000000\nreg5.q(8) 0.000000\n").loops.empty());
    // Windows line ends count once: the third line is still a heading.
    QVERIFY(ScanFeedbackLoops("h1\r\nh2\r\nreg1.q(8) 0.000000 1\r\n").loops.empty());
    QCOMPARE(ScanFeedbackLoops("h1\r\nh2\r\nh3\r\nreg1.q(8) 0.000000 1\r\n").loops.size(), std::size_t(1));
    // One row missing: no "no loops" message.
    QVERIFY(!ScanFeedbackLoops("\n\n\nreg1.q(8) 0.5 1\n").noLoops());
  }

  void scanChainsAreDrawnAndAnchored() {
    MessageLog log(state());
    TFormSchema schema(state());
    QVERIFY(!SchemaPortPosition(QStringLiteral("reg1.SCAN_IN"), schema.anchors()).has_value());  // nothing drawn yet
    schema.ShowLayout(QStringLiteral("0.1.2.3.4.5"));
    // Chain A (red) enters reg1 from the top, chain B (blue) reg2 from the left.
    QCOMPARE(SchemaPortPosition(QStringLiteral("reg1.SCAN_IN"), schema.anchors()), std::optional(QPoint(290, 131)));
    QCOMPARE(SchemaPortPosition(QStringLiteral("reg1.SCAN_OUT"), schema.anchors()), std::optional(QPoint(312, 131)));
    QCOMPARE(SchemaPortPosition(QStringLiteral("reg2.SCAN_IN"), schema.anchors()), std::optional(QPoint(284, 199)));
    const auto in0 = SchemaPortPosition(QStringLiteral("diffeq.SCAN_IN0"), schema.anchors());
    QVERIFY(in0.has_value());
    QCOMPARE(in0->x(), 63);
    QCOMPARE(in0->y(), schema.anchors().chains[0].inY);
    const auto out5 = SchemaPortPosition(QStringLiteral("diffeq.SCAN_OUT5"), schema.anchors());
    QVERIFY(out5.has_value());
    QCOMPARE(out5->x(), kScanOutColumn);
    QVERIFY(!SchemaPortPosition(QStringLiteral("diffeq.SCAN_IN6"), schema.anchors()).has_value());
    QVERIFY(colourNear(schema.canvas(), QPoint(290, 100), ChainColor(0)));
    QVERIFY(colourNear(schema.canvas(), QPoint(270, 250), ChainColor(1)));
    // Every chain starts at the left column and ends at the right one.
    for (int g = 0; g < kChains; ++g) {
      QCOMPARE(schema.anchors().chains[g].inX, kScanInColumn);
      QCOMPARE(schema.anchors().chains[g].outX, kScanOutColumn);
    }

    // A new layout replaces the old one; unused chains lose their ends.
    schema.ShowLayout(QStringLiteral("543210"));
    QVERIFY(!SchemaPortPosition(QStringLiteral("diffeq.SCAN_IN1"), schema.anchors()).has_value());
    QVERIFY(SchemaPortPosition(QStringLiteral("diffeq.SCAN_OUT0"), schema.anchors()).has_value());
    QVERIFY(!anyPixel(schema.canvas(), ChainColor(1)));
    // The empty layout leaves the bare picture.
    schema.ShowLayout(QString());
    QVERIFY(canvasEmpty(schema.canvas()));
  }

  void chainRoutesStayApart() {
    // Within one layout no two wires of different chains run on the same
    // corridor lane where they overlap, and every chain is connected.
    for (const QString& notation : {QStringLiteral("0.1.2.3.4.5"), QStringLiteral("543210"),
                                    QStringLiteral("31.20.54"), QStringLiteral("05.14.23")}) {
      ChainAnchors anchors;
      const ChainDrawing d = RouteScanChains(notation, &anchors);
      std::map<int, std::vector<std::tuple<int, int, int>>> lanes;  // y -> (x1, x2, wire)
      for (std::size_t w = 0; w < d.wires.size(); ++w) {
        const auto& pts = d.wires[w].points;
        for (std::size_t i = 0; i + 1 < pts.size(); ++i) {
          QVERIFY(pts[i].x() == pts[i + 1].x() || pts[i].y() == pts[i + 1].y());  // no slanted runs
          if (pts[i].y() != pts[i + 1].y() || (pts[i].y() > 60 && pts[i].y() < 320)) continue;
          const int x1 = std::min(pts[i].x(), pts[i + 1].x()), x2 = std::max(pts[i].x(), pts[i + 1].x());
          for (auto [a, b, other] : lanes[pts[i].y()])
            QVERIFY2(b < x1 || x2 < a || other == static_cast<int>(w),
                     qPrintable(notation + QStringLiteral(": wires share a lane")));
          lanes[pts[i].y()].emplace_back(x1, x2, static_cast<int>(w));
        }
      }
    }
  }

  void stepMarksFollowThePlaceAndThePhase() {
    TFormSchema schema(state());
    schema.MarkStepPorts(QStringLiteral("mul1.b mul1.a "), false);
    QVERIFY(colourNear(schema.canvas(), QPoint(134, 155), QColor(255, 0, 0), 0));
    QVERIFY(colourNear(schema.canvas(), QPoint(134, 144), QColor(84, 242, 12), 0));
    // The bar is 8 pixels long and 4 wide.
    QVERIFY(colourNear(schema.canvas(), QPoint(133, 151), QColor(255, 0, 0), 0));
    QVERIFY(schema.canvas().pixelColor(134, 161).alpha() == 0);
    // Unknown names count for the place but are not drawn.
    schema.MarkStepPorts(QStringLiteral("nowhere.x reg6.d add.q "), true);
    QVERIFY(colourNear(schema.canvas(), QPoint(608, 195), QColor(255, 119, 153), 0));
    QVERIFY(colourNear(schema.canvas(), QPoint(603, 196), QColor(238, 238, 0), 0));
    QCOMPARE(StepMarkColour(1, true), QColor(12, 223, 242));
    QCOMPARE(StepMarkColour(3, false), QColor(255, 234, 117));
    QCOMPARE(StepMarkColour(7, false), QColor(255, 255, 0));
  }

  void browserButtonsWriteTheHistory() {
    WorkFolder work;
    MessageLog log(state());
    QVERIFY(QFile::copy(QStringLiteral(LUMENO_TEST_DATA "/diffeq/diffeq.pro"),
                        work.file(QStringLiteral("diffeq.pro"))));
    TFormMain form(state());
    state().setActionRun(true);
    form.SchemaBox->setChecked(true);
    TFormSchema* schema = form.schemaWindow();
    QVERIFY(schema != nullptr);
    QVERIFY(schema->AllStepsButton->isEnabled() && !schema->NextStepButton->isEnabled());
    schema->pictureClicked(client(150, 170));
    const qsizetype before = form.HistoryLines().size();
    schema->NextStepButton->click();
    QStringList lines = form.HistoryLines().mid(before);
    QCOMPARE(lines, QStringList({"'mul1' selected...", "", "Test vector adjustment",
                                 "   Step 1) diffeq.dx diffeq.const2 "}));
    QVERIFY(colourNear(schema->canvas(), QPoint(63, 126), QColor(255, 0, 0), 0));
    QVERIFY(colourNear(schema->canvas(), QPoint(63, 56), QColor(84, 242, 12), 0));
    for (int i = 0; i < 3; ++i) schema->NextStepButton->click();
    QVERIFY(!schema->NextStepButton->isEnabled());
    QCOMPARE(form.HistoryLines().mid(before).last(), QString(72, u'-'));
    QVERIFY(form.HistoryLines().contains(QStringLiteral("End of data for 'mul1'.")));

    // "|<" starts again; "Itm" lists; stepping then starts from the top.
    schema->RestartButton->click();
    QVERIFY(schema->NextStepButton->isEnabled());
    QVERIFY(colourNear(schema->canvas(), QPoint(63, 56), QColor(255, 0, 0), 0));  // the first entry
    QVERIFY(!colourNear(schema->canvas(), QPoint(134, 144), QColor(84, 242, 12), 0));  // older marks gone
    QVERIFY(colourNear(schema->canvas(), QPoint(137, 138), kRed, 0));  // the frame stays
    schema->ItemStepsButton->click();
    QVERIFY(form.HistoryLines().contains(QStringLiteral("Test data propagation paths for mul1:")));
    const qsizetype afterList = form.HistoryLines().size();
    schema->NextStepButton->click();
    QCOMPARE(form.HistoryLines().mid(afterList).value(3), QStringLiteral("   Step 1) diffeq.dx diffeq.const2 "));

    // "All" lists every unit and leaves comp selected.
    schema->AllStepsButton->click();
    QCOMPARE(schema->selectedUnit(), QStringLiteral("comp"));
    QVERIFY(form.HistoryLines().contains(QStringLiteral("Test data propagation paths for sub:")));
    QVERIFY(log.entries.empty());
  }

  void layoutDisagreementIsToldOnce() {
    WorkFolder work;
    MessageLog log(state());
    TFormMain form(state());
    state().setActionRun(true);
    form.SchemaBox->setChecked(true);
    TFormSchema* schema = form.schemaWindow();
    schema->pictureClicked(client(150, 170));
    setResultLayout(state(), QString());
    state().placeRegister(QStringLiteral("A"), QStringLiteral("1st"), 0);  // the grid now says "0"
    schema->NextStepButton->click();
    schema->NextStepButton->click();
    QCOMPARE(log.entries.size(), std::size_t(1));
    QVERIFY(log.entries[0].text.startsWith(QStringLiteral("To display test propagation path(s) of selected element")));
    state().clearLayout();  // agreement clears the note
    schema->RestartButton->click();
    state().placeRegister(QStringLiteral("A"), QStringLiteral("1st"), 0);
    schema->RestartButton->click();
    QCOMPARE(log.entries.size(), std::size_t(2));
  }

  void windowPlaceAndClosing() {
    WorkFolder work;
    MessageLog log(state());
    TFormMain form(state());
    form.SchemaBox->setChecked(true);
    QVERIFY(form.schemaWindow() != nullptr);
    QCOMPARE(form.schemaWindow()->size(), QSize(kSchemaClientWidth, kSchemaClientHeight));
    QCOMPARE(form.schemaWindow()->windowTitle(), QStringLiteral("Circuit Schema"));
    QVERIFY(form.LoopsBox->isEnabled());
    form.schemaWindow()->move(300, 40);
    form.schemaWindow()->windowDeactivated();
    QCOMPARE(TFormSchema::rememberedPosition(), QPoint(300, 40));
    form.schemaWindow()->move(10, 10);
    form.schemaWindow()->windowActivated();
    QCOMPARE(form.schemaWindow()->pos(), QPoint(300, 40));
    // Closing the window clears the box, which discards the window.
    QPointer<TFormSchema> window = form.schemaWindow();
    window->close();
    QVERIFY(!form.SchemaBox->isChecked());
    QVERIFY(!form.LoopsBox->isEnabled());
    QVERIFY(form.schemaWindow() == nullptr);
    QTRY_VERIFY(window.isNull());
    // A new one opens where the last one was.
    form.SchemaBox->setChecked(true);
    QCOMPARE(form.schemaWindow()->pos(), QPoint(300, 40));
    form.schemaWindow()->move(263, 0);
    form.schemaWindow()->windowDeactivated();
  }

  // Pictures of the window for checking by eye (in the build folder).
  void renderSchema_data() {
    QTest::addColumn<QString>("layout");
    QTest::addColumn<QString>("file");
    QTest::newRow("partial") << QStringLiteral("30.4") << QStringLiteral("lumeno-schema.png");
    QTest::newRow("own chains") << QStringLiteral("0.1.2.3.4.5") << QStringLiteral("lumeno-schema-fullscan.png");
    QTest::newRow("one chain") << QStringLiteral("543210") << QStringLiteral("lumeno-schema-onechain.png");
  }
  void renderSchema() {
    QFETCH(QString, layout);
    QFETCH(QString, file);
    WorkFolder work;
    MessageLog log(state());
    for (const char* name : {"diffeq.pro", "diffeq.txt"})
      QVERIFY(QFile::copy(QStringLiteral(LUMENO_TEST_DATA "/diffeq/") + QString::fromLatin1(name),
                          work.file(QString::fromLatin1(name))));
    TFormMain form(state());
    state().setActionRun(true);
    setResultLayout(state(), layout);
    form.SchemaBox->setChecked(true);
    TFormSchema* schema = form.schemaWindow();
    form.LoopsBox->setChecked(true);
    schema->pictureClicked(client(150, 170));
    schema->NextStepButton->click();
    schema->NextStepButton->click();
    const QImage image = schema->renderClient();
    QCOMPARE(image.size(), QSize(kSchemaClientWidth, kSchemaClientHeight));
    QVERIFY(image.save(QStringLiteral(RENDER_DIR "/") + file));
  }
};

QTEST_MAIN(SchemaTest)
#include "schema_test.moc"
