// The main window's choice of the testability measure of the modern engine
// runs: a submenu with one checkable action per measure, over AppState.
#pragma once

class AppState;
class QMenu;

// Adds the submenu "Testability Measure" to `parent`, its actions kept in
// step with the measure of `state` both ways. It is disabled while the
// benchmark is worked on: its classic runs have one measure only.
QMenu* AddMeasureMenu(QMenu* parent, AppState& state);
