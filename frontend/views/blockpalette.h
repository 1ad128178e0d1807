// Colours of the schema by block: one light, distinct colour per block at a
// chosen depth of the hierarchy, the same for a circuit however it is drawn,
// and the legend naming them. Pure unit, no widgets.
#pragma once

#include <QColor>
#include <QString>
#include <QStringList>

#include <vector>

#include "enginelink/resultjson.h"

// The colour of everything outside every block (the top level).
QColor TopLevelColour();
// The colour of the block at `index` among `count`: light, distinct hues,
// blocks next to each other in name order far apart.
QColor BlockColour(int index, int count);

// The blocks at one depth with their colours, in name order.
struct BlockLegend {
  int depth = 0;
  QStringList blocks;
  std::vector<QColor> colours;
  QString title;  // e.g. "9 blocks at depth 1"

  // The colour of an item at block path `block` (its block at `depth`), the
  // top level's when it is in none of them.
  QColor colourOf(const QString& block) const;
};

// The legend of the blocks of `circuit` at `depth`.
BlockLegend MakeBlockLegend(const CircuitResult& circuit, int depth);
