#include "views/graphlayout.h"

#include <graphviz/gvc.h>

#include <QHash>

#include <memory>
#include <string>

#include "views/circuitgraph.h"

namespace {

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

// Sets a string attribute on a graph, node or edge.
void setAttr(void* object, const char* name, const std::string& value) {
  std::string n(name), v(value), empty;
  agsafeset(object, n.data(), v.data(), empty.data());
}

// The record label of a node: "{{<p0>a|<p1>b}|name|{<p2>q}}"; columns
// without ports are left out, a primary port is one field.
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
        LayoutNode node{item.name + u'.' + p.name, QStringLiteral("PORT"), true, {}, {}, {}};
        // A primary input drives the circuit: its only port is on its right.
        node.ports.push_back({p.name, p.type, p.bits, !isInputType(p.type), {}, {}});
        nodes.push_back(std::move(node));
      }
      continue;
    }
    LayoutNode node{item.name, item.kind, false, {}, {}, {}};
    for (const auto& p : item.ports)
      if (!IsScanPortName(p.name)) node.ports.push_back({p.name, p.type, p.bits, isInputType(p.type), {}, {}});
    nodes.push_back(std::move(node));
  }
  return nodes;
}

// Finds the field boxes of a record node by their port ids ("p3").
void collectFields(const field_t* f, QHash<QString, boxf>& boxes, boxf& title) {
  if (!f) return;
  if (f->n_flds == 0) {
    if (f->id && *f->id)
      boxes.insert(QString::fromUtf8(f->id), f->b);
    else
      title = f->b;
    return;
  }
  for (int i = 0; i < f->n_flds; ++i) collectFields(f->fld[i], boxes, title);
}

struct GvcDeleter {
  void operator()(GVC_t* gvc) const { gvFreeContext(gvc); }
};

// The Graphviz context, made once and kept for every layout. The text layout
// plugin remembers the last font name it measured, a string owned by the
// context; freeing the context after a layout leaves the next layout
// comparing against freed memory.
GVC_t* graphvizContext() {
  static const std::unique_ptr<GVC_t, GvcDeleter> gvc(gvContext());
  return gvc.get();
}

class Builder {
 public:
  explicit Builder(const CircuitResult& circuit) : circuit_(circuit) {}

  GraphLayout run() {
    out_.nodes = schemaNodes(circuit_);
    for (std::size_t n = 0; n < out_.nodes.size(); ++n) {
      const auto& node = out_.nodes[n];
      for (std::size_t p = 0; p < node.ports.size(); ++p)
        portIndex_.insert(node.primary ? node.name : node.name + u'.' + node.ports[p].name,
                          {static_cast<int>(n), static_cast<int>(p)});
    }
    GVC_t* gvc = graphvizContext();
    std::string name = "schema";
    Agraph_t* g = agopen(name.data(), Agdirected, nullptr);
    setAttr(g, "rankdir", "LR");
    setAttr(g, "nodesep", "0.2");
    setAttr(g, "ranksep", "0.5");
    // Large circuits: bound the ranking and crossing-reduction passes so that
    // the layout stays a matter of seconds.
    if (out_.nodes.size() > 400) {
      setAttr(g, "nslimit", "3");
      setAttr(g, "nslimit1", "3");
      setAttr(g, "mclimit", "0.3");
    }
    buildNodes(g);
    buildEdges(g);
    if (gvLayout(gvc, g, "dot") != 0) {
      out_.errors << QStringLiteral("the layout program 'dot' failed");
    } else {
      readBack(g);
      gvFreeLayout(gvc, g);
    }
    agclose(g);
    return std::move(out_);
  }

 private:
  void buildNodes(Agraph_t* g) {
    // Primary inputs line up on the left edge, primary outputs on the right.
    std::string sourceName = "inputs", sinkName = "outputs";
    Agraph_t* sources = agsubg(g, sourceName.data(), 1);
    Agraph_t* sinks = agsubg(g, sinkName.data(), 1);
    setAttr(sources, "rank", "source");
    setAttr(sinks, "rank", "sink");
    for (std::size_t n = 0; n < out_.nodes.size(); ++n) {
      std::string id = std::string("n").append(std::to_string(n));
      const auto& layoutNode = out_.nodes[n];
      Agraph_t* owner = !layoutNode.primary ? g : layoutNode.ports.front().input ? sinks : sources;
      Agnode_t* node = agnode(owner, id.data(), 1);
      setAttr(node, "shape", "record");
      setAttr(node, "fontname", "Helvetica");
      setAttr(node, "fontsize", out_.nodes[n].primary ? "9" : "10");
      setAttr(node, "height", "0.3");
      setAttr(node, "label", recordLabel(out_.nodes[n]));
      gvNodes_.push_back(node);
    }
  }

