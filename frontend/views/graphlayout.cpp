#include "views/graphlayout.h"

#include <graphviz/cgraph.h>

#include <QHash>
#include <QSet>

#include <algorithm>
#include <cmath>
#include <memory>
#include <mutex>
#include <QRegularExpression>
#include <string>

#include "views/blocksummary.h"
#include "views/circuitgraph.h"
#include "views/layoutprogram.h"

namespace {

// Schemas with more nodes than this leave their clock wires out.
constexpr std::size_t kClockWiresDrawnUpTo = 60;

// Ports drawn on the left of an item: everything that feeds it.
bool isInputType(const QString& type) { return type != u"out" && type != u"inout"; }

// A record field text with the characters Graphviz gives a meaning escaped.
std::string recordText(const QString& text) {
  std::string out;
  for (const char c : text.toStdString()) {
    if (std::string_view("{}|<>\\ \"").find(c) != std::string_view::npos) out += '\\';
    out += c;
  }
  return out;
}

// A quoted DOT string.
std::string quoted(const std::string& text) {
  std::string out = "\"";
  for (const char c : text) {
    if (c == '"') out += '\\';
    if (c == '\n') {
      out += "\\n";
      continue;
    }
    out += c;
  }
  return out + '"';
}

// The attribute list "[a="1", b="2"]" of `attributes`.
std::string attributeList(std::initializer_list<std::pair<const char*, std::string>> attributes) {
  std::string out = "[";
  for (const auto& [name, value] : attributes) {
    if (out.size() > 1) out += ", ";
    out += std::string(name) + "=" + quoted(value);
  }
  return out + "]";
}

// Graphviz keeps global state (its parser among it) and is not safe to use
// from two threads at once: every reading of a laid-out graph holds this lock.
std::mutex& graphvizLock() {
  static std::mutex lock;
  return lock;
}

// The numbers of a Graphviz attribute ("1.5,2 3,4" -> 1.5 2 3 4).
std::vector<double> numbers(const char* text) {
  std::vector<double> out;
  if (!text) return out;
  for (const auto& part : QString::fromUtf8(text).split(QRegularExpression(QStringLiteral("[ ,]")), Qt::SkipEmptyParts)) {
    bool ok = false;
    const double v = part.toDouble(&ok);
    if (ok) out.push_back(v);
  }
  return out;
}

// The value of attribute `name` of `object`, or null.
const char* attr(void* object, const char* name) {
  std::string n(name);
  char* value = agget(object, n.data());
  return value && *value ? value : nullptr;
}

// A laid-out graph read back from the program's output: scene coordinates
// (points, y growing downwards) of nodes by name and of edges by their id.
class LaidOutGraph {
 public:
  explicit LaidOutGraph(const QByteArray& dot) : graph_(agmemread(dot.constData())) {
    if (!graph_) return;
    const auto bb = numbers(attr(graph_, "bb"));
    if (bb.size() == 4) {
      top_ = bb[3];
      bounds_ = QRectF(QPointF(bb[0], 0.0), QPointF(bb[2], bb[3] - bb[1]));
    }
  }
  ~LaidOutGraph() {
    if (graph_) agclose(graph_);
  }
  LaidOutGraph(const LaidOutGraph&) = delete;
  LaidOutGraph& operator=(const LaidOutGraph&) = delete;

  bool valid() const { return graph_ != nullptr; }
  QRectF bounds() const { return bounds_; }
  QPointF point(double x, double y) const { return {x, top_ - y}; }

  // The box of node `id` and its record fields in label order.
  bool node(const std::string& id, QRectF& rect, std::vector<QRectF>& fields) const {
    std::string name(id);
    Agnode_t* n = agnode(graph_, name.data(), 0);
    if (!n) return false;
    const auto pos = numbers(attr(n, "pos")), w = numbers(attr(n, "width")), h = numbers(attr(n, "height"));
    if (pos.size() < 2 || w.empty() || h.empty()) return false;
    const QPointF c = point(pos[0], pos[1]);
    rect = QRectF(c.x() - w[0] * 36.0, c.y() - h[0] * 36.0, w[0] * 72.0, h[0] * 72.0);
    const auto r = numbers(attr(n, "rects"));
    for (std::size_t i = 0; i + 3 < r.size(); i += 4) fields.push_back(QRectF(point(r[i], r[i + 3]), point(r[i + 2], r[i + 1])));
    return true;
  }

