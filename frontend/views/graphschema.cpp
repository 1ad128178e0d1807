#include "views/graphschema.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QGraphicsPathItem>
#include <QGraphicsRectItem>
#include <QGraphicsScene>
#include <QGraphicsSimpleTextItem>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QtConcurrent/QtConcurrentRun>
#include <QSpinBox>
#include <QSplitter>
#include <QStyleOptionGraphicsItem>
#include <QSvgGenerator>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <cmath>

#include "models/propagrecords.h"
#include "ui/fixedlayout.h"
#include "views/blocksummary.h"

namespace {

constexpr int kNodeNameRole = 0;
constexpr double kSmallestReadableText = 3.5;  // points on the screen
constexpr qsizetype kLoopNamesListed = 24;     // registers named in a loop's list entry
constexpr int kSmallestVisibleLoop = 80;        // pixels: a chosen loop smaller than this is zoomed to
constexpr int kBlockColourIndex = 4;            // "block" in the colour box, after the heat measures
// Loops are drawn light so that they do not hide the schema; the one chosen
// in the list is drawn strong.
const QColor kLoopColour(240, 150, 150);
const QColor kChosenLoopColour(200, 30, 30);
const QColor kWireColour(90, 90, 90);
const QColor kBrokenLoopColour(40, 140, 60);
const QColor kChainColour(30, 80, 200);
const QColor kAdjustColour(20, 90, 220);
const QColor kObserveColour(220, 40, 160);

// Fill of an item when no heat map is shown.
QColor kindColour(const QString& kind) {
  if (kind == u"PORT") return QColor(235, 235, 235);
  if (IsRegisterKind(kind)) return QColor(255, 244, 214);
  if (kind == u"MUX") return QColor(226, 238, 250);
  if (kind == u"BLOCK") return QColor(230, 226, 246);
  return QColor(232, 246, 232);
}

// The outline of an item of `kind` inside `r`.
QPainterPath kindShape(const QString& kind, const QRectF& r, bool primaryInput) {
  QPainterPath path;
  const double d = std::min(r.height() * 0.25, r.width() * 0.2);
  if (kind == u"PORT") {
    // An arrow pointing into the circuit (inputs) or out of it (outputs).
    const double tip = std::min(8.0, r.width() * 0.3);
    QPolygonF p;
    if (primaryInput)
      p << r.topLeft() << QPointF(r.right() - tip, r.top()) << QPointF(r.right(), r.center().y())
        << QPointF(r.right() - tip, r.bottom()) << r.bottomLeft();
    else
      p << QPointF(r.left() + tip, r.top()) << r.topRight() << r.bottomRight() << QPointF(r.left() + tip, r.bottom())
        << QPointF(r.left(), r.center().y());
    path.addPolygon(p);
    path.closeSubpath();
  } else if (kind == u"MUX") {
    QPolygonF p;
    p << r.topLeft() << QPointF(r.right(), r.top() + d) << QPointF(r.right(), r.bottom() - d) << r.bottomLeft();
    path.addPolygon(p);
    path.closeSubpath();
  } else if (IsRegisterKind(kind)) {
    path.addRect(r);
  } else if (kind.startsWith(u"COMP") || kind == u"EQ" || kind == u"LT" || kind == u"GT") {
    QPolygonF p;
    p << QPointF(r.left() + d, r.top()) << QPointF(r.right() - d, r.top()) << QPointF(r.right(), r.center().y())
      << QPointF(r.right() - d, r.bottom()) << QPointF(r.left() + d, r.bottom()) << QPointF(r.left(), r.center().y());
    path.addPolygon(p);
    path.closeSubpath();
  } else if (kind == u"ADD" || kind == u"SUB" || kind == u"MUL" || kind == u"DIV" || kind == u"ALU") {
    // The arithmetic unit outline: a box with a notch on its input side.
    QPolygonF p;
    p << r.topLeft() << QPointF(r.right(), r.top() + d) << QPointF(r.right(), r.bottom() - d) << r.bottomLeft()
      << QPointF(r.left(), r.center().y() + d) << QPointF(r.left() + d, r.center().y())
      << QPointF(r.left(), r.center().y() - d);
    path.addPolygon(p);
    path.closeSubpath();
  } else {
    path.addRoundedRect(r, 6, 6);
  }
  return path;
}

// One item or primary port of the schema.
class NodeGraphic : public QGraphicsItem {
 public:
  explicit NodeGraphic(const LayoutNode& node) : node_(node) {
    setData(kNodeNameRole, node.name);
    setFlag(ItemIsSelectable);
    setToolTip(node.primary            ? QStringLiteral("primary port %1").arg(node.name)
               : node.kind == u"LOOP"  ? QStringLiteral("%1: %2\nDouble-click to draw its registers")
                                             .arg(node.name, node.members.join(u' '))
               : node.kind == u"BLOCK" ? QStringLiteral("block %1\nDouble-click to open it")
                                             .arg(BlockLabel(node.name, node.members.size(), node.registers))
                                       : QStringLiteral("%1 (%2)").arg(node.name, node.kind));
  }
  QColor fill() const { return fill_; }
  QRectF boundingRect() const override { return node_.rect.adjusted(-2, -2, 2, 2); }
  void setFill(QColor c) {
    fill_ = c;
    update();
  }
  void setHighlight(QColor c) {
    highlight_ = c;
    update();
  }
  void paint(QPainter* p, const QStyleOptionGraphicsItem* option, QWidget*) override {
    const bool primaryInput = node_.primary && !node_.ports.empty() && !node_.ports.front().input;
    const QPainterPath outline = kindShape(node_.kind, node_.rect, primaryInput);
    QPen pen(highlight_.isValid() ? highlight_ : QColor(60, 60, 60), highlight_.isValid() || isSelected() ? 2.5 : 1.0);
    if (isSelected()) pen.setColor(QColor(0, 120, 215));
    p->setPen(pen);
    p->setBrush(fill_);
    p->drawPath(outline);
    if (node_.kind == u"SREG") {  // scan registers get an inner frame
      p->setBrush(Qt::NoBrush);
      p->drawRect(node_.rect.adjusted(2.5, 2.5, -2.5, -2.5));
    }
    // Names too small to read are left out: they cost much and show nothing.
    const bool grouped = node_.kind == u"LOOP" || node_.kind == u"BLOCK";
    const double size = node_.primary ? 7.0 : grouped ? 11.0 : 8.0;
    if (size * option->levelOfDetailFromTransform(p->worldTransform()) < kSmallestReadableText) return;
    p->setPen(Qt::black);
    QFont f = p->font();
    f.setPointSizeF(size);
    f.setBold(!node_.primary);
    p->setFont(f);
    const QString text = node_.primary        ? PortOfComposedPort(node_.name)
                         : node_.kind == u"LOOP"  ? LoopLabel(node_.name, node_.members.size())
                         : node_.kind == u"BLOCK" ? BlockLabel(node_.name, node_.members.size(), node_.registers)
                                                  : node_.name;
    p->drawText(node_.title, Qt::AlignCenter, text);
  }

