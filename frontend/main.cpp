// lumeno: the teaching front end of the tarvex engine.
#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QStandardPaths>

#include "mainform.h"
#include "platform.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("lumeno"));
  QApplication::setApplicationDisplayName(QStringLiteral("Lumeno"));

  // A circuit named on the command line is found from where lumeno was started.
  const QString startFolder = QDir::currentPath();
  // Work where a diffeq description is, else in the user's own folder.
  QString error;
  const QString folder =
      ChooseWorkingFolder(QDir::currentPath(), QStandardPaths::writableLocation(QStandardPaths::AppDataLocation), &error);
  if (folder.isEmpty() || !QDir::setCurrent(folder)) {
    QMessageBox::critical(nullptr, QStringLiteral("Lumeno"),
                          error.isEmpty() ? QStringLiteral("Can't work in '%1'.").arg(folder) : error);
    return 1;
  }

  TFormMain window;
  window.show();
  // lumeno FILE: the circuit to work on.
  const QStringList arguments = QApplication::arguments();
  if (arguments.size() > 1) window.OpenCircuit(QDir(startFolder).absoluteFilePath(arguments.at(1)));
  return QApplication::exec();
}
