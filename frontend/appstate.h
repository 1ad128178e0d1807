// Process-wide state of the lumeno front end and the operations on the shared
// registers-to-chains grid. Owned by the main window, read by every companion
// window; everything runs on the one user-interface thread.
#pragma once

#include <QDateTime>
#include <QEvent>
#include <QMessageBox>
#include <QString>

#include <array>
#include <functional>

class QWidget;
class TFormMain;
class TFormSchema;
class TFormTAres;
class TDftForm;

// Scan chains A-F, positions "1st"-"6th" and registers REG1-REG6 of diffeq.
inline constexpr int kChains = 6;
inline constexpr int kPositions = 6;
inline constexpr int kRegisters = 6;

// Chain row by position column; a cell holds a register index 0-5 or -1.
using LayoutGridCells = std::array<std::array<int, kPositions>, kChains>;

// The registers-to-chains grid shared by the whole front end.
extern LayoutGridCells layoutGrid;

// Scan wire end points recorded while the layout is drawn over the schema:
// eight rows of six (per chain or per register reg1-reg6): chain-input x, y,
// chain-output x, y, register scan-input x, y, register scan-output x, y.
inline constexpr int kChainAnchorCount = 48;
extern std::array<int, kChainAnchorCount> chainAnchors;

// Row offsets into chainAnchors (entry = row * 6 + chain or register index).
enum ChainAnchorRow {
  kAnchorChainInX = 0,
  kAnchorChainInY,
  kAnchorChainOutX,
  kAnchorChainOutY,
  kAnchorRegInX,
  kAnchorRegInY,
  kAnchorRegOutX,
  kAnchorRegOutY,
};

// Returns the chainAnchors entry of the given row and chain/register.
int& ChainAnchor(ChainAnchorRow row, int index);

// The figures of the last "diffeq.par" read, exactly as read.
struct LastResults {
  QString scanLayout;     // the notation, digits and points only; empty = none
  QString nodes;          // field 2
  QString testability;    // field 3
  double testabilityValue = 0.0;
  QString conRatio;       // field 4, percent
  QString obsRatio;       // field 5, percent
  QString ioOverhead;     // field 6, percent
  QString areaOverhead;   // field 7, percent
  QString fitness;        // field 8
  double fitnessValue = 0.0;
};

extern LastResults lastResults;

// Set at the end of every Run; path display is refused while it is false.
extern bool actionRun;
// Schema clicks open the help page of the item kind instead of selecting.
extern bool helpMode;
// Set once the main window has been created.
extern bool startupFinished;

// The windows of the front end; null while a window does not exist.
extern TFormMain* FormMain;
extern TFormSchema* FormSchema;
extern TDftForm* DftForm;
extern TFormTAres* FormTAres;

// Empties every cell of layoutGrid.
void ClearLayoutGrid();

// Removes `reg` from the grid, then puts it at [chain, position] when both
// texts name one: chain from the first character 'A'-'F', position from '1'-'6'.
void PlaceRegister(const QString& chainText, const QString& orderingText, int reg);

// The scan layout notation of layoutGrid; empty when no register is placed.
QString GetLayoutNotation();

// Number of scan chains of a notation (0 for the empty notation).
int CountNotationChains(const QString& notation);

// Number of scan registers (digits) of a notation.
int CountNotationRegisters(const QString& notation);

// True when no cell of layoutGrid holds a register.
bool IsLayoutGridEmpty();

// Writes a notation into layoutGrid (chain by '.', position by digit), keeping
// each register in at most one cell; characters outside the format are skipped.
void LoadNotationIntoGrid(const QString& notation);

// Draws the chains of `notation` over the schema window, recording the wire
// end points in chainAnchors. An empty notation leaves the bare schema.
// Does nothing while there is no schema window.
void DrawLayoutOnSchema(const QString& notation);

// The register form of a notation shown in the history: digit k becomes
// "R" followed by k+1, points stay, any other character becomes "R".
QString RegisterForm(const QString& notation);

// Shows a message box and returns the button chosen. Tests replace the
// handler so that no modal box blocks them.
using MessageBoxHandler = std::function<QMessageBox::StandardButton(
    QWidget* parent, QMessageBox::Icon icon, const QString& caption,
    const QString& text, QMessageBox::StandardButtons buttons)>;

// Shows a message box through the current handler.
QMessageBox::StandardButton ShowMessage(QWidget* parent, QMessageBox::Icon icon,
                                        const QString& caption, const QString& text,
                                        QMessageBox::StandardButtons buttons = QMessageBox::Ok);

// Replaces the message box handler; an empty handler restores the modal boxes.
void SetMessageBoxHandler(MessageBoxHandler handler);

// The current date and time as used in the history.
QDateTime CurrentDateTime();

// Replaces the clock; an empty function restores the system clock.
void SetClock(std::function<QDateTime()> clock);

// Calls the form's FormActivate or FormDeactivate handler when `event` is a
// change of window activation (the companion windows remember their place).
template <class Form>
void DispatchActivationChange(Form* form, QEvent* event) {
  if (event->type() != QEvent::ActivationChange) return;
  if (form->isActiveWindow())
    form->FormActivate();
  else
    form->FormDeactivate();
}