 private:
  const LayoutNode& node_;
  QColor fill_ = Qt::white;
  QColor highlight_;
};

// The tooltip of a port with its figures.
QString portTip(const QString& composed, const LayoutPort& port, const PortFigures* figures) {
  QString tip = QStringLiteral("%1 (%2, %3 bit)").arg(composed, port.type).arg(port.bits);
  if (figures)
    tip += QStringLiteral("\ncon %1  obs %2  tst %3")
               .arg(figures->con, 0, 'f', 6)
               .arg(figures->obs, 0, 'f', 6)
               .arg(figures->tst, 0, 'f', 6);
  else
    tip += QStringLiteral("\nno figures");
  return tip;
}

// The pen of a wire: wider for a bus, and for an edge of the block summary
// the more wires it stands for.
QPen wirePen(const LayoutEdge& edge, const QColor& colour = kWireColour) {
  if (edge.connections > 1) return QPen(colour, std::min(4.5, 0.8 + 0.6 * std::log2(double(edge.connections))));
  return QPen(colour, edge.bits > 1 ? 1.6 : 0.8);
}

// The tooltip of a wire.
QString wireTip(const LayoutEdge& edge) {
  if (edge.link < 0 && edge.connections >= 1 && edge.bits <= 1)
    return QStringLiteral("%1 -> %2 (%3 wire%4)").arg(edge.from, edge.to).arg(edge.connections).arg(edge.connections == 1 ? "" : "s");
  return QStringLiteral("%1 -> %2 (%3 bit)").arg(edge.from, edge.to).arg(edge.bits);
}

// The Bezier path of a wire.
QPainterPath wirePath(const LayoutEdge& edge) {
  QPainterPath path;
  if (edge.path.empty()) return path;
  path.moveTo(edge.path[0]);
  std::size_t i = 1;
  for (; i + 2 < edge.path.size(); i += 3)
    path.cubicTo(edge.path[i], edge.path[i + 1], edge.path[i + 2]);
  for (; i < edge.path.size(); ++i) path.lineTo(edge.path[i]);
  path.lineTo(edge.tip);
  return path;
}

// How long a layout may run: the summary is meant to be quick; the full
// schema of a large circuit is the user's explicit wish.
int LayoutTimeLimitMs(bool summary) { return summary ? 60000 : 300000; }

// Above this many wires a summary draws them as one picture, this many
// pixels on its long side.
constexpr std::size_t kWiresDrawnOneByOne = 2000;
constexpr double kBundlePixels = 3000.0;

// The arrow head of a wire at its sink.
QPolygonF arrowHead(const LayoutEdge& edge) {
  const QPointF tip = edge.tip;
  const QLineF axis(tip, edge.path.back() == tip && edge.path.size() > 1 ? edge.path[edge.path.size() - 2] : edge.path.back());
  QLineF a = axis, b = axis;
  a.setAngle(axis.angle() + 25);
  b.setAngle(axis.angle() - 25);
  a.setLength(5);
  b.setLength(5);
  return QPolygonF({tip, a.p2(), b.p2()});
}

// Many wires as one item: a picture of them drawn by the worker, so that
// tens of thousands of wires cost the interface one blit.
class WireBundle : public QGraphicsItem {
 public:
  WireBundle(QImage image, const QRectF& area) : image_(std::move(image)), area_(area) { setZValue(-1); }
  QRectF boundingRect() const override { return area_; }
  void paint(QPainter* p, const QStyleOptionGraphicsItem*, QWidget*) override {
    if (pixmap_.isNull()) pixmap_ = QPixmap::fromImage(image_);
    p->setRenderHint(QPainter::SmoothPixmapTransform, true);
    p->drawPixmap(area_, pixmap_, QRectF(pixmap_.rect()));
  }

 private:
  QImage image_;
  QPixmap pixmap_;
  QRectF area_;
};

// The picture of `lines` over `area`, at most kBundlePixels on its long side.
QImage bundlePicture(const QVector<QLineF>& lines, const QRectF& area) {
  const double scale = std::min(2.0, kBundlePixels / std::max({area.width(), area.height(), 1.0}));
  QImage image(std::max(1, int(area.width() * scale)), std::max(1, int(area.height() * scale)),
               QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing, true);
  p.scale(scale, scale);
  p.translate(-area.topLeft());
  p.setPen(QPen(QColor(150, 150, 150, 110), 0));
  p.drawLines(lines);
  return image;
}

// The summary's wires as straight pieces, drawn as hairlines in one call,
// when there are too many to draw one by one (their direction is then no
// longer seen: no arrow heads); loop wires keep their own items.
QVector<QLineF> wireBundle(const GraphLayout& layout, const std::vector<std::vector<int>>& loopEdges) {
  QVector<QLineF> bundle;
  if (layout.edges.size() <= kWiresDrawnOneByOne) return bundle;
  std::vector<char> own(layout.edges.size(), 0);
  for (const auto& edges : loopEdges)
    for (int e : edges) own[e] = 1;
  for (std::size_t e = 0; e < layout.edges.size(); ++e) {
    if (own[e] || layout.edges[e].path.empty()) continue;
    // Curves by their ends: at the summary's scale the difference is not seen.
    const auto& path = layout.edges[e].path;
    QPointF last = path.front();
    for (std::size_t i = 3; i < path.size(); i += 3) {
      bundle.append(QLineF(last, path[i]));
      last = path[i];
    }
    bundle.append(QLineF(last, layout.edges[e].tip));
  }
  return bundle;
}

}  // namespace

// ---------------------------------------------------------------------------
// HeatLegendWidget

HeatLegendWidget::HeatLegendWidget(QWidget* parent) : QWidget(parent) {}

void HeatLegendWidget::setLegend(const HeatLegend& legend) {
  legend_ = legend;
  setToolTip(legend_.summary);
  update();
}

QSize HeatLegendWidget::sizeHint() const { return {220, 70}; }

void HeatLegendWidget::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), palette().window());
  if (legend_.ports == 0 && legend_.title.isEmpty()) return;
  const QFontMetrics fm(font());
  const int top = fm.height() + 2;
  const QRect bar(8, top, width() - 16, 14);
  p.drawText(QRect(0, 0, width(), fm.height()), Qt::AlignHCenter, legend_.title);
  QLinearGradient gradient(bar.topLeft(), bar.topRight());
  for (int i = 0; i <= 10; ++i) gradient.setColorAt(i / 10.0, HeatColour(i / 10.0));
  p.fillRect(bar, gradient);
  p.setPen(Qt::black);
  p.drawRect(bar);
  for (std::size_t i = 0; i < legend_.ticks.size(); ++i) {
    const int x = bar.left() + static_cast<int>(std::lround(legend_.ticks[i] * bar.width()));
    p.drawLine(x, bar.bottom(), x, bar.bottom() + 3);
    const QString label = legend_.tickLabels.value(static_cast<qsizetype>(i));
    const int w = fm.horizontalAdvance(label);
    p.drawText(std::clamp(x - w / 2, 0, width() - w), bar.bottom() + 4 + fm.ascent(), label);
  }
  p.drawText(QRect(0, bar.bottom() + 6 + fm.height(), width(), fm.height()), Qt::AlignHCenter, legend_.summary);
}

// ---------------------------------------------------------------------------
// BlockLegendWidget

namespace {
constexpr int kBlocksListed = 24;  // legend lines before "... and N more"
}

BlockLegendWidget::BlockLegendWidget(QWidget* parent) : QWidget(parent) {}

void BlockLegendWidget::setLegend(const BlockLegend& legend) {
  legend_ = legend;
  setToolTip(legend_.blocks.join(u'\n'));
  // Every line shown: the loop list beneath gives way.
  setMinimumHeight(sizeHint().height());
  updateGeometry();
  update();
}

namespace {

// The entries of a block legend (its blocks, then the top level or "... and
// N more") and the columns they are set in.
int legendEntries(const BlockLegend& legend) {
  return std::min(static_cast<int>(legend.blocks.size()), kBlocksListed) + 1;
}
int legendColumns(const BlockLegend& legend) { return legendEntries(legend) > 6 ? 2 : 1; }

}  // namespace