  void buildEdges(Agraph_t* g) {
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
      std::string id = std::string("l").append(std::to_string(l));
      Agedge_t* e = agedge(g, gvNodes_[from->first], gvNodes_[to->first], id.data(), 1);
      setAttr(e, "tailport", std::string("p").append(std::to_string(from->second)).append(":e"));
      setAttr(e, "headport", std::string("p").append(std::to_string(to->second)).append(":w"));
      setAttr(e, "arrowsize", "0.5");
      // Clock and select wires reach everywhere; they must not order the ranks.
      const QString sinkType = out_.nodes[to->first].ports[to->second].type;
      if (sinkType == u"clk" || sinkType == u"sel") setAttr(e, "constraint", "false");
      const int bits = out_.nodes[from->first].ports[from->second].bits;
      out_.edges.push_back({static_cast<int>(l), link.from, link.to, bits < 1 ? 1 : bits, {}, {}});
      gvEdges_.push_back(e);
    }
  }

  QPointF toScene(pointf p) const { return {p.x, top_ - p.y}; }
  QRectF toScene(boxf b, pointf centre) const {
    return QRectF(toScene(pointf{centre.x + b.LL.x, centre.y + b.UR.y}),
                  toScene(pointf{centre.x + b.UR.x, centre.y + b.LL.y}));
  }

  void readBack(Agraph_t* g) {
    const boxf bb = GD_bb(g);
    top_ = bb.UR.y;
    out_.bounds = QRectF(QPointF(bb.LL.x, 0.0), QPointF(bb.UR.x, bb.UR.y - bb.LL.y));
    for (std::size_t n = 0; n < out_.nodes.size(); ++n) readNode(gvNodes_[n], out_.nodes[n]);
    for (std::size_t e = 0; e < out_.edges.size(); ++e) readEdge(gvEdges_[e], out_.edges[e]);
  }

  void readNode(Agnode_t* gvNode, LayoutNode& node) const {
    const pointf c = ND_coord(gvNode);
    const double w = ND_width(gvNode) * 72.0, h = ND_height(gvNode) * 72.0;
    node.rect = QRectF(c.x - w / 2, top_ - c.y - h / 2, w, h);
    QHash<QString, boxf> boxes;
    boxf title{};
    collectFields(static_cast<const field_t*>(ND_shape_info(gvNode)), boxes, title);
    node.title = node.primary ? node.rect : toScene(title, c);
    for (std::size_t p = 0; p < node.ports.size(); ++p) {
      auto& port = node.ports[p];
      const auto box = boxes.find(QStringLiteral("p%1").arg(p));
      port.box = box == boxes.end() ? node.rect : toScene(*box, c);
      const double x = port.input ? node.rect.left() : node.rect.right();
      port.anchor = QPointF(x, port.box.center().y());
    }
  }

  void readEdge(Agedge_t* gvEdge, LayoutEdge& edge) const {
    const splines* spl = ED_spl(gvEdge);
    if (!spl || spl->size < 1) return;
    for (int b = 0; b < spl->size; ++b) {
      const bezier& bz = spl->list[b];
      for (int i = b == 0 ? 0 : 1; i < bz.size; ++i) edge.path.push_back(toScene(bz.list[i]));
      if (bz.eflag) edge.tip = toScene(bz.ep);
    }
    if (edge.tip.isNull() && !edge.path.empty()) edge.tip = edge.path.back();
  }

  const CircuitResult& circuit_;
  GraphLayout out_;
  QHash<QString, std::pair<int, int>> portIndex_;  // composed port name -> node, port
  std::vector<Agnode_t*> gvNodes_;
  std::vector<Agedge_t*> gvEdges_;
  double top_ = 0.0;
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

GraphLayout LayoutCircuit(const CircuitResult& circuit) { return Builder(circuit).run(); }
