// The schema by the blocks of the hierarchy: the block summary (collapsed to
// a depth, opened block by block) and the colours by block with their legend,
// on a small hand-made circuit and on the SoC example through the real engine.
#include <QComboBox>
#include <QSpinBox>

#include "views/blockpalette.h"
#include "views/blocksummary.h"
#include "views/graphschema.h"
#include "testsupport.h"

namespace {

CircuitResult load(const QString& file) {
  auto r = readCircuitResult(file);
  if (!r) qWarning() << r.errors;
  return r ? *r.value : CircuitResult{};
}

// chip: u_io (mux1, io_reg), u_core (core_reg) with u_core.u_alu (add1,
// acc_reg), and glue_reg fed through glue_and at the top level.
CircuitResult chip() { return load(QStringLiteral(LUMENO_TEST_DATA "/views/blocks.json")); }

const SummaryNode* findNode(const SummaryGraph& g, const QString& name) {
  for (const auto& node : g.nodes)
    if (node.name == name) return &node;
  return nullptr;
}

// The wires the summary counts from node `from` to node `to` (0 for no edge).
int connections(const SummaryGraph& g, const QString& from, const QString& to) {
  for (std::size_t e = 0; e < g.edges.size(); ++e)
    if (g.nodes[g.edges[e].first].name == from && g.nodes[g.edges[e].second].name == to) return g.connections[e];
  return 0;
}

QString render(GraphSchemaWindow& w, const QString& name) {
  w.resize(1200, 760);
  w.show();
  w.fitToWindow();
  QCoreApplication::processEvents();
  const QString file = QStringLiteral(RENDER_DIR "/") + name;
  w.grab().save(file);
  return file;
}

}  // namespace

class BlockViewTest : public QObject {
  Q_OBJECT
 private slots:
  void blockPathsAreCutAtADepth();
  void blocksCollapseWithTheirMembersAndCountedWires();
  void expandedBlockShowsItsSubBlocksAndItems();
  void nodesOfDifferentBlocksGetDifferentColours();
  void doubleClickOpensABlockAndDepthCollapsesAgain();
  void flatCircuitFallsBackToTheRegisterSummary();
  void largeHierarchicalDesignOpensAsItsBlocks();
};

void BlockViewTest::blockPathsAreCutAtADepth() {
  QCOMPARE(BlockAtDepth(QStringLiteral("u_core.u_alu.u_add"), 1), QStringLiteral("u_core"));
  QCOMPARE(BlockAtDepth(QStringLiteral("u_core.u_alu.u_add"), 2), QStringLiteral("u_core.u_alu"));
  QCOMPARE(BlockAtDepth(QStringLiteral("u_core.u_alu"), 5), QStringLiteral("u_core.u_alu"));
  QCOMPARE(BlockAtDepth(QString(), 1), QString());
  QCOMPARE(BlockAtDepth(QStringLiteral("u_core"), 0), QString());
  const CircuitResult c = chip();
  QVERIFY(!c.items.empty());
  QCOMPARE(c.item(QStringLiteral("u_core.u_alu.add1"))->block, QStringLiteral("u_core.u_alu"));
  QVERIFY(c.item(QStringLiteral("glue_reg"))->block.isEmpty());  // absent in the file: the top level
  QCOMPARE(HierarchyDepth(c), 2);
  QCOMPARE(BlocksAtDepth(c, 1), QStringList({"u_core", "u_io"}));
  QCOMPARE(BlocksAtDepth(c, 2), QStringList({"u_core", "u_core.u_alu", "u_io"}));
  QCOMPARE(FirstBranchingDepth(c), 1);
  CircuitResult wrapped = c;  // one block around everything branches one level deeper
  for (auto& item : wrapped.items)
    if (item.kind != u"CIRCUIT") item.block = item.block.isEmpty() ? QStringLiteral("u_top") : "u_top." + item.block;
  QCOMPARE(FirstBranchingDepth(wrapped), 2);
}