QSize BlockLegendWidget::sizeHint() const {
  const int columns = legendColumns(legend_);
  const int rows = (legendEntries(legend_) + columns - 1) / columns;
  return {220, (1 + rows) * (fontMetrics().height() + 2) + 2};
}

void BlockLegendWidget::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), palette().window());
  const QFontMetrics fm(font());
  const int line = fm.height() + 2, columns = legendColumns(legend_);
  const int rows = (legendEntries(legend_) + columns - 1) / columns, columnWidth = width() / columns;
  p.drawText(QRect(0, 0, width(), fm.height()), Qt::AlignHCenter, legend_.title);
  auto entry = [&](int at, const QColor& colour, const QString& text) {
    const int x = (at / rows) * columnWidth, y = (at % rows + 1) * line;
    if (colour.isValid()) {
      const QRect swatch(x + 8, y + 2, 14, fm.height() - 4);
      p.fillRect(swatch, colour);
      p.setPen(Qt::black);
      p.drawRect(swatch);
    }
    p.drawText(QRect(x + 28, y, columnWidth - 30, fm.height()), Qt::AlignVCenter | Qt::AlignLeft,
               fm.elidedText(text, Qt::ElideMiddle, columnWidth - 30));
  };
  const int listed = legendEntries(legend_) - 1;
  for (int i = 0; i < listed; ++i) entry(i, legend_.colours[static_cast<std::size_t>(i)], legend_.blocks[i]);
  if (legend_.blocks.size() > listed)
    entry(listed, QColor(), QStringLiteral("... and %1 more").arg(legend_.blocks.size() - listed));
  else
    entry(listed, TopLevelColour(), QStringLiteral("(top level)"));
}

// ---------------------------------------------------------------------------
// SchemaGraphicsView

SchemaGraphicsView::SchemaGraphicsView(QGraphicsScene* scene, QWidget* parent) : QGraphicsView(scene, parent) {
  setDragMode(ScrollHandDrag);
  setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
  setTransformationAnchor(AnchorUnderMouse);
  setBackgroundBrush(Qt::white);
}

void SchemaGraphicsView::zoomBy(double factor) {
  autoFit_ = false;
  const double next = zoom() * factor;
  if (next < 0.02 || next > 40.0) return;
  scale(factor, factor);
}

void SchemaGraphicsView::wheelEvent(QWheelEvent* event) {
  zoomBy(std::pow(1.0015, event->angleDelta().y()));
  event->accept();
}

void SchemaGraphicsView::fitScene() {
  autoFit_ = true;
  if (scene() && !scene()->items().isEmpty()) fitInView(sceneRect(), Qt::KeepAspectRatio);
}

void SchemaGraphicsView::zoomTo(const QRectF& area) {
  autoFit_ = false;
  fitInView(area, Qt::KeepAspectRatio);
}

QString SchemaGraphicsView::nodeAt(QPoint position) const {
  for (QGraphicsItem* item = itemAt(position); item; item = item->parentItem()) {
    const QString name = item->data(kNodeNameRole).toString();
    if (!name.isEmpty()) return name;
  }
  return {};
}

void SchemaGraphicsView::mousePressEvent(QMouseEvent* event) {
  QGraphicsView::mousePressEvent(event);
  if (event->button() != Qt::LeftButton) return;
  if (const QString name = nodeAt(event->position().toPoint()); !name.isEmpty()) emit nodeClicked(name);
}

void SchemaGraphicsView::mouseDoubleClickEvent(QMouseEvent* event) {
  QGraphicsView::mouseDoubleClickEvent(event);
  if (event->button() != Qt::LeftButton) return;
  if (const QString name = nodeAt(event->position().toPoint()); !name.isEmpty()) emit nodeDoubleClicked(name);
}

void SchemaGraphicsView::resizeEvent(QResizeEvent* event) {
  QGraphicsView::resizeEvent(event);
  if (autoFit_) fitScene();
}

// ---------------------------------------------------------------------------
// GraphSchemaWindow

GraphSchemaWindow::GraphSchemaWindow(QWidget* parent)
    : QWidget(parent, Qt::Window),
      scene_(new QGraphicsScene(this)),
      view_(new SchemaGraphicsView(scene_, this)),
      searchBox_(new QLineEdit(this)),
      measureBox_(new QComboBox(this)),
      showBox_(new QComboBox(this)),
      depthBox_(new QSpinBox(this)),
      legend_(new HeatLegendWidget(this)),
      blockLegend_(new BlockLegendWidget(this)),
      loopList_(new QListWidget(this)),
      history_(new QPlainTextEdit(this)),
      restartButton_(new QPushButton(QStringLiteral("|<"), this)),
      stepButton_(new QPushButton(QStringLiteral(">"), this)),
      status_(new QLabel(this)),
      progress_(new QProgressBar(this)),
      cancelButton_(new QPushButton(QStringLiteral("Cancel"), this)),
      fullButton_(new QPushButton(QStringLiteral("Full schema"), this)),
      loopsBox_(new QCheckBox(QStringLiteral("Loops"), this)) {
  setWindowTitle(QStringLiteral("Schema"));
  configureWidgets();
  arrangeWidgets();
  connectWidgets();
  setPropagationFile(QString());
}

// Ranges, tips and first states of the window's own widgets.
void GraphSchemaWindow::configureWidgets() {
  progress_->setRange(0, 0);
  progress_->setMaximumWidth(160);
  status_->setWordWrap(true);  // a long status wraps beside the bar instead of running under it
  progress_->hide();
  cancelButton_->setToolTip(QStringLiteral("Stop laying the schema out"));
  cancelButton_->hide();
  fullButton_->setToolTip(QStringLiteral("Lay out every item of the circuit (may take long; Cancel stops it)"));
  fullButton_->hide();
  loopsBox_->setChecked(true);
  loopsBox_->setToolTip(QStringLiteral("Highlight the unbroken feedback loops on the schema"));
  searchBox_->setPlaceholderText(QStringLiteral("Find a name"));
  searchBox_->setClearButtonEnabled(true);
  // The heat measures in HeatMeasure's order, then the blocks.
  measureBox_->addItems({QStringLiteral("Kind"), QStringLiteral("con"), QStringLiteral("obs"), QStringLiteral("tst"),
                         QStringLiteral("block")});
  measureBox_->setCurrentIndex(3);
  showBox_->addItems({QStringLiteral("Full schema"), QStringLiteral("Registers"), QStringLiteral("Blocks")});
  showBox_->setToolTip(QStringLiteral("Every item, the register graph with its loops collapsed, or the blocks of the "
                                      "hierarchy collapsed to the chosen depth (double-click one to open it)"));
  depthBox_->setRange(1, 1);
  depthBox_->setPrefix(QStringLiteral("depth "));
  depthBox_->setToolTip(QStringLiteral("The depth of the hierarchy blocks are collapsed to and coloured by"));
  blockLegend_->hide();
  history_->setReadOnly(true);
  loopList_->setWordWrap(true);
  history_->setFont(QFont(QStringLiteral("Monospace"), 8));
  restartButton_->setToolTip(QStringLiteral("Back to the first step of the selected unit's paths"));
  stepButton_->setToolTip(QStringLiteral("Next step of the selected unit's test data paths"));
  restartButton_->setEnabled(false);
  stepButton_->setEnabled(false);

}