  // Every edge's spline points and arrow tip by its "id".
  void edges(const std::function<void(int id, std::vector<QPointF>, QPointF tip)>& take) const {
    for (Agnode_t* n = agfstnode(graph_); n; n = agnxtnode(graph_, n))
      for (Agedge_t* e = agfstout(graph_, n); e; e = agnxtout(graph_, e)) {
        const char* id = attr(e, "id");
        const char* pos = attr(e, "pos");
        if (!id || id[0] != 'e') continue;
        std::vector<QPointF> path;
        QPointF tip;
        readSpline(pos, path, tip);
        take(std::atoi(id + 1), std::move(path), tip);
      }
  }

 private:
  // "e,x,y s,x,y x,y x,y ...; ..." -> the points and the arrow tip.
  void readSpline(const char* pos, std::vector<QPointF>& path, QPointF& tip) const {
    if (!pos) return;
    for (const auto& spline : QString::fromUtf8(pos).split(u';', Qt::SkipEmptyParts)) {
      bool first = true;
      for (const auto& token : spline.split(u' ', Qt::SkipEmptyParts)) {
        const bool end = token.startsWith(u"e,"), start = token.startsWith(u"s,");
        const auto xy = numbers(token.mid(end || start ? 2 : 0).toUtf8().constData());
        if (xy.size() < 2 || start) continue;
        if (end) {
          tip = point(xy[0], xy[1]);
          continue;
        }
        if (first && !path.empty()) {  // a later piece repeats the last point
          first = false;
          continue;
        }
        first = false;
        path.push_back(point(xy[0], xy[1]));
      }
    }
  }

  Agraph_t* graph_;
  QRectF bounds_;
  double top_ = 0.0;
};

// The record label of a node: "{{<p0>a|<p1>b}|name|{<p2>q}}"; columns
// without ports are left out, a primary port is one field.
// Runs `program` on `dot` and hands the laid-out graph to `read` under the
// Graphviz lock; the bounds, or why it failed, go to `out`.
template <class Read>
void layOutAndRead(const QString& program, const std::string& dot, const LayoutControl& control, GraphLayout& out,
                   Read read) {
  const LayoutOutput laid = RunLayoutProgram(program, QByteArray::fromStdString(dot), control);
  if (!laid.error.isEmpty()) {
    out.errors << laid.error;
    out.cancelled = laid.cancelled;
    return;
  }
  const std::lock_guard<std::mutex> hold(graphvizLock());
  const LaidOutGraph g(laid.dot);
  if (!g.valid()) {
    out.errors << QStringLiteral("the layout program's output could not be read");
    return;
  }
  out.bounds = g.bounds();
  read(g);
}

std::string recordLabel(const LayoutNode& node) {
  if (node.primary) return "<p0>" + recordText(PortOfComposedPort(node.name));
  std::string in, out;
  for (std::size_t i = 0; i < node.ports.size(); ++i) {
    std::string& column = node.ports[i].input ? in : out;
    if (!column.empty()) column += '|';
    column += "<p" + std::to_string(i) + ">" + recordText(node.ports[i].name);
  }
  std::string label = "{";
  if (!in.empty()) label += "{" + in + "}|";
  label += recordText(node.name);
  if (!out.empty()) label += "|{" + out + "}";
  return label + "}";
}

// The nodes of the schema (items and primary ports), scan ports left out.
std::vector<LayoutNode> schemaNodes(const CircuitResult& circuit) {
  std::vector<LayoutNode> nodes;
  for (const auto& item : circuit.items) {
    if (item.kind == u"CIRCUIT") {
      for (const auto& p : item.ports) {
        if (IsScanPortName(p.name)) continue;
        LayoutNode node{item.name + u'.' + p.name, QStringLiteral("PORT"), true, {}, {}, {}, {}, -1};
        // A primary input drives the circuit: its only port is on its right.
        node.ports.push_back({p.name, p.type, p.bits, !isInputType(p.type), {}, {}});
        nodes.push_back(std::move(node));
      }
      continue;
    }
    LayoutNode node{item.name, item.kind, false, {}, {}, {}, {}, -1};
    for (const auto& p : item.ports)
      if (!IsScanPortName(p.name)) node.ports.push_back({p.name, p.type, p.bits, isInputType(p.type), {}, {}});
    nodes.push_back(std::move(node));
  }
  return nodes;
}

// Lays the full schema out: records with their ports, left to right.
class Builder {
 public:
  Builder(const CircuitResult& circuit, const LayoutControl& control) : circuit_(circuit), control_(control) {}