void BlockViewTest::blocksCollapseWithTheirMembersAndCountedWires() {
  const CircuitResult c = chip();
  const SummaryGraph g = SummariseBlocks(c, 1, {});
  // Three primary ports, two blocks and the top-level register.
  QCOMPARE(g.nodes.size(), std::size_t(6));
  const SummaryNode* core = findNode(g, QStringLiteral("u_core"));
  const SummaryNode* io = findNode(g, QStringLiteral("u_io"));
  QVERIFY(core && io && findNode(g, QStringLiteral("glue_reg")) && findNode(g, QStringLiteral("chip.clk")));
  QCOMPARE(core->kind, QStringLiteral("BLOCK"));
  QCOMPARE(core->members.size(), 3);
  QCOMPARE(core->registers, 2);
  QCOMPARE(io->members, QStringList({"u_io.mux1", "u_io.io_reg"}));
  QCOMPARE(io->registers, 1);
  // Wires inside a block and clock wires are no edges; the others are
  // counted per pair of nodes, through the top-level gate.
  QVERIFY(!findNode(g, QStringLiteral("glue_and")));
  QCOMPARE(g.edges.size(), std::size_t(6));
  QCOMPARE(g.connections.size(), g.edges.size());
  QCOMPARE(connections(g, "chip.in", "u_io"), 1);
  QCOMPARE(connections(g, "u_io", "u_core"), 2);
  QCOMPARE(connections(g, "u_core", "u_io"), 2);  // data and select
  QCOMPARE(connections(g, "u_core", "glue_reg"), 1);
  QCOMPARE(connections(g, "chip.in", "glue_reg"), 1);
  QCOMPARE(connections(g, "glue_reg", "chip.out"), 1);
  QCOMPARE(connections(g, "chip.clk", "u_core"), 0);
  // Deeper, the sub-block stands beside the items of its parent block.
  const SummaryGraph deeper = SummariseBlocks(c, 2, {});
  QCOMPARE(findNode(deeper, QStringLiteral("u_core.u_alu"))->members.size(), 2);
  QCOMPARE(findNode(deeper, QStringLiteral("u_core"))->members, QStringList({"u_core.core_reg"}));
  QCOMPARE(connections(deeper, "u_core.u_alu", "u_core"), 1);
}

void BlockViewTest::expandedBlockShowsItsSubBlocksAndItems() {
  const CircuitResult c = chip();
  const SummaryGraph g = SummariseBlocks(c, 1, {QStringLiteral("u_core")});
  QVERIFY(!findNode(g, QStringLiteral("u_core")));
  const SummaryNode* alu = findNode(g, QStringLiteral("u_core.u_alu"));
  QVERIFY(alu && alu->kind == u"BLOCK" && alu->members.size() == 2);
  const SummaryNode* own = findNode(g, QStringLiteral("u_core.core_reg"));
  QVERIFY(own && own->kind == u"REG");
  QCOMPARE(connections(g, "u_core.u_alu", "u_core.core_reg"), 1);
  QCOMPARE(connections(g, "u_io", "u_core.u_alu"), 2);
  // Every item but the top-level gate is in exactly one node.
  QSet<QString> seen;
  for (const auto& node : g.nodes)
    for (const auto& m : node.members) {
      QVERIFY2(!seen.contains(m), qPrintable(m));
      seen.insert(m);
    }
  QCOMPARE(seen.size(), qsizetype(c.items.size() - 2));
  // Both levels open: only items remain.
  const SummaryGraph all = SummariseBlocks(c, 1, {QStringLiteral("u_core"), QStringLiteral("u_core.u_alu"),
                                                  QStringLiteral("u_io")});
  for (const auto& node : all.nodes) QVERIFY2(node.kind != u"BLOCK", qPrintable(node.name));
  QCOMPARE(all.nodes.size(), std::size_t(9));
}