// The tool bar, the schema beside the legend, loops and paths, and the status row.
void GraphSchemaWindow::arrangeWidgets() {
  auto* bar = new QHBoxLayout;
  auto addButton = [&](const QString& text, const QString& tip, auto slot) {
    auto* b = new QPushButton(text, this);
    b->setToolTip(tip);
    connect(b, &QPushButton::clicked, this, slot);
    bar->addWidget(b);
  };
  addButton(QStringLiteral("Fit"), QStringLiteral("Fit the schema to the window (kept fitted until you zoom)"),
            [this] { fitToWindow(); });
  addButton(QStringLiteral("+"), QStringLiteral("Zoom in"), [this] { view_->zoomBy(1.25); });
  addButton(QStringLiteral("-"), QStringLiteral("Zoom out"), [this] { view_->zoomBy(0.8); });
  bar->addWidget(searchBox_, 1);
  bar->addWidget(new QLabel(QStringLiteral("Colour by"), this));
  bar->addWidget(measureBox_);
  bar->addWidget(new QLabel(QStringLiteral("Show"), this));
  bar->addWidget(showBox_);
  bar->addWidget(depthBox_);
  addButton(QStringLiteral("Export..."), QStringLiteral("Save the schema as PNG or SVG"), [this] { exportDialog(); });
  bar->addWidget(loopsBox_);
  bar->addWidget(fullButton_);
  bar->addWidget(restartButton_);
  bar->addWidget(stepButton_);

  auto* side = new QWidget(this);
  auto* sideLayout = new QVBoxLayout(side);
  sideLayout->setContentsMargins(0, 0, 0, 0);
  sideLayout->addWidget(legend_);
  sideLayout->addWidget(blockLegend_);
  sideLayout->addWidget(new QLabel(QStringLiteral("Feedback loops"), side));
  sideLayout->addWidget(loopList_, 1);
  sideLayout->addWidget(new QLabel(QStringLiteral("Test data paths"), side));
  sideLayout->addWidget(history_, 2);
  auto* split = new QSplitter(this);
  split->addWidget(view_);
  split->addWidget(side);
  split->setStretchFactor(0, 4);
  split->setStretchFactor(1, 1);
  split->setSizes({820, 260});
  side->setMaximumWidth(420);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(bar);
  layout->addWidget(split, 1);
  auto* statusRow = new QHBoxLayout;
  statusRow->addWidget(status_, 1);
  statusRow->addWidget(progress_);
  statusRow->addWidget(cancelButton_);
  layout->addLayout(statusRow);
  // Opens at its 96-DPI size, grown with the font resolution and kept on the screen.
  resize(FittedWindowSize(QSize(1100, 620), ScreenMetricsOf(this)));

}

void GraphSchemaWindow::connectWidgets() {
  connect(searchBox_, &QLineEdit::returnPressed, this, [this] {
    const QString found = search(searchBox_->text());
    status_->setText(found.isEmpty() ? QStringLiteral("No name contains '%1'.").arg(searchBox_->text())
                                     : QStringLiteral("Found %1.").arg(found));
  });
  connect(measureBox_, &QComboBox::currentIndexChanged, this, [this](int index) {
    if (index == kBlockColourIndex) setBlockColouring(true);
    else setHeatMeasure(static_cast<HeatMeasure>(index));
  });
  connect(showBox_, &QComboBox::activated, this, [this](int index) {
    if (index == static_cast<int>(SchemaKind::Full)) showFullSchema();
    else if (index == static_cast<int>(SchemaKind::Registers)) showRegisterSummary();
    else showBlocks(depthBox_->value());
  });
  connect(depthBox_, &QSpinBox::valueChanged, this, &GraphSchemaWindow::depthChanged);
  connect(view_, &SchemaGraphicsView::nodeClicked, this, &GraphSchemaWindow::clickNode);
  connect(view_, &SchemaGraphicsView::nodeDoubleClicked, this, &GraphSchemaWindow::nodeDoubleClicked);
  connect(loopList_, &QListWidget::currentRowChanged, this, [this](int row) {
    if (circuit_ && row >= 0 && row < static_cast<int>(circuit_->loops.size())) selectLoop(row);
  });
  connect(loopsBox_, &QCheckBox::toggled, this, &GraphSchemaWindow::setLoopsShown);
  connect(cancelButton_, &QPushButton::clicked, this, &GraphSchemaWindow::cancelLayout);
  connect(fullButton_, &QPushButton::clicked, this, &GraphSchemaWindow::showFullSchema);
  progressTimer_.setInterval(250);
  connect(&progressTimer_, &QTimer::timeout, this, &GraphSchemaWindow::showLayoutProgress);
  connect(restartButton_, &QPushButton::clicked, this, &GraphSchemaWindow::restartPaths);
  connect(stepButton_, &QPushButton::clicked, this, &GraphSchemaWindow::stepPaths);
}

GraphSchemaWindow::~GraphSchemaWindow() {
  if (cancel_) *cancel_ = true;  // a layout still running ends with the window
}

void GraphSchemaWindow::setCircuit(const CircuitResult& circuit) {
  clearScene();  // the items refer to the old layout: gone before it goes
  layout_ = GraphLayout{};
  loopEdges_.clear();
  loopNodes_.clear();
  figures_.clear();
  nodeFigures_.clear();
  nodeBlocks_.clear();
  circuit_ = std::make_shared<const CircuitResult>(circuit);
  chains_ = circuit_->chains;
  selectedLoop_ = -1;
  expanded_.clear();
  expandedBlocks_.clear();
  clearPathSteps();
  setWindowTitle(QStringLiteral("Schema - %1").arg(circuit_->circuit));
  fillLoopList();
  // A large circuit opens as its blocks where it has them: a handful of
  // nodes that follow the designer's own partitioning, quick to lay out,
  // opened block by block; the register summary of thousands of registers
  // is the fallback for a flat design.
  const int branching = FirstBranchingDepth(*circuit_);
  {
    const QSignalBlocker blocker(depthBox_);
    depthBox_->setRange(1, std::max(1, HierarchyDepth(*circuit_)));
    depthBox_->setValue(std::max(1, branching));
    blockDepth_ = depthBox_->value();
  }
  depthBox_->setEnabled(HierarchyDepth(*circuit_) > 0);
  if (!NeedsSummary(*circuit_)) startLayout(SchemaKind::Full);
  else startLayout(branching > 0 ? SchemaKind::Blocks : SchemaKind::Registers);
}

// The selected unit, its stepping state, the marks and the path history
// belong to the circuit they were taken from.
void GraphSchemaWindow::clearPathSteps() {
  clearMarks();
  selected_.clear();
  history_->clear();
  restartButton_->setEnabled(false);
  stepButton_->setEnabled(false);
  // The paths of the new circuit come with its layout (or from a file set later).
  useBrowser(PathBrowser(QString()));
}

namespace {

SchemaDrawing drawLayout(const CircuitResult& circuit, const SchemaRequest& request, const LayoutControl& control);

// The block of a node: a primary port's is the top level, a group's the one
// most of its items are in.
void findNodeBlocks(const CircuitResult& circuit, SchemaDrawing& out) {
  QHash<QString, QString> blockOf;
  for (const CircuitItem& item : circuit.items) blockOf.insert(item.name, item.block);
  for (const LayoutNode& node : out.layout.nodes) {
    if (node.primary || node.kind == u"BLOCK") {
      out.nodeBlocks.push_back(node.primary ? QString() : node.name);
      continue;
    }
    if (node.members.size() <= 1) {
      out.nodeBlocks.push_back(blockOf.value(node.members.isEmpty() ? node.name : node.members.front()));
      continue;
    }
    QHash<QString, int> count;
    QString most;
    for (const QString& member : node.members) {
      const QString& block = blockOf.value(member);
      if (++count[block] > count.value(most)) most = block;
    }
    out.nodeBlocks.push_back(most);
  }
}

// The figures each node is coloured by: a primary port's own, else those of
// the outputs of the item or of the registers a summary node stands for.
void findNodeFigures(const CircuitResult& circuit, SchemaDrawing& out) {
  for (const PortFigures& p : circuit.ports) out.figures.insert(p.name, &p);
  QHash<QString, const CircuitItem*> items;
  for (const CircuitItem& item : circuit.items) items.insert(item.name, &item);
  for (const LayoutNode& node : out.layout.nodes) {
    auto& list = out.nodeFigures.emplace_back();
    auto take = [&](const QString& composed) {
      if (const PortFigures* f = out.figures.value(composed)) list.push_back(f);
    };
    if (node.primary) {
      take(node.name);
      continue;
    }
    const QStringList owners = node.members.isEmpty() ? QStringList{node.name} : node.members;
    for (const QString& owner : owners)
      if (const CircuitItem* item = items.value(owner))
        for (const auto& p : item->ports)
          if ((p.type == u"out" || p.type == u"inout") && !IsScanPortName(p.name)) take(owner + u'.' + p.name);
  }
}

}  // namespace