  GraphLayout run() {
    out_.nodes = schemaNodes(circuit_);
    for (std::size_t n = 0; n < out_.nodes.size(); ++n) {
      const auto& node = out_.nodes[n];
      for (std::size_t p = 0; p < node.ports.size(); ++p)
        portIndex_.insert(node.primary ? node.name : node.name + u'.' + node.ports[p].name,
                          {static_cast<int>(n), static_cast<int>(p)});
    }
    std::string dot = "digraph schema {\n";
    dot += "graph " + attributeList({{"rankdir", "LR"}, {"nodesep", "0.2"}, {"ranksep", "0.5"}}) + ";\n";
    // Larger circuits: bound the ranking and crossing-reduction passes.
    if (out_.nodes.size() > 150)
      dot += "graph " + attributeList({{"nslimit", "3"}, {"nslimit1", "3"}, {"mclimit", "0.3"}, {"searchsize", "20"}}) +
             ";\n";
    writeNodes(dot);
    writeEdges(dot);
    dot += "}\n";
    layOutAndRead(QStringLiteral("dot"), dot, control_, out_, [this](const LaidOutGraph& g) {
      for (std::size_t n = 0; n < out_.nodes.size(); ++n) readNode(g, n);
      g.edges([this](int id, std::vector<QPointF> path, QPointF tip) {
        const int e = edgeOfId_.value(id, -1);
        if (e < 0) return;
        out_.edges[e].path = std::move(path);
        out_.edges[e].tip = tip.isNull() && !out_.edges[e].path.empty() ? out_.edges[e].path.back() : tip;
      });
    });
    return std::move(out_);
  }

 private:
  void writeNodes(std::string& dot) const {
    // Primary inputs line up on the left edge, primary outputs on the right.
    std::string sources = "subgraph inputs { rank=source;", sinks = "subgraph outputs { rank=sink;";
    for (std::size_t n = 0; n < out_.nodes.size(); ++n) {
      const auto& node = out_.nodes[n];
      const std::string id = "n" + std::to_string(n);
      dot += id + " " +
             attributeList({{"shape", "record"},
                            {"fontname", "Helvetica"},
                            {"fontsize", node.primary ? "9" : "10"},
                            {"height", "0.3"},
                            {"label", recordLabel(node)}}) +
             ";\n";
      if (node.primary) (node.ports.front().input ? sinks : sources) += " " + id + ";";
    }
    dot += sources + " }\n" + sinks + " }\n";
  }

  void writeEdges(std::string& dot) {
    for (std::size_t l = 0; l < circuit_.links.size(); ++l) {
      const auto& link = circuit_.links[l];
      if (IsScanPortName(PortOfComposedPort(link.from)) || IsScanPortName(PortOfComposedPort(link.to))) continue;
      // The paths inside an item (input to output) are no wires.
      if (ItemOfComposedPort(link.from) == ItemOfComposedPort(link.to)) continue;
      const auto from = portIndex_.find(link.from), to = portIndex_.find(link.to);
      if (from == portIndex_.end() || to == portIndex_.end()) {
        out_.errors << QStringLiteral("links[%1]: no port '%2'").arg(l).arg(from == portIndex_.end() ? link.from : link.to);
        continue;
      }
      // Clock and select wires reach everywhere; they must not order the ranks.
      // On larger schemas the clock wires, which tell nothing, are left out.
      const QString sinkType = out_.nodes[to->first].ports[to->second].type;
      if (sinkType == u"clk" && out_.nodes.size() > kClockWiresDrawnUpTo) {
        ++out_.clockWiresLeftOut;
        continue;
      }
      const bool free = sinkType == u"clk" || sinkType == u"sel";
      const int e = static_cast<int>(out_.edges.size());
      dot += "n" + std::to_string(from->first) + ":p" + std::to_string(from->second) + ":e -> n" +
             std::to_string(to->first) + ":p" + std::to_string(to->second) + ":w " +
             attributeList({{"id", "e" + std::to_string(e)}, {"arrowsize", "0.5"}, {"constraint", free ? "false" : "true"}}) +
             ";\n";
      edgeOfId_.insert(e, e);
      const int bits = out_.nodes[from->first].ports[from->second].bits;
      out_.edges.push_back({static_cast<int>(l), link.from, link.to, bits < 1 ? 1 : bits, {}, {}});
    }
  }