void BlockViewTest::nodesOfDifferentBlocksGetDifferentColours() {
  GraphSchemaWindow w;
  w.setCircuit(chip());
  QVERIFY(w.waitForLayout());
  QVERIFY(!w.isSummary());  // small: the full schema
  const QColor heat = w.nodeFill(QStringLiteral("u_io.mux1"));
  w.setBlockColouring(true);
  const QColor mux = w.nodeFill(QStringLiteral("u_io.mux1")), io = w.nodeFill(QStringLiteral("u_io.io_reg"));
  const QColor add = w.nodeFill(QStringLiteral("u_core.u_alu.add1")), core = w.nodeFill(QStringLiteral("u_core.core_reg"));
  QVERIFY(mux.isValid() && mux != heat);
  QCOMPARE(mux, io);
  QCOMPARE(add, core);  // depth 1: the sub-block takes its parent's colour
  QVERIFY(mux != core);
  QCOMPARE(w.nodeFill(QStringLiteral("glue_reg")), TopLevelColour());
  const BlockLegend& legend = w.blockLegend();
  QCOMPARE(legend.blocks, QStringList({"u_core", "u_io"}));
  QCOMPARE(legend.colourOf(QStringLiteral("u_io")), mux);
  QCOMPARE(legend.title, QStringLiteral("2 blocks at depth 1"));
  // One level deeper the sub-block has a colour of its own.
  w.findChild<QSpinBox*>()->setValue(2);
  QVERIFY(!w.isLayingOut());  // the full schema stays; only the colours change
  QCOMPARE(w.blockLegend().blocks.size(), 3);
  QVERIFY(w.nodeFill(QStringLiteral("u_core.u_alu.add1")) != w.nodeFill(QStringLiteral("u_core.core_reg")));
  QVERIFY(!QImage(render(w, "blockview-chip-colours.png")).isNull());
  // The register summary is coloured the same way.
  w.showRegisterSummary();
  QVERIFY(w.waitForLayout());
  QVERIFY(w.isSummary() && !w.isBlockSummary() && w.blockColouring());
  QVERIFY(w.nodeFill(QStringLiteral("u_core.core_reg")) != w.nodeFill(QStringLiteral("glue_reg")));
  QCOMPARE(w.nodeFill(QStringLiteral("loop 1")), w.blockLegend().colourOf(QStringLiteral("u_io")));
  // Back to the heat map: the block legend goes.
  w.setHeatMeasure(HeatMeasure::Tst);
  QVERIFY(!w.blockColouring() && w.blockLegend().blocks.isEmpty());
}

void BlockViewTest::doubleClickOpensABlockAndDepthCollapsesAgain() {
  GraphSchemaWindow w;
  w.setCircuit(chip());
  QVERIFY(w.waitForLayout());
  w.showBlocks(1);
  QVERIFY(w.waitForLayout());
  QVERIFY(w.isSummary() && w.isBlockSummary());
  QVERIFY2(w.layout().errors.isEmpty(), qPrintable(w.layout().errors.join(u'\n')));
  QCOMPARE(w.layout().nodes.size(), std::size_t(6));
  const LayoutNode* core = w.layout().node(QStringLiteral("u_core"));
  QVERIFY(core && core->kind == u"BLOCK" && core->registers == 2);
  // The aggregated wires: one edge drawn per pair, wider for more wires.
  QCOMPARE(w.wireCount(), 6);
  int counted = 0;
  for (const auto& e : w.layout().edges) counted += e.connections;
  QCOMPARE(counted, 8);
  QVERIFY(w.statusText().contains(QStringLiteral("Block summary")));
  w.show();
  w.fitToWindow();
  QVERIFY(QTest::qWaitForWindowExposed(&w));
  QTest::mouseDClick(w.view()->viewport(), Qt::LeftButton, {}, w.view()->mapFromScene(core->rect.center()));
  QVERIFY(w.isLayingOut());
  QVERIFY(w.waitForLayout());
  QVERIFY(!w.layout().node(QStringLiteral("u_core")));
  QVERIFY(w.layout().node(QStringLiteral("u_core.u_alu")));
  QVERIFY(w.layout().node(QStringLiteral("u_core.core_reg")));
  QVERIFY(w.layout().node(QStringLiteral("u_io")));
  // A double click on an item is no block: nothing happens.
  w.expandBlock(QStringLiteral("u_core.core_reg"));
  QVERIFY(!w.isLayingOut());
  QVERIFY(!QImage(render(w, "blockview-chip-opened.png")).isNull());
  // A new depth collapses everything to it again.
  w.findChild<QSpinBox*>()->setValue(2);
  QVERIFY(w.waitForLayout());
  QCOMPARE(w.layout().blockDepth, 2);
  QVERIFY(w.layout().node(QStringLiteral("u_core.u_alu")) && w.layout().node(QStringLiteral("u_core")));
}