SchemaDrawing DrawSchema(const CircuitResult& circuit, const SchemaRequest& request, const LayoutControl& control) {
  SchemaDrawing out = drawLayout(circuit, request, control);
  if (out.layout.cancelled) return out;  // nobody waits for the rest
  findNodeFigures(circuit, out);
  findNodeBlocks(circuit, out);
  if (const auto lines = wireBundle(out.layout, out.loopEdges); !lines.isEmpty()) {
    out.bundleArea = out.layout.bounds.adjusted(-10, -10, 10, 10);
    out.bundle = bundlePicture(lines, out.bundleArea);
  }
  // The test data paths come with the circuit (files of older engines have
  // none: the propagation file set by setPropagationFile is read then).
  if (!circuit.propagation.empty()) out.records = PropagRecordsOf(circuit);
  return out;
}

namespace {

SchemaDrawing drawLayout(const CircuitResult& circuit, const SchemaRequest& request, const LayoutControl& control) {
  SchemaDrawing out;
  out.loopEdges.resize(circuit.loops.size());
  out.loopNodes.resize(circuit.loops.size());
  if (request.kind == SchemaKind::Blocks) {
    out.layout = LayoutSummary(SummariseBlocks(circuit, request.blockDepth, request.expandedBlocks), control);
    out.layout.blockDepth = std::max(1, request.blockDepth);
    // A loop is shown on the blocks its registers are in; its wires are inside them.
    QHash<QString, int> nodeOf;
    for (std::size_t n = 0; n < out.layout.nodes.size(); ++n)
      for (const QString& member : out.layout.nodes[n].members) nodeOf.insert(member, static_cast<int>(n));
    for (std::size_t l = 0; l < circuit.loops.size(); ++l) {
      QSet<int> nodes;
      for (const QString& reg : circuit.loops[l].registers)
        if (const int n = nodeOf.value(reg, -1); n >= 0) nodes.insert(n);
      out.loopNodes[l].assign(nodes.begin(), nodes.end());
      std::sort(out.loopNodes[l].begin(), out.loopNodes[l].end());
    }
    return out;
  }
  if (request.kind == SchemaKind::Registers) {
    out.layout = LayoutSummary(SummariseRegisters(circuit, request.expandedLoops), control);
    const auto& nodes = out.layout.nodes;
    for (std::size_t n = 0; n < nodes.size(); ++n)
      if (nodes[n].loop >= 0) out.loopNodes[nodes[n].loop].push_back(static_cast<int>(n));
    QHash<QString, int> index;
    for (std::size_t n = 0; n < nodes.size(); ++n) index.insert(nodes[n].name, static_cast<int>(n));
    for (std::size_t e = 0; e < out.layout.edges.size(); ++e) {
      const int from = index.value(out.layout.edges[e].from), to = index.value(out.layout.edges[e].to);
      if (nodes[from].loop >= 0 && nodes[from].loop == nodes[to].loop)
        out.loopEdges[nodes[from].loop].push_back(static_cast<int>(e));
    }
    return out;
  }
  out.layout = LayoutCircuit(circuit, control);
  const CircuitGraph graph(circuit);
  QHash<int, int> edgeOfLink;
  for (std::size_t e = 0; e < out.layout.edges.size(); ++e) edgeOfLink.insert(out.layout.edges[e].link, static_cast<int>(e));
  for (std::size_t l = 0; l < circuit.loops.size(); ++l) {
    for (int link : graph.loopWires(circuit.loops[l].registers))
      if (edgeOfLink.contains(link)) out.loopEdges[l].push_back(edgeOfLink.value(link));
    for (const auto& name : circuit.loops[l].registers)
      if (const int n = out.layout.nodeIndex(name); n >= 0) out.loopNodes[l].push_back(n);
  }
  return out;
}

}  // namespace

void GraphSchemaWindow::startLayout(SchemaKind kind) {
  clearScene();
  layout_ = GraphLayout{};
  nodeFigures_.clear();
  nodeBlocks_.clear();
  // A circuit without hierarchy has no blocks to show: its registers instead.
  if (kind == SchemaKind::Blocks && HierarchyDepth(*circuit_) == 0) kind = SchemaKind::Registers;
  showBox_->setCurrentIndex(static_cast<int>(kind));
  SchemaRequest request{kind, expanded_, blockDepth_, expandedBlocks_};
  const bool summary = kind != SchemaKind::Full;
  const quint64 job = ++job_;
  if (cancel_) *cancel_ = true;  // the previous layout's program is killed
  cancel_ = std::make_shared<std::atomic<bool>>(false);
  layingOut_ = true;
  jobKind_ = kind;
  layoutClock_.start();
  progress_->show();
  cancelButton_->show();
  fullButton_->hide();
  showLayoutProgress();
  progressTimer_.start();
  auto* watcher = new QFutureWatcher<SchemaDrawing>(this);
  connect(watcher, &QFutureWatcher<SchemaDrawing>::finished, this, [this, watcher, job] {
    watcher->deleteLater();
    if (job != job_) return;  // cancelled or replaced meanwhile
    drawing_ = watcher->future().takeResult();
    layoutFinished(job);
  });
  // The worker owns its copy of the circuit: the window may go first.
  watcher->setFuture(QtConcurrent::run([circuit = circuit_, summary, request = std::move(request), cancel = cancel_] {
    LowerThisThreadsPriority();
    LayoutControl control;
    control.cancelled = [cancel] { return cancel->load(); };
    control.timeLimitMs = LayoutTimeLimitMs(summary);
    return DrawSchema(*circuit, request, control);
  }));
}

void GraphSchemaWindow::showLayoutProgress() {
  if (!layingOut_ || !circuit_) return;
  status_->setText(QStringLiteral("Laying out %1 of %2 (%3 items)... %4 s")
                       .arg(jobKind_ == SchemaKind::Blocks      ? QStringLiteral("the block summary")
                            : jobKind_ == SchemaKind::Registers ? QStringLiteral("the register summary")
                                                                : QStringLiteral("the schema"),
                            circuit_->circuit)
                       .arg(circuit_->items.size())
                       .arg(layoutClock_.elapsed() / 1000));
}

void GraphSchemaWindow::layoutFinished(quint64) {
  layingOut_ = false;
  progressTimer_.stop();
  progress_->hide();
  cancelButton_->hide();
  layout_ = std::move(drawing_.layout);
  loopEdges_ = std::move(drawing_.loopEdges);
  loopNodes_ = std::move(drawing_.loopNodes);
  figures_ = std::move(drawing_.figures);
  nodeFigures_ = std::move(drawing_.nodeFigures);
  nodeBlocks_ = std::move(drawing_.nodeBlocks);
  if (drawing_.records) setPropagationRecords(std::move(*drawing_.records));
  fullButton_->setVisible(layout_.summary);
  rebuildScene();
  drawing_ = SchemaDrawing{};
  view_->fitScene();
  QString text = layout_.errors.isEmpty() ? layoutSummaryText() : layout_.errors.join(QStringLiteral("; "));
  status_->setText(text + QStringLiteral(" (%1 s)").arg(static_cast<double>(layoutClock_.elapsed()) / 1000.0, 0, 'f', 1));
  if (!pendingSearch_.isEmpty()) search(std::exchange(pendingSearch_, QString()));
  emit layoutReady();
}

