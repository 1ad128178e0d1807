#include "app/measuremenu.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>

#include "models/appstate.h"

QMenu* AddMeasureMenu(QMenu* parent, AppState& state) {
  QMenu* menu = parent->addMenu(QStringLiteral("Testability &Measure"));
  menu->setToolTipsVisible(true);
  auto* group = new QActionGroup(menu);
  group->setExclusive(true);
  for (const EngineMeasure m : {EngineMeasure::Fixpoint, EngineMeasure::Classic}) {
    QAction* action = menu->addAction(MeasureLabel(m));
    action->setCheckable(true);
    action->setChecked(state.measure() == m);
    action->setData(MeasureName(m));
    action->setToolTip(m == EngineMeasure::Fixpoint
                           ? QStringLiteral("The same figures whatever the order of the description (the default)")
                           : QStringLiteral("The measure of the classic runs, for comparison with earlier results"));
    group->addAction(action);
    QObject::connect(action, &QAction::triggered, &state, [&state, m] { state.setMeasure(m); });
  }
  QObject::connect(&state, &AppState::measureChanged, menu, [group](EngineMeasure m) {
    for (QAction* action : group->actions()) action->setChecked(action->data().toString() == MeasureName(m));
  });
  const auto followSession = [menu, &state] { menu->setEnabled(state.anyCircuit()); };
  QObject::connect(&state, &AppState::sessionChanged, menu, followSession);
  followSession();
  return menu;
}