  // The record fields come in label order: input ports, the title, output ports.
  void readNode(const LaidOutGraph& g, std::size_t n) {
    LayoutNode& node = out_.nodes[n];
    std::vector<QRectF> fields;
    if (!g.node("n" + std::to_string(n), node.rect, fields)) return;
    node.title = node.rect;
    std::vector<std::size_t> order;
    for (std::size_t p = 0; p < node.ports.size(); ++p)
      if (node.ports[p].input) order.push_back(p);
    const std::size_t titleField = node.primary ? std::size_t(-1) : order.size();
    if (!node.primary) order.push_back(std::size_t(-1));
    for (std::size_t p = 0; p < node.ports.size(); ++p)
      if (!node.ports[p].input || node.primary) order.push_back(p);
    if (node.primary) order = {0};
    for (std::size_t f = 0; f < order.size() && f < fields.size(); ++f) {
      if (f == titleField) node.title = fields[f];
      else node.ports[order[f]].box = fields[f];
    }
    for (auto& port : node.ports) {
      if (port.box.isNull()) port.box = node.rect;
      port.anchor = QPointF(port.input ? node.rect.left() : node.rect.right(), port.box.center().y());
    }
  }

  const CircuitResult& circuit_;
  const LayoutControl& control_;
  GraphLayout out_;
  QHash<QString, std::pair<int, int>> portIndex_;  // composed port name -> node, port
  QHash<int, int> edgeOfId_;
};

// Lays out the register summary: plain boxes and straight or spline wires.
class SummaryBuilder {
 public:
  SummaryBuilder(const SummaryGraph& summary, const LayoutControl& control) : summary_(summary), control_(control) {}

  GraphLayout run() {
    out_.summary = true;
    const bool large = summary_.nodes.size() > 120;
    std::string dot = "digraph summary {\n";
    // Force-directed beyond a size: bounded iterations, no crossing
    // minimisation to explode.
    dot += "graph " +
           (large ? attributeList({{"overlap", "prism"}, {"maxiter", "400"}, {"splines", "false"}, {"K", "1.2"}})
                  : attributeList({{"rankdir", "LR"}, {"nodesep", "0.25"}, {"ranksep", "0.8"}, {"nslimit", "3"},
                                   {"nslimit1", "3"}, {"mclimit", "0.3"}})) +
           ";\n";
    for (std::size_t n = 0; n < summary_.nodes.size(); ++n) addNode(dot, summary_.nodes[n], n);
    for (std::size_t e = 0; e < summary_.edges.size(); ++e) {
      const auto [from, to] = summary_.edges[e];
      const int connections = e < summary_.connections.size() ? summary_.connections[e] : 1;
      // Blocks joined by many wires are drawn close together.
      dot += "n" + std::to_string(from) + " -> n" + std::to_string(to) + " " +
             attributeList({{"id", "e" + std::to_string(e)},
                            {"arrowsize", "0.6"},
                            {"weight", std::to_string(std::min(connections, 50))}}) +
             ";\n";
      out_.edges.push_back({-1, out_.nodes[from].name, out_.nodes[to].name, 1, {}, {}, connections});
    }
    dot += "}\n";
    const QString program = large ? QStringLiteral("sfdp") : QStringLiteral("dot");
    layOutAndRead(program, dot, control_, out_, [this](const LaidOutGraph& g) {
      for (std::size_t n = 0; n < out_.nodes.size(); ++n) {
        std::vector<QRectF> fields;
        g.node("n" + std::to_string(n), out_.nodes[n].rect, fields);
        out_.nodes[n].title = out_.nodes[n].rect;
        for (auto& port : out_.nodes[n].ports) port.box = out_.nodes[n].rect;
      }
      g.edges([this](int id, std::vector<QPointF> path, QPointF tip) {
        if (id < 0 || id >= static_cast<int>(out_.edges.size())) return;
        out_.edges[id].path = std::move(path);
        out_.edges[id].tip = tip;
      });
      for (std::size_t e = 0; e < out_.edges.size(); ++e) straighten(e);
    });
    return std::move(out_);
  }