// What the status line says of the layout drawn.
QString GraphSchemaWindow::layoutSummaryText() const {
  if (isBlockSummary())
    return QStringLiteral("Block summary of %1 items at depth %2: %3 nodes, %4 edges; double-click a block to open it.")
        .arg(circuit_->items.size())
        .arg(layout_.blockDepth)
        .arg(layout_.nodes.size())
        .arg(layout_.edges.size());
  if (layout_.summary)
    return QStringLiteral("Register summary of %1 items: %2 nodes, %3 edges; double-click a loop to draw its registers.")
        .arg(circuit_->items.size())
        .arg(layout_.nodes.size())
        .arg(layout_.edges.size());
  return QStringLiteral("%1 items, %2 wires%3.")
      .arg(layout_.nodes.size())
      .arg(layout_.edges.size())
      .arg(layout_.clockWiresLeftOut > 0 ? QStringLiteral(" (%1 clock wires not drawn)").arg(layout_.clockWiresLeftOut)
                                         : QString());
}

void GraphSchemaWindow::cancelLayout() {
  if (!layingOut_) return;
  ++job_;  // the worker's result is dropped when it ends
  if (cancel_) *cancel_ = true;
  layingOut_ = false;
  progressTimer_.stop();
  progress_->hide();
  cancelButton_->hide();
  fullButton_->setVisible(circuit_ != nullptr);
  pendingSearch_.clear();
  status_->setText(QStringLiteral("Layout cancelled. Press \"Full schema\" to lay it out again."));
}

bool GraphSchemaWindow::waitForLayout(int timeoutMs) {
  QElapsedTimer clock;
  clock.start();
  while (layingOut_ && clock.elapsed() < timeoutMs) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  return !layingOut_ && !layout_.nodes.empty();
}

void GraphSchemaWindow::expandLoop(int index) {
  if (!circuit_ || !layout_.summary || isBlockSummary() || index < 0 ||
      index >= static_cast<int>(circuit_->loops.size()))
    return;
  expanded_.insert(index);
  startLayout(SchemaKind::Registers);
}

void GraphSchemaWindow::showFullSchema() {
  if (!circuit_) return;
  startLayout(SchemaKind::Full);
}

void GraphSchemaWindow::showRegisterSummary() {
  if (!circuit_) return;
  startLayout(SchemaKind::Registers);
}

void GraphSchemaWindow::showBlocks(int depth) {
  if (!circuit_) return;
  expandedBlocks_.clear();
  if (depthBox_->value() != depth) {
    const QSignalBlocker blocker(depthBox_);
    depthBox_->setValue(depth);
  }
  blockDepth_ = depthBox_->value();
  startLayout(SchemaKind::Blocks);
}

void GraphSchemaWindow::expandBlock(const QString& path) {
  const LayoutNode* node = layout_.node(path);
  if (!circuit_ || !isBlockSummary() || !node || node->kind != u"BLOCK") return;
  expandedBlocks_.insert(path);
  startLayout(SchemaKind::Blocks);
}

// A new depth recolours the blocks and collapses the block summary anew.
void GraphSchemaWindow::depthChanged(int depth) {
  blockDepth_ = depth;
  if (isBlockSummary() || (layingOut_ && jobKind_ == SchemaKind::Blocks)) showBlocks(depth);
  else recolour();
}

void GraphSchemaWindow::nodeDoubleClicked(const QString& name) {
  const LayoutNode* node = layout_.node(name);
  if (!node) return;
  // Expanding starts a new layout, which frees `node`: nothing of it is read after.
  if (node->kind == u"LOOP")
    expandLoop(node->loop);
  else if (node->kind == u"BLOCK")
    expandBlock(name);
}

QString GraphSchemaWindow::statusText() const { return status_->text(); }

void GraphSchemaWindow::setScanChains(const NamedChains& chains) {
  chains_ = chains;
  drawChains();
}

void GraphSchemaWindow::setPropagationFile(const QString& fileName) { useBrowser(PathBrowser(fileName)); }

void GraphSchemaWindow::setPropagationRecords(PropagRecordList records) { useBrowser(PathBrowser(std::move(records))); }

void GraphSchemaWindow::useBrowser(PathBrowser browser) {
  browser_ = std::move(browser);
  browser_.setLineSink([this](const QString& line) { appendHistory(line); });
  browser_.setMarkSink([this](const QString& names, bool observation) { markStep(names, observation); });
}

void GraphSchemaWindow::setHeatMeasure(HeatMeasure measure) {
  measure_ = measure;
  byBlock_ = false;
  if (measureBox_->currentIndex() != static_cast<int>(measure)) {
    const QSignalBlocker blocker(measureBox_);
    measureBox_->setCurrentIndex(static_cast<int>(measure));
  }
  recolour();
}

const HeatLegend& GraphSchemaWindow::legend() const { return legend_->legend(); }

void GraphSchemaWindow::clearScene() {
  scene_->clear();
  nodeItems_.clear();
  portItems_.clear();
  wires_.clear();
  chainItems_.clear();
  markItems_.clear();
  markedPorts_.clear();
  onLoop_.clear();
}

void GraphSchemaWindow::rebuildScene() {
  clearScene();
  drawWires();
  drawNodes();
  paintLoops();
  drawChains();
  recolour();
  scene_->setSceneRect(layout_.bounds.adjusted(-40, -40, 40, 40));
}

void GraphSchemaWindow::drawNodes() {
  for (const auto& node : layout_.nodes) {
    auto* item = new NodeGraphic(node);
    item->setZValue(1);
    scene_->addItem(item);
    nodeItems_.push_back(item);
    for (const auto& port : node.ports) {
      const QString composed = node.primary ? node.name : node.name + u'.' + port.name;
      if (node.primary || layout_.summary) {  // the port node itself carries the figures
        item->setToolTip(portTip(composed, port, figures_.value(composed)));
        portItems_.insert(composed, item);
        continue;
      }
      const double side = std::min(7.0, port.box.height() * 0.6);
      const QRectF box(port.anchor.x() - side / 2, port.anchor.y() - side / 2, side, side);
      auto* mark = new QGraphicsRectItem(box, item);
      mark->setPen(QPen(QColor(60, 60, 60), 0.6));
      mark->setToolTip(portTip(composed, port, figures_.value(composed)));
      mark->setData(kNodeNameRole, node.name);
      auto* label = new QGraphicsSimpleTextItem(port.name, item);
      QFont f = label->font();
      f.setPointSizeF(6.5);
      label->setFont(f);
      const QRectF lr = label->boundingRect();
      label->setPos(port.input ? port.box.left() + side / 2 + 1.5 : port.box.right() - side / 2 - 1.5 - lr.width(),
                    port.box.center().y() - lr.height() / 2);
      portItems_.insert(composed, mark);
    }
  }
}

