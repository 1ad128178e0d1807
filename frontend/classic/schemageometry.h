// Fixed knowledge of the diffeq schema picture: where its ports lie, where the
// function units and items can be clicked, the shapes of the feedback loops,
// the scan chain wiring drawn over it and the colours of the step marks.
// Coordinates are client coordinates of the schema window unless said
// otherwise; the picture's top-left corner lies at kPictureOrigin.
#pragma once

#include <QColor>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

#include <optional>
#include <vector>

enum class FeedbackLoop;

// Where the schema picture's top-left corner lies in the client area.
inline constexpr QPoint kPictureOrigin{-3, 8};
// Size of the schema picture.
inline constexpr QSize kPictureSize{776, 336};

// Offset from a point measured from the window's outer top-left corner (the
// frame of the window the click and help regions were measured on) to the
// same point in client coordinates.
inline constexpr QPoint kFrameOffset{3, 22};

struct ChainAnchors;

// The position of a port of diffeq on the schema, from the port table or, for
// the ports a scan layout adds, from the wire ends of the chains drawn; none
// for any other name or a scan port whose chain has not been drawn.
std::optional<QPoint> SchemaPortPosition(const QString& port, const ChainAnchors& anchors);

// The names of every port in the fixed port table, in table order.
std::vector<QString> SchemaTablePorts();

// A clickable area with exclusive bounds, in outer-corner coordinates.
struct SchemaRegion {
  int x1, y1, x2, y2;
  // True when the point lies strictly inside the bounds.
  bool contains(QPoint p) const { return p.x() > x1 && p.x() < x2 && p.y() > y1 && p.y() < y2; }
};

// The function unit ("mul1", "mul2", "add", "sub" or "comp") whose click
// region holds the point (outer-corner coordinates), tested in that order;
// empty when none does.
QString HitFunctionUnit(QPoint outer);

// The click region of a function unit (outer-corner coordinates).
std::optional<SchemaRegion> FunctionUnitRegion(const QString& unit);

// The frame drawn around a selected unit, in client coordinates: the unit's
// region moved 3 left and 22 up.
QRect SelectionFrame(const SchemaRegion& region);

// The item kinds of the help regions.
enum class ItemKind { Multiplexer, Register, Multiplier, Adder, Subtractor, Comparator };

// The item kind whose help region holds the point (outer-corner
// coordinates), tested kind by kind in the order above.
std::optional<ItemKind> HitHelpRegion(QPoint outer);

// The name of the help file of an item kind ("mux.hlp", "reg.hlp" ...).
QString HelpFileOf(ItemKind kind);

// How one feedback loop is drawn: its name as a bold label in its colour at
// `label` (top-left of the text), and its polylines with a pen of width 4.
struct LoopDrawing {
  QString name;
  QColor colour;
  QPoint label;
  std::vector<std::vector<QPoint>> polylines;
};

// The drawing of a feedback loop, placed by the port table.
LoopDrawing FeedbackLoopGeometry(FeedbackLoop loop);

// The colour of the n-th name (counted from 1) of a propagation step.
QColor StepMarkColour(int place, bool observation);

// The scan chains of a notation drawn over the schema.
struct ChainDrawing {
  struct Wire {
    int group = 0;                 // chain index
    std::vector<QPoint> points;    // polyline
    bool arrow = false;            // ends in a register's scan input
  };
  std::vector<Wire> wires;
  std::vector<std::pair<int, QPoint>> dots;  // chain index and a scan point of a register
};

// Where the chain wiring meets registers and the chain columns, by chain and
// by register; all zero for what has not been drawn.
struct ChainAnchors {
  struct Chain { int inX = 0, inY = 0, outX = 0, outY = 0; bool used = false; };
  struct Reg { int inX = 0, inY = 0, outX = 0, outY = 0; bool used = false; };
  Chain chains[6];
  Reg regs[6];
};

// The left column where every chain starts and the right column where it ends.
inline constexpr int kScanInColumn = 55;
inline constexpr int kScanOutColumn = 720;

// Routes the chains of a notation (groups of digits 0-5 separated by '.')
// along the top and bottom margins of the schema; `anchors` receives every
// wire end. Characters other than digits 0-5 and '.' are skipped.
ChainDrawing RouteScanChains(const QString& notation, ChainAnchors* anchors);