 private:
  void addNode(std::string& dot, const SummaryNode& s, std::size_t n) {
    const bool block = s.kind == u"BLOCK", grouped = block || s.kind == u"LOOP";
    const QString label = block                ? BlockLabel(s.name, s.members.size(), s.registers)
                          : s.kind == u"LOOP" ? LoopLabel(s.name, s.members.size())
                          : s.kind == u"PORT" ? PortOfComposedPort(s.name)
                                              : s.name;
    // A collapsed loop or block grows with what it holds, so that the large
    // ones stand out, and is never narrower than its two lines of text.
    const double side = grouped ? std::min(4.0, 0.8 + std::sqrt(double(s.members.size())) / 12.0) : 0.3;
    qsizetype longest = 0;
    for (const auto& line : label.split(u'\n')) longest = std::max(longest, line.size());
    const double wide = block ? 0.3 + 0.125 * double(longest) : 1.3;  // bold text, 11 points drawn
    dot += "n" + std::to_string(n) + " " +
           attributeList({{"shape", "box"},
                          {"fontname", "Helvetica"},
                          {"fontsize", grouped ? "12" : "10"},
                          {"height", std::to_string(grouped ? side * 0.6 : side)},
                          {"width", std::to_string(grouped ? std::max(side, wide) : 0.75)},
                          {"label", label.toStdString()}}) +
           ";\n";
    LayoutNode out{s.name, s.kind, s.kind == u"PORT", {}, {}, {}, s.members, s.loop};
    out.registers = s.registers;
    // A primary port keeps one port, for its figures and its arrow's direction.
    if (out.primary) out.ports.push_back({PortOfComposedPort(s.name), QString(), 0, !s.primaryInput, {}, {}});
    out_.nodes.push_back(std::move(out));
  }

  // An edge without a spline: straight from the driver's centre to the sink's border.
  void straighten(std::size_t e) {
    auto& edge = out_.edges[e];
    if (edge.path.empty()) {
      const auto [from, to] = summary_.edges[e];
      const QRectF a = out_.nodes[from].rect, b = out_.nodes[to].rect;
      edge.path = {a.center()};
      edge.tip = borderPoint(b, a.center());
    }
    if (edge.tip.isNull()) edge.tip = edge.path.back();
  }

  // Where the line from `outside` to the centre of `r` crosses its border.
  static QPointF borderPoint(const QRectF& r, QPointF outside) {
    const QPointF c = r.center(), d = outside - c;
    if (d.isNull()) return c;
    const double sx = d.x() == 0 ? 1e9 : (r.width() / 2) / std::abs(d.x());
    const double sy = d.y() == 0 ? 1e9 : (r.height() / 2) / std::abs(d.y());
    return c + d * std::min({sx, sy, 1.0});
  }

  const SummaryGraph& summary_;
  const LayoutControl& control_;
  GraphLayout out_;
};

}  // namespace

const LayoutPort* LayoutNode::port(const QString& wanted) const {
  for (const auto& p : ports)
    if (p.name == wanted) return &p;
  return nullptr;
}

const LayoutNode* GraphLayout::node(const QString& name) const {
  const int i = nodeIndex(name);
  return i < 0 ? nullptr : &nodes[i];
}

int GraphLayout::nodeIndex(const QString& name) const {
  for (std::size_t i = 0; i < nodes.size(); ++i)
    if (nodes[i].name == name) return static_cast<int>(i);
  return -1;
}

GraphLayout LayoutCircuit(const CircuitResult& circuit, const LayoutControl& control) {
  return Builder(circuit, control).run();
}

GraphLayout LayoutSummary(const SummaryGraph& summary, const LayoutControl& control) {
  return SummaryBuilder(summary, control).run();
}

QString LoopLabel(const QString& name, qsizetype registers) {
  return QStringLiteral("%1\n%2 register%3").arg(name).arg(registers).arg(registers == 1 ? "" : "s");
}

bool NeedsSummary(const CircuitResult& circuit) {
  int items = 0;
  for (const auto& item : circuit.items) items += item.kind == u"CIRCUIT" ? 0 : 1;
  return items > kFullSchemaItemLimit;
}