void GraphSchemaWindow::drawWires() {
  std::vector<char> own(layout_.edges.size(), drawing_.bundle.isNull() ? 1 : 0);
  for (const auto& edges : loopEdges_)
    for (int e : edges) own[e] = 1;
  wires_.assign(layout_.edges.size(), nullptr);
  for (std::size_t e = 0; e < layout_.edges.size(); ++e) {
    if (!own[e]) continue;
    const auto& edge = layout_.edges[e];
    auto* wire = scene_->addPath(wirePath(edge), wirePen(edge));
    wire->setToolTip(wireTip(edge));
    if (!edge.path.empty()) {
      auto* head = new QGraphicsPolygonItem(arrowHead(edge), wire);
      head->setBrush(kWireColour);
      head->setPen(Qt::NoPen);
    }
    wires_[e] = wire;
  }
  // The wires of a dense summary: one picture.
  if (!drawing_.bundle.isNull()) scene_->addItem(new WireBundle(drawing_.bundle, drawing_.bundleArea));
  onLoop_.assign(wires_.size(), 0);
}

void GraphSchemaWindow::fillLoopList() {
  const QSignalBlocker blocker(loopList_);
  loopList_->clear();
  for (std::size_t l = 0; l < circuit_->loops.size(); ++l) {
    const auto& loop = circuit_->loops[l];
    auto* entry = new QListWidgetItem(QStringLiteral("Loop %1 (%2): %3")
                                          .arg(l + 1)
                                          .arg(loop.broken ? QStringLiteral("broken") : QStringLiteral("unbroken"))
                                          .arg(loop.registers.size() <= kLoopNamesListed
                                                   ? loop.registers.join(u' ')
                                                   : loop.registers.mid(0, kLoopNamesListed).join(u' ') +
                                                         QStringLiteral(" ... (%1 registers)").arg(loop.registers.size())),
                                      loopList_);
    entry->setForeground(loop.broken ? kBrokenLoopColour : kChosenLoopColour);
    entry->setToolTip(loop.registers.join(u' '));
  }
  if (circuit_->loops.empty()) loopList_->addItem(QStringLiteral("No feedback loop."));
}

// Unbroken loops light (when shown), the chosen loop strong, broken or not.
void GraphSchemaWindow::paintLoops() {
  if (!circuit_) return;
  for (std::size_t e = 0; e < wires_.size(); ++e) {
    if (wires_[e]) wires_[e]->setPen(wirePen(layout_.edges[e]));
    onLoop_[e] = 0;
  }
  for (auto* item : nodeItems_) static_cast<NodeGraphic*>(item)->setHighlight(QColor());
  for (std::size_t l = 0; l < loopEdges_.size() && l < circuit_->loops.size(); ++l) {
    const bool chosen = static_cast<int>(l) == selectedLoop_;
    if (!chosen && (circuit_->loops[l].broken || !loopsShown_)) continue;
    const QColor colour = !chosen ? kLoopColour : circuit_->loops[l].broken ? kBrokenLoopColour : kChosenLoopColour;
    const QPen pen(colour, chosen ? 2.6 : 1.4, chosen && circuit_->loops[l].broken ? Qt::DashLine : Qt::SolidLine);
    for (int e : loopEdges_[l]) {
      wires_[e]->setPen(pen);
      wires_[e]->setZValue(chosen ? 0.5 : 0.2);
      onLoop_[e] = 1;
    }
    for (int n : loopNodes_[l]) static_cast<NodeGraphic*>(nodeItems_[n])->setHighlight(colour);
  }
}

void GraphSchemaWindow::selectLoop(int index) {
  selectedLoop_ = index;
  paintLoops();
  if (index < 0 || index >= static_cast<int>(loopNodes_.size()) || loopNodes_[index].empty()) return;
  QRectF area;
  for (int n : loopNodes_[index]) area |= nodeItems_[n]->sceneBoundingRect();
  // A loop too small to see at this zoom is zoomed to; else it is scrolled to.
  const QRect onScreen = view_->mapFromScene(area).boundingRect();
  if (std::max(onScreen.width(), onScreen.height()) < kSmallestVisibleLoop) {
    const double grow = std::max(area.width(), area.height());
    view_->zoomTo(area.adjusted(-grow, -grow, grow, grow));
  } else {
    view_->ensureVisible(area, 40, 40);
  }
  status_->setText(QStringLiteral("Loop %1: %2 registers.").arg(index + 1).arg(circuit_->loops[index].registers.size()));
}

void GraphSchemaWindow::setLoopsShown(bool shown) {
  loopsShown_ = shown;
  if (loopsBox_->isChecked() != shown) loopsBox_->setChecked(shown);
  paintLoops();
}

std::vector<int> GraphSchemaWindow::highlightedLinks() const {
  std::vector<int> links;
  for (std::size_t e = 0; e < wires_.size(); ++e)
    if (onLoop_[e]) links.push_back(layout_.edges[e].link);
  return links;
}

QStringList GraphSchemaWindow::selectedLoopNodes() const {
  QStringList names;
  if (selectedLoop_ >= 0 && selectedLoop_ < static_cast<int>(loopNodes_.size()))
    for (int n : loopNodes_[selectedLoop_]) names << layout_.nodes[n].name;
  return names;
}

QStringList GraphSchemaWindow::loopEntries() const {
  QStringList entries;
  for (int i = 0; i < loopList_->count(); ++i) entries << loopList_->item(i)->text();
  return entries;
}

void GraphSchemaWindow::drawChains() {
  for (auto* item : chainItems_) delete item;
  chainItems_.clear();
  for (std::size_t c = 0; c < chains_.size(); ++c) {
    QPainterPath path;
    QPointF last;
    bool first = true;
    for (const auto& name : chains_[c]) {
      const auto* node = layout_.node(name);
      if (!node) continue;
      const QPointF p(node->rect.center().x(), node->rect.bottom() - 3);
      if (first) {
        path.moveTo(p - QPointF(24, -14));
        path.lineTo(p);
      } else {
        const QPointF mid((last.x() + p.x()) / 2, std::max(last.y(), p.y()) + 18);
        path.quadTo(mid, p);
      }
      last = p;
      first = false;
    }
    if (first) continue;
    path.lineTo(last + QPointF(24, 14));
    auto* overlay = scene_->addPath(path, QPen(kChainColour, 2.0, Qt::DashDotLine, Qt::RoundCap));
    overlay->setZValue(3);
    overlay->setToolTip(QStringLiteral("scan chain %1: %2").arg(c + 1).arg(chains_[c].join(QStringLiteral(" -> "))));
    auto* label = new QGraphicsSimpleTextItem(QStringLiteral("chain %1").arg(c + 1), overlay);
    label->setBrush(kChainColour);
    label->setPos(path.elementAt(0).x - 30, path.elementAt(0).y);
    chainItems_.push_back(overlay);
  }
}

void GraphSchemaWindow::recolour() {
  if (!circuit_) return;
  const bool heat = measure_ != HeatMeasure::None && !byBlock_;
  legend_->setLegend(heat ? MakeHeatLegend(*circuit_, measure_) : HeatLegend{});
  legend_->setVisible(heat);
  blockLegend_->setLegend(byBlock_ ? MakeBlockLegend(*circuit_, blockDepth_) : BlockLegend{});
  blockLegend_->setVisible(byBlock_);
  const BlockLegend& blocks = blockLegend_->legend();
  for (std::size_t n = 0; n < layout_.nodes.size(); ++n) {
    const auto& node = layout_.nodes[n];
    if (!node.primary && !layout_.summary)
      for (const auto& port : node.ports) {
        const QString composed = node.name + u'.' + port.name;
        const auto* figures = figures_.value(composed);
        if (auto* box = dynamic_cast<QGraphicsRectItem*>(portItems_.value(composed)))
          box->setBrush(heat && figures ? HeatColour(HeatValue(*figures, measure_)) : QColor(Qt::white));
      }
    auto* graphic = static_cast<NodeGraphic*>(nodeItems_[n]);
    if (byBlock_) {
      graphic->setFill(node.primary || n >= nodeBlocks_.size() ? kindColour(node.kind) : blocks.colourOf(nodeBlocks_[n]));
      continue;
    }
    // An item is coloured by the worst of its outputs.
    double worst = 2.0;
    if (heat && n < nodeFigures_.size())
      for (const PortFigures* f : nodeFigures_[n]) worst = std::min(worst, HeatValue(*f, measure_));
    graphic->setFill(worst <= 1.5 ? HeatColour(worst).lighter(135) : kindColour(node.kind));
  }
}