void BlockViewTest::flatCircuitFallsBackToTheRegisterSummary() {
  GraphSchemaWindow w;
  w.setCircuit(load(QStringLiteral(LUMENO_TEST_DATA "/views/gcd.json")));
  QVERIFY(w.waitForLayout());
  w.showBlocks(1);
  QVERIFY(w.waitForLayout());
  QVERIFY(w.isSummary() && !w.isBlockSummary());
  QVERIFY(w.layout().node(QStringLiteral("out_reg")));
  w.setBlockColouring(true);
  QCOMPARE(w.nodeFill(QStringLiteral("out_reg")), TopLevelColour());
  QVERIFY(w.blockLegend().blocks.isEmpty());
}

void BlockViewTest::largeHierarchicalDesignOpensAsItsBlocks() {
  QTemporaryDir dir;
  const CircuitResult soc = load(AnalyseWithEngine(QStringLiteral(LUMENO_EXAMPLES "/verilog/soc.v"), dir.path()));
  QVERIFY(soc.items.size() > std::size_t(kFullSchemaItemLimit));
  const QStringList blocks = BlocksAtDepth(soc, 1);
  QVERIFY2(blocks.contains(QStringLiteral("u_cpu")) && blocks.contains(QStringLiteral("u_uart")), qPrintable(blocks.join(' ')));
  GraphSchemaWindow w;
  w.setCircuit(soc);
  QVERIFY(w.waitForLayout());
  QVERIFY(w.isBlockSummary());
  QVERIFY2(w.layout().errors.isEmpty(), qPrintable(w.layout().errors.join(u'\n')));
  // One node per block, all items accounted for, once (the top-level
  // gates are traced through).
  int blockNodes = 0;
  qsizetype members = 0;
  for (const auto& item : soc.items) members += item.block.isEmpty() && item.kind != u"CIRCUIT" && !IsRegisterKind(item.kind);
  for (const auto& node : w.layout().nodes) {
    blockNodes += node.kind == u"BLOCK" ? 1 : 0;
    members += node.members.size();
    QVERIFY(!node.rect.isEmpty());
  }
  QCOMPARE(blockNodes, int(blocks.size()));
  QCOMPARE(members, qsizetype(soc.items.size() - 1));
  const LayoutNode* cpu = w.layout().node(QStringLiteral("u_cpu"));
  int cpuItems = 0;
  for (const auto& item : soc.items) cpuItems += BlockAtDepth(item.block, 1) == u"u_cpu" ? 1 : 0;
  QCOMPARE(cpu->members.size(), qsizetype(cpuItems));
  w.setBlockColouring(true);
  QVERIFY(w.nodeFill(QStringLiteral("u_cpu")) != w.nodeFill(QStringLiteral("u_uart")));
  QCOMPARE(w.blockLegend().blocks, blocks);
  QVERIFY(!QImage(render(w, "blockview-soc-blocks.png")).isNull());
  w.showRegisterSummary();
  QVERIFY(w.waitForLayout());
  QVERIFY(!QImage(render(w, "blockview-soc-registers.png")).isNull());
}

QTEST_MAIN(BlockViewTest)
#include "blockview_test.moc"
