// lumeno: the teaching front end of the tarvex engine.
#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QStandardPaths>

#include "app/mainform.h"
#include "enginelink/platform.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("lumeno"));
  // No display name: the platform would add it to titles that already name lumeno.

  // A circuit named on the command line is found from where lumeno was started.
  const QString startFolder = QDir::currentPath();
  // Work where a diffeq description is, else in the user's own folder.
  QString error;
  const QString folder =
      ChooseWorkingFolder(QDir::currentPath(), QStandardPaths::writableLocation(QStandardPaths::AppDataLocation), &error);
  if (folder.isEmpty()) {
    QMessageBox::critical(nullptr, QStringLiteral("Lumeno"), error);
    return 1;
  }

  // Every window names its files through the session: no change of the current folder.
  AppState state(StartSession(folder));
  TFormMain window(state);
  window.show();
  // lumeno FILE: the circuit to work on.
  const QStringList arguments = QApplication::arguments();
  if (arguments.size() > 1) window.OpenCircuit(QDir(startFolder).absoluteFilePath(arguments.at(1)));
  return QApplication::exec();
}