void GraphSchemaWindow::setBlockColouring(bool byBlock) {
  byBlock_ = byBlock;
  const int index = byBlock ? kBlockColourIndex : static_cast<int>(measure_);
  if (measureBox_->currentIndex() != index) {
    const QSignalBlocker blocker(measureBox_);
    measureBox_->setCurrentIndex(index);
  }
  recolour();
}

const BlockLegend& GraphSchemaWindow::blockLegend() const { return blockLegend_->legend(); }

QColor GraphSchemaWindow::nodeFill(const QString& name) const {
  const int n = layout_.nodeIndex(name);
  return n < 0 || n >= static_cast<int>(nodeItems_.size()) ? QColor() : static_cast<NodeGraphic*>(nodeItems_[n])->fill();
}

QString GraphSchemaWindow::search(const QString& text) {
  const QString wanted = text.trimmed();
  if (wanted.isEmpty() || !circuit_) return {};
  if (layingOut_) {
    // Answered from the circuit; selected once the layout is drawn.
    const CircuitItem* found = circuit_->item(wanted);
    for (std::size_t i = 0; !found && i < circuit_->items.size(); ++i)
      if (circuit_->items[i].kind != u"CIRCUIT" && circuit_->items[i].name.contains(wanted, Qt::CaseInsensitive))
        found = &circuit_->items[i];
    if (found) pendingSearch_ = found->name;
    return found ? found->name : QString();
  }
  int found = layout_.nodeIndex(wanted);
  for (std::size_t n = 0; found < 0 && n < layout_.nodes.size(); ++n)
    if (layout_.nodes[n].members.contains(wanted)) found = static_cast<int>(n);  // a register inside a loop
  for (std::size_t n = 0; found < 0 && n < layout_.nodes.size(); ++n)
    if (layout_.nodes[n].name.contains(wanted, Qt::CaseInsensitive)) found = static_cast<int>(n);
  if (found < 0) return {};
  scene_->clearSelection();
  nodeItems_[found]->setSelected(true);
  view_->centerOn(nodeItems_[found]);
  return layout_.nodes[found].name;
}

void GraphSchemaWindow::fitToWindow() {
  if (!layout_.nodes.empty()) view_->fitScene();
}

bool GraphSchemaWindow::exportTo(const QString& fileName) {
  const QRectF source = scene_->sceneRect();
  if (QFileInfo(fileName).suffix().compare(QLatin1String("svg"), Qt::CaseInsensitive) == 0) {
    QSvgGenerator svg;
    svg.setFileName(fileName);
    svg.setSize(source.size().toSize());
    svg.setViewBox(QRectF(QPointF(0, 0), source.size()));
    svg.setTitle(QStringLiteral("Schema of %1").arg(circuit_ ? circuit_->circuit : QString()));
    QPainter p;
    if (!p.begin(&svg)) return false;
    scene_->render(&p, QRectF(QPointF(0, 0), source.size()), source);
    return p.end();
  }
  const double scale = 2.0;  // print resolution
  QImage image((source.size() * scale).toSize(), QImage::Format_ARGB32);
  image.fill(Qt::white);
  {
    QPainter p(&image);
    p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    scene_->render(&p, QRectF(image.rect()), source);
  }
  return image.save(fileName, "PNG");
}

void GraphSchemaWindow::exportDialog() {
  const QString fileName = QFileDialog::getSaveFileName(this, QStringLiteral("Export schema"),
                                                        (circuit_ ? circuit_->circuit : QStringLiteral("schema")) +
                                                            QStringLiteral(".png"),
                                                        QStringLiteral("PNG picture (*.png);;SVG drawing (*.svg)"));
  if (fileName.isEmpty()) return;
  status_->setText(exportTo(fileName) ? QStringLiteral("Saved %1.").arg(fileName)
                                      : QStringLiteral("Could not write %1.").arg(fileName));
}

void GraphSchemaWindow::clickNode(const QString& name) {
  emit nodeClicked(name);
  const auto* node = layout_.node(name);
  if (!node || node->primary || node->kind == u"LOOP" || node->kind == u"BLOCK") return;
  selected_ = name;
  scene_->clearSelection();
  nodeItems_[layout_.nodeIndex(name)]->setSelected(true);
  clearMarks();
  browser_.resetStepNumber();
  browser_.prepare(name);
  const bool any = browser_.paths().has_value() && browser_.stepCount() > 0;
  restartButton_->setEnabled(any);
  stepButton_->setEnabled(any);
  status_->setText(any ? QStringLiteral("%1: %2 steps; press > to step.").arg(name).arg(browser_.stepCount())
                       : QStringLiteral("%1: no test data paths recorded (run an analysis first).").arg(name));
}

void GraphSchemaWindow::restartPaths() {
  clearMarks();
  browser_.restart();
  stepButton_->setEnabled(true);
}

bool GraphSchemaWindow::stepPaths() {
  if (selected_.isEmpty()) return false;
  if (!browser_.paths()) browser_.prepare(selected_);
  const bool more = browser_.step();
  stepButton_->setEnabled(more);
  return more;
}

void GraphSchemaWindow::markStep(const QString& names, bool observation) {
  clearMarks();
  const QColor colour = observation ? kObserveColour : kAdjustColour;
  for (const QString& port : names.split(u' ', Qt::SkipEmptyParts)) {
    // Ports left out of the schema (scan ports, the summary) are marked on their item.
    QGraphicsItem* target = portItems_.value(port);
    if (!target) {
      int n = layout_.nodeIndex(ItemOfComposedPort(port));
      for (std::size_t k = 0; n < 0 && k < layout_.nodes.size(); ++k)
        if (layout_.nodes[k].members.contains(ItemOfComposedPort(port))) n = static_cast<int>(k);
      if (n < 0 || layout_.nodes[n].primary) continue;
      target = nodeItems_[n];
    }
    // A frame of constant screen width and a pointer of constant screen size:
    // visible at any zoom.
    const QRectF r = target->sceneBoundingRect().adjusted(-1.5, -1.5, 1.5, 1.5);
    QPen framePen(colour, 3.0);
    framePen.setCosmetic(true);
    auto* frame = scene_->addRect(r, framePen, Qt::NoBrush);
    frame->setZValue(4);
    auto* pointer = scene_->addPolygon(QPolygonF({QPointF(0, 0), QPointF(-7, -14), QPointF(7, -14)}), Qt::NoPen, colour);
    pointer->setFlag(QGraphicsItem::ItemIgnoresTransformations);
    pointer->setPos(r.center().x(), r.top());
    pointer->setZValue(5);
    markItems_.push_back(frame);
    markItems_.push_back(pointer);
    markedPorts_ << port;
  }
}

void GraphSchemaWindow::clearMarks() {
  for (auto* item : markItems_) delete item;
  markItems_.clear();
  markedPorts_.clear();
}

void GraphSchemaWindow::appendHistory(const QString& line) {
  history_->appendPlainText(line);
  emit historyLine(line);
}

QString GraphSchemaWindow::historyText() const { return history_->toPlainText(); }
