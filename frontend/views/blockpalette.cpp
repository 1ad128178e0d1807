#include "views/blockpalette.h"

#include "views/blocksummary.h"

QColor TopLevelColour() { return QColor(236, 236, 236); }

QColor BlockColour(int index, int count) {
  if (count <= 0) return TopLevelColour();
  // Few blocks: hues spread evenly. More: each next hue by the golden angle,
  // so that blocks next to each other in name order (u_timer0, u_timer1)
  // lie far apart on the circle, every other one stronger.
  const int hue = count <= 6 ? (index * 360 / count + 20) % 360 : static_cast<int>((qint64(index) * 137508 / 1000 + 20) % 360);
  const bool stronger = count > 6 && index % 2 == 1;
  return QColor::fromHsv(hue, stronger ? 130 : 85, stronger ? 230 : 250);
}

QColor BlockLegend::colourOf(const QString& block) const {
  const qsizetype at = blocks.indexOf(BlockAtDepth(block, depth));
  return at < 0 ? TopLevelColour() : colours[static_cast<std::size_t>(at)];
}

BlockLegend MakeBlockLegend(const CircuitResult& circuit, int depth) {
  BlockLegend legend;
  legend.depth = depth;
  legend.blocks = BlocksAtDepth(circuit, depth);
  const int count = static_cast<int>(legend.blocks.size());
  for (int i = 0; i < count; ++i) legend.colours.push_back(BlockColour(i, count));
  legend.title = count == 0 ? QStringLiteral("No blocks: the circuit has no hierarchy")
                            : QStringLiteral("%1 block%2 at depth %3").arg(count).arg(count == 1 ? "" : "s").arg(depth);
  return legend;
}
